#include "app/startup.h"

#include "app/settings.h"
#include "lists/list_state.h"
#include "lists/site_list.h"
#include "platform/paths.h"

namespace orbeta {

void ApplyCommandLine(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "kiosk" || args[0] == "kioskmode") return;
  CurrentSiteFile = args[0];
  CurrentKeyFile = KeyFileOf(args[0]);
  ListFilesChanged = true;
}

std::vector<LaunchMenuEntry> LaunchMenuEntries(bool requireExistingFile) {
  std::vector<LaunchMenuEntry> entries;
  for (std::size_t i = 0; i < Settings.LaunchList.size(); ++i) {
    const ProgramEntry& entry = Settings.LaunchList[i];
    if (entry.Name.empty() || entry.Path.empty()) continue;
    if (requireExistingFile && !FileExists(ResolveFileName(entry.Path))) continue;
    entries.push_back({static_cast<int>(i + 1), entry.Name});
  }
  return entries;
}

}  // namespace orbeta
