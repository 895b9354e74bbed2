// The list files in use and the flags that tell the main window what to rebuild.
#pragma once

#include <string>

namespace orbeta {

extern std::string CurrentSiteFile;  // "Untitled.edn" until a settings load or the command line names one
extern std::string CurrentKeyFile;   // "Untitled.key" likewise

extern bool SiteListModified;    // the site list differs from its file
extern bool SitesChanged;        // the sites grid must be refilled
extern bool KeywordsChanged;     // the category tabs must be rebuilt
extern bool ListFilesChanged;    // the settings name other list files: reload both lists
extern bool KeywordNamesEdited;  // category names were edited

}  // namespace orbeta
