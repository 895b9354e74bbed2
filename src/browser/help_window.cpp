#include "browser/help_window.h"

#include "platform/paths.h"

namespace orbeta {

std::string HelpPagePath(int topic) {
  const std::string path = ResolveFileName(JoinPath(ProgramDirectory(), "help/" + std::to_string(topic) + ".html"));
  return FileExists(path) ? path : std::string();
}

THelpWindow::THelpWindow(Gtk::Window& owner, int topic) {
  set_title("Orbeta");
  set_transient_for(owner);
  set_default_size(720, 600);
  add(wb_.Widget());
  // The help pages only: a link out of them leads nowhere.
  wb_.BeforeNavigate = [](const std::string& address, const std::string&, bool& cancel) {
    cancel = address.rfind("file:", 0) != 0;
  };
  wb_.NewWindow = [](const std::string&, bool& cancel) -> browser::WebEngine* {
    cancel = true;
    return nullptr;
  };
  if (const std::string page = HelpPagePath(topic); !page.empty()) wb_.Navigate("file://" + page);
  show_all();
}

}  // namespace orbeta
