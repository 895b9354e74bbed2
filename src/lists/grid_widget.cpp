#include "lists/grid_widget.h"

#include <algorithm>
#include <utility>

#include "platform/codepage.h"

namespace orbeta {
namespace {

float AlignOf(HAlign align) {
  switch (align) {
    case HAlign::Left:
      return 0.0f;
    case HAlign::Center:
      return 0.5f;
    case HAlign::Right:
      return 1.0f;
  }
  return 0.5f;
}

float AlignOf(VAlign align) {
  switch (align) {
    case VAlign::Top:
      return 0.0f;
    case VAlign::Center:
      return 0.5f;
    case VAlign::Bottom:
      return 1.0f;
  }
  return 0.5f;
}

Gtk::TreeModel::Path PathAt(std::size_t position) {
  Gtk::TreeModel::Path path;
  path.push_back(static_cast<int>(position));
  return path;
}

constexpr int kBoldWeight = 700;
constexpr int kNormalWeight = 400;
// Room the renderer and the column leave around a text, for the truncation test of tooltips.
constexpr int kCellPadding = 8;

void SetBackground(Gtk::CellRenderer& renderer, const std::optional<Gdk::RGBA>& colour) {
  if (colour) renderer.property_cell_background_rgba() = *colour;
  renderer.property_cell_background_set() = colour.has_value();
}

}  // namespace

Gdk::RGBA GridWidget::StripeColour() {
  Gdk::RGBA colour;
  colour.set_rgba_u(241 * 257, 243 * 257, 245 * 257);
  return colour;
}

GridWidget::GridWidget() {
  set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
  set_shadow_type(Gtk::SHADOW_IN);
  add(view_);
  view_.set_headers_visible(true);
  view_.set_enable_search(false);
  selection_ = view_.get_selection();
  selection_->set_mode(Gtk::SELECTION_SINGLE);
  selection_->signal_changed().connect([this] { selectionChanged_.emit(SelectedRow()); });
  view_.signal_row_activated().connect(
      [this](const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn*) {
        rowActivated_.emit(RowAt(path));
      });
  view_.add_events(Gdk::POINTER_MOTION_MASK | Gdk::LEAVE_NOTIFY_MASK);
  view_.signal_motion_notify_event().connect(sigc::mem_fun(*this, &GridWidget::OnMotion), false);
  view_.signal_leave_notify_event().connect(sigc::mem_fun(*this, &GridWidget::OnLeave), false);
  view_.set_has_tooltip(true);
  view_.signal_query_tooltip().connect(sigc::mem_fun(*this, &GridWidget::OnQueryTooltip));
  view_.show();
}

// ---- Source ----

void GridWidget::SetSource(GridTable& table, std::vector<int> columns) {
  table_ = &table;
  allColumns_ = columns.empty();
  tableColumns_ = allColumns_ ? AllColumns() : std::move(columns);
  allRows_ = true;
  titles_.clear();
  hiddenHere_.assign(tableColumns_.size(), false);
  editable_.assign(tableColumns_.size(), false);
  boldColumn_ = -1;
  searchColumn_ = -1;
  BuildColumns({});
  FillRows();
}

void GridWidget::SetRows(std::vector<int> rows) {
  allRows_ = false;
  shownRows_ = std::move(rows);
  if (table_) FillRows();
}

void GridWidget::ShowAllRows() {
  allRows_ = true;
  if (table_) FillRows();
}

void GridWidget::Refresh() {
  if (!table_) return;
  if (allColumns_ && table_->ColCount() != ColumnCount()) {
    // The table gained or lost columns (a paste, a new list): the view follows, keeping the
    // settings of the columns that stay.
    std::vector<int> widths;
    for (int column = 0; column < std::min(ColumnCount(), table_->ColCount()); ++column)
      widths.push_back(ColumnWidth(column));
    tableColumns_ = AllColumns();
    hiddenHere_.resize(tableColumns_.size(), false);
    editable_.resize(tableColumns_.size(), false);
    if (boldColumn_ >= ColumnCount()) boldColumn_ = -1;
    if (searchColumn_ >= ColumnCount()) searchColumn_ = -1;
    BuildColumns(std::move(widths));
  } else {
    UpdateTitles();
    UpdateColumnVisibility();
  }
  FillRows();
}

int GridWidget::TableColumn(int column) const {
  return tableColumns_.at(static_cast<std::size_t>(column));
}

std::vector<int> GridWidget::AllColumns() const {
  std::vector<int> columns(static_cast<std::size_t>(table_->ColCount()));
  for (int col = 0; col < table_->ColCount(); ++col) columns[static_cast<std::size_t>(col)] = col;
  return columns;
}

std::vector<int> GridWidget::AllDataRows() const {
  std::vector<int> rows;
  for (int row = 1; row < table_->RowCount(); ++row) rows.push_back(row);
  return rows;
}

// ---- Columns ----

// The tree model gets a new layout: the table row, then text, picture and alignment of each
// column.
void GridWidget::BuildModel() {
  Gtk::TreeModelColumnRecord record;
  rowColumn_ = std::make_unique<Gtk::TreeModelColumn<int>>();
  record.add(*rowColumn_);
  cellColumns_.clear();
  for (int column = 0; column < ColumnCount(); ++column) {
    auto cells = std::make_unique<CellColumns>();
    record.add(cells->text);
    record.add(cells->picture);
    record.add(cells->xalign);
    record.add(cells->yalign);
    cellColumns_.push_back(std::move(cells));
  }
  store_ = Gtk::ListStore::create(record);
}

// The width a column starts with: its table column's, or the default one for a column the
// table gives no width (or lacks).
int GridWidget::InitialWidth(int column) const {
  const int tableColumn = TableColumn(column);
  const int width = tableColumn < table_->ColCount() ? table_->ColWidth(tableColumn) : 0;
  return width > 0 ? width : GridTable::kDefaultColWidth;
}

// Makes the view's columns anew, keeping the widths of the first `widths.size()` columns.
void GridWidget::BuildColumns(std::vector<int> widths) {
  for (int column = static_cast<int>(widths.size()); column < ColumnCount(); ++column)
    widths.push_back(InitialWidth(column));
  view_.remove_all_columns();
  renderers_.clear();
  BuildModel();
  view_.set_model(store_);
  for (int column = 0; column < ColumnCount(); ++column)
    AddViewColumn(column, widths[static_cast<std::size_t>(column)]);
  SetSearchColumn(searchColumn_);
  UpdateTitles();
  UpdateColumnVisibility();
}

void GridWidget::AddViewColumn(int column, int width) {
  auto* viewColumn = Gtk::manage(new Gtk::TreeViewColumn());
  Renderers renderers{Gtk::manage(new Gtk::CellRendererPixbuf()),
                      Gtk::manage(new Gtk::CellRendererPixbuf()),
                      Gtk::manage(new Gtk::CellRendererText())};
  viewColumn->pack_start(*renderers.leading, false);
  viewColumn->pack_start(*renderers.alone, true);
  viewColumn->pack_start(*renderers.text, true);
  // One function draws all three renderers of a cell: which of them shows depends on the
  // cell's text and picture together.
  viewColumn->set_cell_data_func(
      *renderers.text, [this, column](Gtk::CellRenderer*, const Gtk::TreeModel::iterator& iter) {
        DrawCell(iter, column);
      });
  renderers.text->property_editable() = editable_[static_cast<std::size_t>(column)];
  renderers.text->signal_edited().connect(
      [this, column](const Glib::ustring& path, const Glib::ustring& text) {
        OnEdited(path, text, column);
      });
  renderers.text->signal_editing_started().connect(
      [this, column](Gtk::CellEditable*, const Glib::ustring& path) {
        editingStarted_.emit(column, RowAt(Gtk::TreeModel::Path(path)));
      });
  ApplyRowHeight(renderers);
  renderers_.push_back(renderers);

  auto* title = Gtk::manage(new Gtk::Label());
  Pango::AttrList bold;
  auto weight = Pango::Attribute::create_attr_weight(Pango::WEIGHT_BOLD);
  bold.insert(weight);
  title->set_attributes(bold);
  title->show();
  viewColumn->set_widget(*title);
  viewColumn->set_alignment(0.5f);
  viewColumn->set_clickable(true);
  viewColumn->signal_clicked().connect([this, column] { titleClicked_.emit(column); });
  viewColumn->set_sizing(Gtk::TREE_VIEW_COLUMN_FIXED);
  viewColumn->set_fixed_width(width);
  viewColumn->set_resizable(true);
  view_.append_column(*viewColumn);
}

Gtk::TreeViewColumn* GridWidget::ViewColumn(int column) { return view_.get_column(column); }

int GridWidget::ColumnIndexOf(const Gtk::TreeViewColumn* viewColumn) const {
  if (!viewColumn) return -1;
  const std::vector<const Gtk::TreeViewColumn*> columns = view_.get_columns();
  const auto found = std::find(columns.begin(), columns.end(), viewColumn);
  return found == columns.end() ? -1 : static_cast<int>(found - columns.begin());
}

void GridWidget::UpdateTitles() {
  for (int column = 0; column < ColumnCount(); ++column) {
    const int tableColumn = TableColumn(column);
    std::string title;
    if (static_cast<std::size_t>(column) < titles_.size())
      title = titles_[static_cast<std::size_t>(column)];
    else if (titles_.empty() && table_->RowCount() > 0 && tableColumn < table_->ColCount())
      title = table_->Cell(tableColumn, 0);
    if (auto* label = dynamic_cast<Gtk::Label*>(ViewColumn(column)->get_widget()))
      label->set_text(Cp1252ToUtf8(title));
  }
}

bool GridWidget::ColumnShown(int column) const {
  const int tableColumn = TableColumn(column);
  return !hiddenHere_.at(static_cast<std::size_t>(column)) && tableColumn < table_->ColCount() &&
         !table_->ColumnHidden(tableColumn) && table_->ColWidth(tableColumn) > 0;
}

// Shows the columns that are not hidden; the last of them stretches to the widget's width.
void GridWidget::UpdateColumnVisibility() {
  int last = -1;
  for (int column = 0; column < ColumnCount(); ++column) {
    const bool shown = ColumnShown(column);
    ViewColumn(column)->set_visible(shown);
    if (shown) last = column;
  }
  for (int column = 0; column < ColumnCount(); ++column)
    ViewColumn(column)->set_expand(column == last);
}

void GridWidget::SetTitles(std::vector<std::string> titles) {
  titles_ = std::move(titles);
  if (table_) UpdateTitles();
}

int GridWidget::ColumnWidth(int column) const {
  return view_.get_column(column)->get_fixed_width();
}

void GridWidget::SetColumnWidth(int column, int width) {
  if (width > 0) ViewColumn(column)->set_fixed_width(width);
}

void GridWidget::SetColumnHidden(int column, bool hidden) {
  hiddenHere_.at(static_cast<std::size_t>(column)) = hidden;
  UpdateColumnVisibility();
}

void GridWidget::SetBoldColumn(int column) {
  boldColumn_ = column;
  view_.queue_draw();
}

void GridWidget::SetStriped(bool striped) {
  striped_ = striped;
  view_.queue_draw();
}

void GridWidget::SetCellStyler(CellStyler styler) {
  styler_ = std::move(styler);
  view_.queue_draw();
}

void GridWidget::SetImages(std::vector<Glib::RefPtr<Gdk::Pixbuf>> images) {
  images_ = std::move(images);
  if (table_) FillRows();
}

void GridWidget::SetRowHeight(int height) {
  rowHeight_ = height;
  for (const Renderers& renderers : renderers_) ApplyRowHeight(renderers);
  view_.columns_autosize();
}

void GridWidget::ApplyRowHeight(const Renderers& renderers) const {
  renderers.leading->set_fixed_size(-1, rowHeight_);
  renderers.alone->set_fixed_size(-1, rowHeight_);
  renderers.text->set_fixed_size(-1, rowHeight_);
}

void GridWidget::SetEditable(int column, bool editable) {
  editable_.at(static_cast<std::size_t>(column)) = editable;
  renderers_.at(static_cast<std::size_t>(column)).text->property_editable() = editable;
}

void GridWidget::SetSearchColumn(int column) {
  searchColumn_ = column;
  view_.set_enable_search(column >= 0);
  view_.set_search_column(
      column >= 0 ? cellColumns_.at(static_cast<std::size_t>(column))->text.index() : -1);
}

// ---- Rows ----

// Makes the model hold one row per shown table row and writes every cell; rows already in
// the model are overwritten in place so that the selection and the scroll position stay.
void GridWidget::FillRows() {
  if (allRows_) {
    shownRows_ = AllDataRows();
  } else {
    std::erase_if(shownRows_, [this](int row) { return row < 1 || row >= table_->RowCount(); });
  }
  const std::size_t count = shownRows_.size();
  while (store_->children().size() > count)
    store_->erase(store_->get_iter(PathAt(store_->children().size() - 1)));
  while (store_->children().size() < count) store_->append();
  std::size_t index = 0;
  for (const Gtk::TreeRow& treeRow : store_->children()) FillRow(treeRow, shownRows_[index++]);
}

void GridWidget::FillRow(const Gtk::TreeRow& treeRow, int row) {
  treeRow.set_value(*rowColumn_, row);
  for (int column = 0; column < ColumnCount(); ++column) {
    const CellColumns& cells = *cellColumns_[static_cast<std::size_t>(column)];
    const int tableColumn = TableColumn(column);
    const bool inTable = tableColumn < table_->ColCount();
    const std::optional<GridPicture> picture =
        inTable ? table_->Picture(tableColumn, row) : std::nullopt;
    treeRow.set_value(cells.text,
                      Glib::ustring(inTable ? Cp1252ToUtf8(table_->Cell(tableColumn, row)) : ""));
    treeRow.set_value(cells.picture, ImageOf(picture));
    treeRow.set_value(cells.xalign, picture ? AlignOf(picture->halign) : 0.5f);
    treeRow.set_value(cells.yalign, picture ? AlignOf(picture->valign) : 0.5f);
  }
}

Glib::RefPtr<Gdk::Pixbuf> GridWidget::ImageOf(const std::optional<GridPicture>& picture) const {
  if (!picture || picture->image < 0 || picture->image >= static_cast<int>(images_.size()))
    return {};
  return images_[static_cast<std::size_t>(picture->image)];
}

int GridWidget::RowAt(const Gtk::TreeModel::Path& path) const {
  if (!store_ || path.empty()) return -1;
  const Gtk::TreeModel::iterator iter = store_->get_iter(path);
  return iter ? iter->get_value(*rowColumn_) : -1;
}

Gtk::TreeModel::Path GridWidget::PathOf(int row) const {
  const auto found = std::find(shownRows_.begin(), shownRows_.end(), row);
  if (found == shownRows_.end()) return {};
  return PathAt(static_cast<std::size_t>(found - shownRows_.begin()));
}

// ---- Drawing ----

// Sets the three renderers of a cell: the text with the cell's style, and its picture either
// before the text or, in a cell without text, alone at the picture's alignment.
void GridWidget::DrawCell(const Gtk::TreeModel::iterator& iter, int column) {
  const Gtk::TreeRow treeRow = *iter;
  const CellColumns& cells = *cellColumns_[static_cast<std::size_t>(column)];
  const Renderers& renderers = renderers_[static_cast<std::size_t>(column)];
  const int position = store_->get_path(iter)[0];

  CellStyle style;
  style.bold = column == boldColumn_;
  if (striped_ && position % 2 == 1) style.background = StripeColour();
  if (styler_) styler_(column, treeRow.get_value(*rowColumn_), style);

  const Glib::ustring text = treeRow.get_value(cells.text);
  const Glib::RefPtr<Gdk::Pixbuf> picture = treeRow.get_value(cells.picture);
  const float yalign = treeRow.get_value(cells.yalign);

  renderers.text->property_text() = text;
  renderers.text->property_visible() = !(text.empty() && picture);
  renderers.text->property_weight() = style.bold ? kBoldWeight : kNormalWeight;
  renderers.text->property_xalign() = style.xalign;
  if (style.foreground) renderers.text->property_foreground_rgba() = *style.foreground;
  renderers.text->property_foreground_set() = style.foreground.has_value();

  renderers.leading->property_visible() = picture && !text.empty();
  renderers.alone->property_visible() = picture && text.empty();
  for (Gtk::CellRendererPixbuf* pictureRenderer : {renderers.leading, renderers.alone}) {
    pictureRenderer->property_pixbuf() = picture;
    pictureRenderer->property_yalign() = yalign;
  }
  renderers.alone->property_xalign() = treeRow.get_value(cells.xalign);

  SetBackground(*renderers.text, style.background);
  SetBackground(*renderers.leading, style.background);
  SetBackground(*renderers.alone, style.background);
}

// ---- Selection and editing ----

int GridWidget::SelectedRow() const {
  const auto iter = selection_->get_selected();
  return iter ? iter->get_value(*rowColumn_) : -1;
}

int GridWidget::CursorColumn() const {
  Gtk::TreeModel::Path path;
  Gtk::TreeViewColumn* viewColumn = nullptr;
  const_cast<Gtk::TreeView&>(view_).get_cursor(path, viewColumn);
  return ColumnIndexOf(viewColumn);
}

bool GridWidget::SelectRow(int row, int column) {
  const Gtk::TreeModel::Path path = PathOf(row);
  if (path.empty() || column < 0 || column >= ColumnCount()) return false;
  view_.set_cursor(path, *ViewColumn(column), false);
  view_.scroll_to_row(path);
  return true;
}

bool GridWidget::StartEditing(int row, int column) {
  const Gtk::TreeModel::Path path = PathOf(row);
  if (path.empty() || column < 0 || column >= ColumnCount() ||
      !editable_[static_cast<std::size_t>(column)])
    return false;
  view_.grab_focus();
  view_.set_cursor(path, *ViewColumn(column), true);
  return true;
}

// The edited text goes into the table; the model shows what the table now holds, which is
// the text as far as Windows-1252 can keep it.
void GridWidget::OnEdited(const Glib::ustring& path, const Glib::ustring& text, int column) {
  const Gtk::TreeModel::iterator iter = store_->get_iter(path);
  const int tableColumn = TableColumn(column);
  if (!iter || tableColumn >= table_->ColCount()) return;
  const int row = iter->get_value(*rowColumn_);
  if (row >= table_->RowCount()) return;
  table_->SetCell(tableColumn, row, Utf8ToCp1252(text.raw()));
  iter->set_value(cellColumns_[static_cast<std::size_t>(column)]->text,
                  Glib::ustring(Cp1252ToUtf8(table_->Cell(tableColumn, row))));
  cellEdited_.emit(column, row);
}

// ---- Pointer ----

bool GridWidget::OnMotion(GdkEventMotion* event) {
  int row = -1;
  const Glib::RefPtr<Gdk::Window> bin = view_.get_bin_window();
  Gtk::TreeModel::Path path;
  Gtk::TreeViewColumn* viewColumn = nullptr;
  int cellX = 0;
  int cellY = 0;
  if (bin && event->window == bin->gobj() &&
      view_.get_path_at_pos(static_cast<int>(event->x), static_cast<int>(event->y), path,
                            viewColumn, cellX, cellY))
    row = RowAt(path);
  SetHoveredRow(row);
  return false;
}

bool GridWidget::OnLeave(GdkEventCrossing*) {
  SetHoveredRow(-1);
  return false;
}

void GridWidget::SetHoveredRow(int row) {
  if (row == hoveredRow_) return;
  hoveredRow_ = row;
  hint_.emit(row);
}

// A cell whose text is wider than its column shows the full text as its tooltip.
bool GridWidget::OnQueryTooltip(int x, int y, bool keyboard,
                                const Glib::RefPtr<Gtk::Tooltip>& tooltip) {
  Gtk::TreeModel::Path path;
  // The context path turns the widget coordinates into those of the rows' window.
  if (!store_ || keyboard || !view_.get_tooltip_context_path(x, y, false, path)) return false;
  Gtk::TreeModel::Path cellPath;
  Gtk::TreeViewColumn* viewColumn = nullptr;
  int cellX = 0;
  int cellY = 0;
  if (!view_.get_path_at_pos(x, y, cellPath, viewColumn, cellX, cellY)) return false;
  const int column = ColumnIndexOf(viewColumn);
  if (column < 0) return false;
  const Gtk::TreeModel::iterator iter = store_->get_iter(cellPath);
  const Glib::ustring text = iter->get_value(cellColumns_[static_cast<std::size_t>(column)]->text);
  auto layout = view_.create_pango_layout(text);
  if (column == boldColumn_) {
    Pango::AttrList bold;
    auto weight = Pango::Attribute::create_attr_weight(Pango::WEIGHT_BOLD);
    bold.insert(weight);
    layout->set_attributes(bold);
  }
  int textWidth = 0;
  int textHeight = 0;
  layout->get_pixel_size(textWidth, textHeight);
  if (text.empty() || textWidth + kCellPadding <= viewColumn->get_width()) return false;
  tooltip->set_text(text);
  view_.set_tooltip_cell(tooltip, &cellPath, viewColumn, nullptr);
  return true;
}

}  // namespace orbeta
