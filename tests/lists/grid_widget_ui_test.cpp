// The grid widget in a real window on the test X server: what it shows of a table, how edits
// travel between widget and table, and the signals that clicks and keys give.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "lists/grid_widget.h"

#include "support/ui_pump.h"

namespace orbeta {
namespace {

using Clock = std::chrono::steady_clock;

using test::PumpUntil;

// Lets the X server and GTK settle what is under way.
void PumpPending() {
  PumpUntil([] { return false; }, std::chrono::milliseconds(150));
}

// A site-list-like table: 7 columns, titles in row 0, five data rows "name r", "type r", ...
GridTable SampleTable() {
  GridTable table(7, 6);
  const std::vector<std::string> titles = {"Icon",   "Name", "Offered", "Types",
                                           "Domain", "Home", "Note"};
  for (int col = 0; col < 7; ++col) table.SetCell(col, 0, titles[static_cast<std::size_t>(col)]);
  for (int row = 1; row < 6; ++row) {
    for (int col = 1; col < 7; ++col)
      table.SetCell(col, row, titles[static_cast<std::size_t>(col)] + " " + std::to_string(row));
  }
  return table;
}

Glib::RefPtr<Gdk::Pixbuf> SolidImage(guint32 rgba) {
  auto image = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, true, 8, 16, 16);
  image->fill(rgba);
  return image;
}

// What the renderers of one cell are set to for drawing it.
struct DrawnCell {
  std::string text;
  bool textVisible = false;
  int weight = 0;
  bool backgroundSet = false;
  Gdk::RGBA background;
  Glib::RefPtr<Gdk::Pixbuf> leading;  // the picture drawn before the text
  Glib::RefPtr<Gdk::Pixbuf> alone;    // the picture drawn alone in an empty cell
  float aloneXAlign = 0.0f;
};

class GridWidgetTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { Gtk::Main::init_gtkmm_internals(); }

  // GTK and gtkmm report misuse (a bad model column, a wrong renderer property) as critical
  // messages and go on; here each such message fails the test.
  void SetUp() override {
    previousHandler_ = g_log_set_default_handler(
        [](const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer) {
          if (level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING))
            ADD_FAILURE() << (domain ? domain : "") << ": " << message;
        },
        nullptr);
  }
  void TearDown() override { g_log_set_default_handler(previousHandler_, nullptr); }

  GridWidgetTest() {
    window_.set_default_size(640, 300);
    window_.move(0, 0);
    window_.add(grid_);
    grid_.show();
  }

  void ShowWindow() {
    window_.show();
    window_.present();
    ASSERT_TRUE(PumpUntil([this] {
      return grid_.View().get_mapped() && grid_.View().get_bin_window() &&
             grid_.View().get_allocated_height() > 50 && window_.has_toplevel_focus();
    }));
    PumpPending();
  }

  std::vector<std::string> Titles() {
    std::vector<std::string> titles;
    for (Gtk::TreeViewColumn* column : grid_.View().get_columns())
      titles.push_back(dynamic_cast<Gtk::Label*>(column->get_widget())->get_text());
    return titles;
  }

  std::vector<bool> VisibleColumns() {
    std::vector<bool> visible;
    for (Gtk::TreeViewColumn* column : grid_.View().get_columns())
      visible.push_back(column->get_visible());
    return visible;
  }

  // Asks the view's column to set its renderers up for one model row, as it does before it
  // draws the cell, and reads them back.
  DrawnCell Drawn(int column, int position) {
    Gtk::TreeViewColumn* viewColumn = grid_.View().get_column(column);
    auto model = grid_.View().get_model();
    Gtk::TreeModel::Path path;
    path.push_back(position);
    viewColumn->cell_set_cell_data(model, model->get_iter(path), false, false);
    DrawnCell cell;
    std::vector<Gtk::CellRendererPixbuf*> pictures;
    for (Gtk::CellRenderer* renderer : viewColumn->get_cells()) {
      if (auto* text = dynamic_cast<Gtk::CellRendererText*>(renderer)) {
        cell.text = text->property_text().get_value();
        cell.textVisible = text->property_visible();
        cell.weight = text->property_weight();
        cell.backgroundSet = text->property_cell_background_set();
        cell.background = text->property_cell_background_rgba();
      } else if (auto* picture = dynamic_cast<Gtk::CellRendererPixbuf*>(renderer)) {
        pictures.push_back(picture);
      }
    }
    if (pictures.at(0)->property_visible()) cell.leading = pictures[0]->property_pixbuf();
    if (pictures.at(1)->property_visible()) {
      cell.alone = pictures[1]->property_pixbuf();
      cell.aloneXAlign = pictures[1]->property_xalign();
    }
    return cell;
  }

  std::vector<std::string> ColumnTexts(int column) {
    std::vector<std::string> texts;
    const int rows = static_cast<int>(grid_.View().get_model()->children().size());
    for (int position = 0; position < rows; ++position)
      texts.push_back(Drawn(column, position).text);
    return texts;
  }

  // The text of the tooltip window on the screen, empty when none is shown.
  static std::string ShownTooltip() {
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
      if (!window->get_visible() ||
          G_OBJECT_TYPE_NAME(window->gobj()) != std::string("GtkTooltipWindow"))
        continue;
      if (std::string text = LabelText(*window); !text.empty()) return text;
    }
    return "";
  }

  static std::string LabelText(Gtk::Widget& widget) {
    if (auto* label = dynamic_cast<Gtk::Label*>(&widget)) {
      if (label->get_visible()) return label->get_text();
    }
    if (auto* container = dynamic_cast<Gtk::Container*>(&widget)) {
      for (Gtk::Widget* child : container->get_children()) {
        if (std::string text = LabelText(*child); !text.empty()) return text;
      }
    }
    return "";
  }

  // The centre of a cell, in the coordinates of the window.
  void CellCentre(int position, int column, int& x, int& y) {
    Gtk::TreeModel::Path path;
    path.push_back(position);
    Gdk::Rectangle area;
    grid_.View().get_cell_area(path, *grid_.View().get_column(column), area);
    int widgetX = 0;
    int widgetY = 0;
    grid_.View().convert_bin_window_to_widget_coords(area.get_x() + area.get_width() / 2,
                                                     area.get_y() + area.get_height() / 2, widgetX,
                                                     widgetY);
    grid_.View().translate_coordinates(window_, widgetX, widgetY, x, y);
  }

  // Button 1 clicked `clicks` times at (x, y) of the window, through the X server's test
  // extension, as a mouse would. It waits out the double-click time first, so that a click
  // never pairs with the one before.
  void Click(int x, int y, int clicks = 1) {
    const int doubleClickMs = Gtk::Settings::get_default()->property_gtk_double_click_time();
    PumpUntil([] { return false; }, std::chrono::milliseconds(doubleClickMs + 50));
    RunXdotool(MoveTo(x, y) + " click --repeat " + std::to_string(clicks) + " --delay 40 1");
  }

  // The xdotool command that puts the pointer at (x, y) of the window.
  std::string MoveTo(int x, int y) {
    int originX = 0;
    int originY = 0;
    window_.get_window()->get_origin(originX, originY);
    return "mousemove --sync " + std::to_string(originX + x) + " " + std::to_string(originY + y);
  }

  // A key typed on the keyboard into the window that has the focus.
  void PressKey(const std::string& keysym) { RunXdotool("key " + keysym); }

  static void RunXdotool(const std::string& arguments) {
    ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
  }

  GLogFunc previousHandler_ = nullptr;
  Gtk::Window window_;
  GridWidget grid_;
  GridTable table_ = SampleTable();
};

TEST_F(GridWidgetTest, ShowsChosenRowsAndColumnsUnderTheTableTitles) {
  table_.SetCell(6, 4, "Caf\xe9");  // Windows-1252 text reaches GTK as UTF-8
  grid_.SetSource(table_, {1, 3, 6, 5});
  grid_.SetRows({4, 2});
  ShowWindow();

  EXPECT_EQ(grid_.ColumnCount(), 4);
  EXPECT_EQ(grid_.TableColumn(2), 6);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Name", "Types", "Note", "Home"}));
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Name 4", "Name 2"}));
  EXPECT_EQ(ColumnTexts(2), (std::vector<std::string>{"Caf\u00e9", "Note 2"}));
  EXPECT_EQ(ColumnTexts(3), (std::vector<std::string>{"Home 4", "Home 2"}));

  grid_.SetTitles({"Site", "Types", "Remarque \xe0 lire", "URL"});
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Site", "Types", "Remarque \u00e0 lire", "URL"}));

  // Another category: another row subset of the same table, rows no longer in the table left out.
  grid_.SetRows({5, 1, 99});
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Name 5", "Name 1"}));
  EXPECT_EQ(grid_.ShownRows(), (std::vector<int>{5, 1}));
  grid_.SetRows({});  // a category without sites
  EXPECT_TRUE(ColumnTexts(0).empty());
  grid_.ShowAllRows();
  EXPECT_EQ(ColumnTexts(0).size(), 5u);
}

TEST_F(GridWidgetTest, LeavesOutHiddenColumnsAndStretchesTheLastShown) {
  table_.SetColumnHidden(4, true);
  table_.SetColWidth(6, 0);
  grid_.SetSource(table_);
  grid_.SetColumnHidden(2, true);
  ShowWindow();

  EXPECT_EQ(VisibleColumns(), (std::vector<bool>{true, true, false, true, false, true, false}));
  EXPECT_TRUE(grid_.View().get_column(5)->get_expand());
  EXPECT_FALSE(grid_.View().get_column(3)->get_expand());

  // The table's marks are read again on Refresh; the widget's own mark stays.
  table_.SetColumnHidden(4, false);
  table_.SetColWidth(6, 80);
  grid_.Refresh();
  EXPECT_EQ(VisibleColumns(), (std::vector<bool>{true, true, false, true, true, true, true}));
  EXPECT_TRUE(grid_.View().get_column(6)->get_expand());
  EXPECT_FALSE(grid_.View().get_column(5)->get_expand());
}

TEST_F(GridWidgetTest, ColumnWidthsStartFromTheTableAndCanBeSetAndRead) {
  table_.SetColWidth(1, 150);
  grid_.SetSource(table_, {1, 3});
  EXPECT_EQ(grid_.ColumnWidth(0), 150);
  EXPECT_EQ(grid_.ColumnWidth(1), GridTable::kDefaultColWidth);
  grid_.SetColumnWidth(1, 195);
  grid_.SetColumnWidth(0, 0);  // not a width: ignored
  ShowWindow();
  EXPECT_EQ(grid_.ColumnWidth(0), 150);
  EXPECT_EQ(grid_.ColumnWidth(1), 195);
  EXPECT_EQ(grid_.View().get_column(0)->get_width(), 150);

  // Widths survive a Refresh, also one that rebuilds the columns for a wider table.
  table_.ResizeColumns(9);
  grid_.SetSource(table_);
  grid_.SetColumnWidth(3, 222);
  table_.ResizeColumns(10);
  grid_.Refresh();
  EXPECT_EQ(grid_.ColumnCount(), 10);
  EXPECT_EQ(grid_.ColumnWidth(3), 222);
}

TEST_F(GridWidgetTest, TableChangesAppearAfterRefresh) {
  grid_.SetSource(table_);
  ShowWindow();
  ASSERT_EQ(ColumnTexts(1).size(), 5u);

  table_.SetCell(1, 2, "Renamed");
  table_.InsertRow(1);
  table_.SetCell(1, 1, "Inserted");
  table_.SetCell(0, 0, "Pic");
  EXPECT_EQ(ColumnTexts(1)[1], "Name 2");  // the view keeps its copy until told
  grid_.Refresh();
  EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"Inserted", "Name 1", "Renamed", "Name 3",
                                                      "Name 4", "Name 5"}));
  EXPECT_EQ(Titles()[0], "Pic");

  table_.DeleteRow(1);
  table_.DeleteRow(1);
  grid_.Refresh();
  EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"Renamed", "Name 3", "Name 4", "Name 5"}));
  EXPECT_EQ(grid_.ShownRows(), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(GridWidgetTest, AnEditInTheWidgetIsWrittenIntoTheTable) {
  grid_.SetSource(table_, {1, 6});
  grid_.SetRows({3, 1});
  grid_.SetEditable(1, true);
  std::vector<std::pair<int, int>> started;
  std::vector<std::pair<int, int>> edited;
  grid_.signal_editing_started().connect([&](int c, int r) { started.emplace_back(c, r); });
  grid_.signal_cell_edited().connect([&](int c, int r) { edited.emplace_back(c, r); });
  ShowWindow();

  EXPECT_FALSE(grid_.StartEditing(1, 0));  // column 0 is not editable
  ASSERT_TRUE(grid_.StartEditing(1, 1));
  auto* entry = dynamic_cast<Gtk::Entry*>(window_.get_focus());
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->get_text(), "Note 1");
  entry->set_text("Caf\u00e9 \u20ac");
  PressKey("Return");
  ASSERT_TRUE(PumpUntil([&] { return !edited.empty(); }));
  EXPECT_EQ(started, (std::vector<std::pair<int, int>>{{1, 1}}));
  EXPECT_EQ(edited, (std::vector<std::pair<int, int>>{{1, 1}}));
  EXPECT_EQ(table_.Cell(6, 1), "Caf\xe9 \x80");
  EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"Note 3", "Caf\u00e9 \u20ac"}));

  // Escape gives the edit up: the table keeps its text and nothing is reported.
  ASSERT_TRUE(grid_.StartEditing(3, 1));
  entry = dynamic_cast<Gtk::Entry*>(window_.get_focus());
  ASSERT_NE(entry, nullptr);
  entry->set_text("discarded");
  PressKey("Escape");
  PumpUntil([&] { return dynamic_cast<Gtk::Entry*>(window_.get_focus()) == nullptr; });
  PumpPending();
  EXPECT_EQ(table_.Cell(6, 3), "Note 3");
  EXPECT_EQ(edited.size(), 1u);
}

TEST_F(GridWidgetTest, ClicksAndKeysReportTableRows) {
  grid_.SetSource(table_, {1, 5});
  grid_.SetRows({5, 3, 1});
  std::vector<int> activated;
  std::vector<int> selected;
  grid_.signal_row_activated().connect([&](int row) { activated.push_back(row); });
  grid_.signal_selection_changed().connect([&](int row) { selected.push_back(row); });
  ShowWindow();

  int x = 0;
  int y = 0;
  CellCentre(1, 1, x, y);
  Click(x, y);
  ASSERT_TRUE(PumpUntil([&] { return grid_.SelectedRow() == 3; }));
  EXPECT_EQ(selected.back(), 3);
  EXPECT_EQ(grid_.CursorColumn(), 1);
  EXPECT_TRUE(activated.empty());

  CellCentre(2, 0, x, y);
  Click(x, y, 2);
  ASSERT_TRUE(PumpUntil([&] { return !activated.empty(); }));
  EXPECT_EQ(activated, std::vector<int>{1});

  ASSERT_TRUE(grid_.SelectRow(5));
  grid_.View().grab_focus();
  PressKey("Return");
  ASSERT_TRUE(PumpUntil([&] { return activated.size() == 2; }));
  EXPECT_EQ(activated.back(), 5);
}

TEST_F(GridWidgetTest, TitleClickReportsTheColumn) {
  grid_.SetSource(table_, {1, 3, 6});
  std::vector<int> clicked;
  grid_.signal_title_clicked().connect([&](int column) { clicked.push_back(column); });
  ShowWindow();

  Gtk::Widget* title = grid_.View().get_column(2)->get_button();
  int x = 0;
  int y = 0;
  title->translate_coordinates(window_, title->get_allocated_width() / 2,
                               title->get_allocated_height() / 2, x, y);
  Click(x, y);
  ASSERT_TRUE(PumpUntil([&] { return !clicked.empty(); }));
  EXPECT_EQ(clicked, std::vector<int>{2});
}

TEST_F(GridWidgetTest, TypingFindsTheFirstRowBeginningWithTheLetter) {
  table_.SetCell(1, 2, "banana");
  table_.SetCell(1, 4, "Berry");
  table_.SetCell(1, 5, "cherry");
  grid_.SetSource(table_, {3, 1});
  grid_.SetSearchColumn(1);
  ShowWindow();
  grid_.View().grab_focus();

  PressKey("B");
  ASSERT_TRUE(PumpUntil([&] { return grid_.SelectedRow() == 2; }));
  PressKey("Escape");
  PumpPending();
  grid_.View().grab_focus();
  PressKey("c");
  EXPECT_TRUE(PumpUntil([&] { return grid_.SelectedRow() == 5; }));
}

TEST_F(GridWidgetTest, PointerOverARowGivesItsTableRowForTheHint) {
  grid_.SetSource(table_);
  grid_.SetRows({4, 2});
  std::vector<int> hints;
  grid_.signal_hint().connect([&](int row) { hints.push_back(row); });
  RunXdotool("mousemove --sync 1100 900");  // away from where the window opens
  ShowWindow();

  int x = 0;
  int y = 0;
  CellCentre(1, 1, x, y);
  RunXdotool(MoveTo(x, y));
  ASSERT_TRUE(PumpUntil([&] { return !hints.empty(); }));
  RunXdotool(MoveTo(x + 3, y + 1));  // the same row: no new hint
  CellCentre(0, 0, x, y);
  RunXdotool(MoveTo(x, y));
  ASSERT_TRUE(PumpUntil([&] { return hints.size() == 2; }));
  RunXdotool(MoveTo(window_.get_width() + 50, 10));  // out of the window
  ASSERT_TRUE(PumpUntil([&] { return hints.size() == 3; }));
  PumpPending();
  EXPECT_EQ(hints, (std::vector<int>{2, 4, -1}));
}

TEST_F(GridWidgetTest, ATruncatedCellShowsItsFullTextAsTooltip) {
  const std::string longName = "A name much too long for a column of sixty-four pixels";
  table_.SetCell(1, 2, longName);
  grid_.SetSource(table_);
  grid_.SetRows({2, 4});
  grid_.SetColumnWidth(1, 64);
  RunXdotool("mousemove --sync 1100 900");
  ShowWindow();

  int x = 0;
  int y = 0;
  CellCentre(0, 1, x, y);
  RunXdotool(MoveTo(x, y));
  EXPECT_TRUE(PumpUntil([&] { return ShownTooltip() == longName; }));

  CellCentre(1, 1, x, y);  // "Name 4" fits: no tooltip
  RunXdotool(MoveTo(x, y));
  EXPECT_TRUE(PumpUntil([&] { return ShownTooltip().empty(); }));
  PumpUntil([] { return false; }, std::chrono::milliseconds(800));
  EXPECT_EQ(ShownTooltip(), "");
}

TEST_F(GridWidgetTest, DrawsPicturesBoldColumnAndStripes) {
  const auto red = SolidImage(0xff0000ff);
  const auto blue = SolidImage(0x0000ffff);
  table_.SetPicture(1, 1, GridPicture{1, HAlign::Left, VAlign::Center});  // before "Name 1"
  table_.SetPicture(0, 2, GridPicture{0, HAlign::Right, VAlign::Top});    // alone, on the right
  table_.SetPicture(0, 3, GridPicture{7});  // no such image: no picture
  grid_.SetSource(table_, {0, 1, 3});
  grid_.SetImages({red, blue});
  grid_.SetBoldColumn(1);
  grid_.SetStriped(true);
  grid_.SetRowHeight(20);
  ShowWindow();
  Gtk::TreeModel::Path first;
  first.push_back(0);
  Gdk::Rectangle row;
  grid_.View().get_background_area(first, *grid_.View().get_column(0), row);
  const int height20 = row.get_height();
  grid_.SetRowHeight(40);
  PumpPending();
  grid_.View().get_background_area(first, *grid_.View().get_column(0), row);
  EXPECT_EQ(row.get_height() - height20, 20);

  const DrawnCell withText = Drawn(1, 0);
  EXPECT_EQ(withText.leading, blue);
  EXPECT_FALSE(withText.alone);
  EXPECT_TRUE(withText.textVisible);
  const DrawnCell alone = Drawn(0, 1);
  EXPECT_EQ(alone.alone, red);
  EXPECT_FLOAT_EQ(alone.aloneXAlign, 1.0f);
  EXPECT_FALSE(alone.leading);
  EXPECT_FALSE(alone.textVisible);
  EXPECT_FALSE(Drawn(0, 2).alone);
  EXPECT_FALSE(Drawn(0, 2).leading);

  // The name column bold; the 2nd, 4th, ... data rows on the stripe colour.
  EXPECT_EQ(Drawn(1, 2).weight, 700);
  EXPECT_EQ(Drawn(2, 2).weight, 400);
  for (int position = 0; position < 5; ++position) {
    SCOPED_TRACE(position);
    const DrawnCell cell = Drawn(2, position);
    EXPECT_EQ(cell.backgroundSet, position % 2 == 1);
    if (cell.backgroundSet) {
      EXPECT_EQ(cell.background, GridWidget::StripeColour());
    }
  }

  // A window's own rule on top: the styler sees (column, table row) and wins.
  grid_.SetCellStyler([](int column, int row, GridWidget::CellStyle& style) {
    if (column == 2 && row == 1) style.bold = true;
    if (row == 2) style.background.reset();
  });
  EXPECT_EQ(Drawn(2, 0).weight, 700);
  EXPECT_FALSE(Drawn(2, 1).backgroundSet);
  EXPECT_TRUE(Drawn(2, 3).backgroundSet);
  grid_.SetCellStyler({});

  // The real drawing: the pictures' colours and the stripe reach the pixels.
  grid_.View().queue_draw();
  PumpPending();
  const int width = grid_.View().get_allocated_width();
  const int height = grid_.View().get_allocated_height();
  auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_RGB24, width, height);
  auto cr = Cairo::Context::create(surface);
  gtk_widget_draw(GTK_WIDGET(grid_.View().gobj()), cr->cobj());
  surface->flush();
  auto hasPixel = [&](std::uint32_t rgb) {
    const unsigned char* data = surface->get_data();
    for (int y = 0; y < height; ++y) {
      const auto* line = reinterpret_cast<const std::uint32_t*>(data + y * surface->get_stride());
      for (int x = 0; x < width; ++x)
        if ((line[x] & 0xffffff) == rgb) return true;
    }
    return false;
  };
  EXPECT_TRUE(hasPixel(0xff0000));
  EXPECT_TRUE(hasPixel(0x0000ff));
  EXPECT_TRUE(hasPixel(0xf1f3f5));
}

}  // namespace
}  // namespace orbeta
