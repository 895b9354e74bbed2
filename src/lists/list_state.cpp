#include "lists/list_state.h"

namespace orbeta {

std::string CurrentSiteFile = "Untitled.edn";
std::string CurrentKeyFile = "Untitled.key";
bool SiteListModified = false;
bool SitesChanged = false;
bool KeywordsChanged = false;
bool ListFilesChanged = false;
bool KeywordNamesEdited = false;

}  // namespace orbeta
