// Reading the site list and the keyword list from their files, or from copies downloaded from
// a web server into the program's folder when "Use RemoteSitesFile" is on.
#pragma once

#include <functional>
#include <string>

namespace orbeta {

// Shows (true) or restores (false) the busy cursor while a list file is read; the main window
// sets it, without it nothing is shown.
using BusyCursorHook = std::function<void(bool busy)>;
void SetBusyCursorHook(BusyCursorHook hook);

// Shows the busy cursor for its lifetime.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// Reads CurrentSiteFile into the site list: true when read. A missing file gives the untitled
// new list (NewSiteList) and false; a file that fails to read keeps the rows read before the
// faulty line and gives false. Clears ListFilesChanged. Shows nothing.
bool ReadSiteFile();

// Reads the site list, first downloading "tmp.edn" into the program's folder when remote files
// are on; falls back to the file CurrentSiteFile named before when the download or its reading
// fails.
void LoadSiteList();

// The same for the keyword list with "tmp.key" and CurrentKeyFile. An unreadable keyword file
// throws EGridFileError to the caller.
void LoadKeywordList();

// For tools: reads a site file and the keyword file beside it (KeyFileOf) into the two lists
// and makes them the current files; types texts are left as stored. Unlike the loads above it
// creates nothing and hides nothing: a missing site file or any unreadable file throws
// EGridFileError. A missing keyword file leaves the keyword list with its title row only.
void ReadListFiles(const std::string& siteFile);

}  // namespace orbeta
