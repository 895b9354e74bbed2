#include "lists/list_loading.h"

#include <exception>
#include <utility>

#include "app/settings.h"
#include "language/dictionary.h"
#include "lists/download.h"
#include "lists/grid_file.h"
#include "lists/keyword_list.h"
#include "lists/list_state.h"
#include "lists/site_list.h"
#include "platform/paths.h"

namespace orbeta {
namespace {

using S = SiteRecord;
constexpr int kFirstSiteIcon = 5;  // images 0 to 4 have fixed uses

BusyCursorHook& BusyHook() {
  static BusyCursorHook hook;
  return hook;
}

// Replaces the site list's data rows with the file's. Throws what ReadGridFile throws; the
// list then keeps its nine columns and the rows read so far.
void ReadSiteGrid(const std::string& path) {
  // Whatever the file's header says, the list keeps its nine columns, codes and icon numbers
  // out of sight, also after a failed read.
  struct KeepColumns {
    KeepColumns() { Apply(); }
    ~KeepColumns() { Apply(); }
    static void Apply() {
      if (SiteList.ColCount() < S::ColumnCount) SiteList.ResizeColumns(S::ColumnCount);
      SiteList.SetColWidth(S::Codes, 0);
      SiteList.SetColWidth(S::IconNumber, 0);
    }
  };
  SiteList.ResizeRows(1);
  {
    const KeepColumns keepColumns;
    ReadGridFile(SiteList, path);
  }
  if (SiteList.RowCount() > 1 && SiteList.Cell(S::Name, 0) != Dictionary().GetText(S::NameTitle))
    WriteSiteListTitles();
  if (Settings.UseGridPictos) {
    for (int row = 1; row < SiteList.RowCount(); ++row) {
      if (const int icon = CellNumber(SiteList.Cell(S::IconNumber, row)); icon >= kFirstSiteIcon)
        SiteList.SetPicture(S::Icon, row, GridPicture{icon, HAlign::Center, VAlign::Center});
    }
  }
}

// The five steps of a remote load: download into the program's folder, read that copy, or
// read the file named before.
void LoadList(std::string& currentFile, const char* downloadName, const std::string& address,
              bool (*read)()) {
  if (!Settings.UseRemoteSitesFile) {
    read();
    return;
  }
  const std::string remembered = currentFile;
  const std::string target = JoinPath(ProgramDirectory(), downloadName);
  if (!DownloadToFile(target, address)) {
    read();
    return;
  }
  currentFile = target;
  if (read()) return;
  currentFile = remembered;
  read();
}

}  // namespace

void SetBusyCursorHook(BusyCursorHook hook) {
  BusyHook() = std::move(hook);
}

BusyCursor::BusyCursor() {
  if (BusyHook()) BusyHook()(true);
}

BusyCursor::~BusyCursor() {
  if (BusyHook()) BusyHook()(false);
}

bool ReadSiteFile() {
  const std::string path = ResolveFileName(CurrentSiteFile);
  bool read = false;
  if (!FileExists(path)) {
    NewSiteList();
  } else {
    const BusyCursor busy;
    try {
      ReadSiteGrid(path);
      read = true;
    } catch (const std::exception&) {
      // The administrator sees nothing: the caller falls back to another file or keeps the
      // rows read so far.
    }
  }
  ListFilesChanged = false;
  return read;
}

void LoadSiteList() {
  LoadList(CurrentSiteFile, "tmp.edn", Settings.RemoteSiteFileURL, ReadSiteFile);
}

void LoadKeywordList() {
  LoadList(CurrentKeyFile, "tmp.key", Settings.RemoteKeyFileURL, ReadKeywordFile);
}

void ReadListFiles(const std::string& siteFile) {
  const std::string keyFile = KeyFileOf(siteFile);
  const std::string sitePath = ResolveFileName(siteFile);
  if (!FileExists(sitePath)) throw EGridFileError("File " + siteFile + " not found", siteFile, 0);
  CurrentSiteFile = siteFile;
  CurrentKeyFile = keyFile;
  if (FileExists(ResolveFileName(keyFile))) {
    ReadKeywordFile();
  } else {
    KeywordList.ResizeColumns(KeywordRecord::ColumnCount);
    KeywordList.ResizeRows(1);
    KeywordList.Clear();
    WriteKeywordListTitles();
  }
  ReadSiteGrid(sitePath);
}

}  // namespace orbeta
