// The grid of the program: the sites grid of the main window, the site list and keyword
// editors, the program grid of the settings dialog and the languages grid are all this widget
// over a GridTable.
//
// The table is the one store. The widget shows a selection of its data rows (by default every
// row after the title row) and of its columns (by default all of them, in table order). Edits
// made in the widget are written into the table at once; changes made to the table elsewhere
// appear after Refresh. The tree model behind the view holds only what the view needs to draw.
//
// Addressing: a "column" argument or signal value is a position among the widget's columns
// (TableColumn maps it to the table); a "row" is always a table row. Texts passed in and out
// are Windows-1252 bytes, like the table's.
#pragma once

#include <gtkmm.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lists/grid_table.h"

namespace orbeta {

class GridWidget : public Gtk::ScrolledWindow {
 public:
  // What one cell looks like; the widget fills it in (bold column, stripes) and the styler set
  // with SetCellStyler may change it before the cell is drawn.
  struct CellStyle {
    bool bold = false;
    std::optional<Gdk::RGBA> background;
    std::optional<Gdk::RGBA> foreground;
    float xalign = 0.0f;  // of the text: 0 left, 0.5 centred, 1 right
  };
  using CellStyler = std::function<void(int column, int row, CellStyle& style)>;

  // Background of the even data rows (the 2nd, 4th, ... shown) while rows are striped.
  static Gdk::RGBA StripeColour();

  GridWidget();

  // Shows `table` until another source is set; the table must outlive the widget or the next
  // SetSource. `columns`: the table columns to show, in this order (empty: every column of the
  // table). Every data row is shown until SetRows. Column widths start from the table's;
  // titles come from row 0.
  void SetSource(GridTable& table, std::vector<int> columns = {});
  // Shows only these table rows, in this order (an empty list shows none), until the next
  // SetRows or ShowAllRows. Rows that the table does not have are left out.
  void SetRows(std::vector<int> rows);
  // Shows every data row, counted again on each Refresh.
  void ShowAllRows();
  // Reads the table again: texts, pictures, titles, hidden marks, and the rows when every
  // data row is shown. Widths the user has set stay.
  void Refresh();

  int ColumnCount() const { return static_cast<int>(tableColumns_.size()); }
  int TableColumn(int column) const;
  // The table rows shown, in display order.
  const std::vector<int>& ShownRows() const { return shownRows_; }

  // Titles instead of row 0 (Windows-1252, one per column); an empty list goes back to row 0.
  void SetTitles(std::vector<std::string> titles);
  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);
  // Hides a column in this widget whatever the table says; a column also stays hidden while
  // the table marks its column hidden or gives it a width of 0 or less.
  void SetColumnHidden(int column, bool hidden);
  bool ColumnShown(int column) const;
  // The one column drawn in bold; -1 for none.
  void SetBoldColumn(int column);
  void SetStriped(bool striped);
  void SetCellStyler(CellStyler styler);
  // The image list that the cells' GridPicture numbers index; an index outside it shows no
  // picture.
  void SetImages(std::vector<Glib::RefPtr<Gdk::Pixbuf>> images);
  // Height of every row in pixels; -1 lets the contents decide.
  void SetRowHeight(int height);
  void SetEditable(int column, bool editable);
  // The column that typing searches (first row whose text begins with the typed text, case
  // ignored); -1 turns the search off.
  void SetSearchColumn(int column);

  // The selected table row, -1 when none.
  int SelectedRow() const;
  // The column of the cursor (the last cell clicked or activated), -1 when none.
  int CursorColumn() const;
  // Selects the row (a table row that is shown) and puts the cursor on `column`; returns false
  // when the row is not shown.
  bool SelectRow(int row, int column = 0);
  // Opens the in-place editor on a cell of an editable column.
  bool StartEditing(int row, int column);

  Gtk::TreeView& View() { return view_; }

  // A double click on a row, or Enter on the row of the cursor; CursorColumn tells the cell.
  sigc::signal<void, int>& signal_row_activated() { return rowActivated_; }
  // The selected table row changed (-1: nothing selected).
  sigc::signal<void, int>& signal_selection_changed() { return selectionChanged_; }
  // The pointer moved onto another row (-1: off the rows); the window shows its status text.
  sigc::signal<void, int>& signal_hint() { return hint_; }
  // A click on a column's title; the window decides how to sort.
  sigc::signal<void, int>& signal_title_clicked() { return titleClicked_; }
  // An in-place editor opened on (column, row), before any change.
  sigc::signal<void, int, int>& signal_editing_started() { return editingStarted_; }
  // An in-place edit was validated and written into the table at (column, row).
  sigc::signal<void, int, int>& signal_cell_edited() { return cellEdited_; }

 private:
  // The tree-model columns that hold one grid column's cells.
  struct CellColumns {
    Gtk::TreeModelColumn<Glib::ustring> text;
    Gtk::TreeModelColumn<Glib::RefPtr<Gdk::Pixbuf>> picture;
    Gtk::TreeModelColumn<float> xalign;
    Gtk::TreeModelColumn<float> yalign;
  };
  // Per column, owned by its view column: the picture before a text, the picture alone in an
  // empty cell (placed by its alignment), and the text.
  struct Renderers {
    Gtk::CellRendererPixbuf* leading = nullptr;
    Gtk::CellRendererPixbuf* alone = nullptr;
    Gtk::CellRendererText* text = nullptr;
  };

  std::vector<int> AllColumns() const;
  std::vector<int> AllDataRows() const;
  int InitialWidth(int column) const;
  void BuildColumns(std::vector<int> widths);
  void BuildModel();
  void AddViewColumn(int column, int width);
  void UpdateTitles();
  void UpdateColumnVisibility();
  void FillRows();
  void FillRow(const Gtk::TreeRow& treeRow, int row);
  Glib::RefPtr<Gdk::Pixbuf> ImageOf(const std::optional<GridPicture>& picture) const;
  void ApplyRowHeight(const Renderers& renderers) const;
  void DrawCell(const Gtk::TreeModel::iterator& iter, int column);
  int RowAt(const Gtk::TreeModel::Path& path) const;
  Gtk::TreeModel::Path PathOf(int row) const;
  int ColumnIndexOf(const Gtk::TreeViewColumn* viewColumn) const;
  Gtk::TreeViewColumn* ViewColumn(int column);

  void OnEdited(const Glib::ustring& path, const Glib::ustring& text, int column);
  bool OnMotion(GdkEventMotion* event);
  bool OnLeave(GdkEventCrossing* event);
  bool OnQueryTooltip(int x, int y, bool keyboard, const Glib::RefPtr<Gtk::Tooltip>& tooltip);
  void SetHoveredRow(int row);

  Gtk::TreeView view_;
  Glib::RefPtr<Gtk::ListStore> store_;
  Glib::RefPtr<Gtk::TreeSelection> selection_;
  // The model's layout, made anew with the model: the table row, then each column's cells.
  // A model column can be part of one layout only, hence the fresh objects.
  std::unique_ptr<Gtk::TreeModelColumn<int>> rowColumn_;
  std::vector<std::unique_ptr<CellColumns>> cellColumns_;
  std::vector<Renderers> renderers_;

  GridTable* table_ = nullptr;
  bool allRows_ = true;
  bool allColumns_ = true;
  std::vector<int> shownRows_;
  std::vector<int> tableColumns_;
  std::vector<std::string> titles_;
  std::vector<bool> hiddenHere_;
  std::vector<bool> editable_;
  std::vector<Glib::RefPtr<Gdk::Pixbuf>> images_;
  int boldColumn_ = -1;
  bool striped_ = false;
  int rowHeight_ = -1;
  int searchColumn_ = -1;
  int hoveredRow_ = -1;
  CellStyler styler_;

  sigc::signal<void, int> rowActivated_;
  sigc::signal<void, int> selectionChanged_;
  sigc::signal<void, int> hint_;
  sigc::signal<void, int> titleClicked_;
  sigc::signal<void, int, int> editingStarted_;
  sigc::signal<void, int, int> cellEdited_;
};

}  // namespace orbeta
