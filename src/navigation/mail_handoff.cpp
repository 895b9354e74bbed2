#include "navigation/mail_handoff.h"

#include <string.h>

#include "admin/admin_password.h"
#include "app/settings.h"
#include "platform/command_line.h"

namespace orbeta {
namespace {

// Windows-1252 has no character whose upper case is an ASCII letter but itself, so an ASCII
// case-insensitive search finds the companion's name exactly where a locale upper-casing would.
bool NamesCompanionProgram(const std::string& mailer) {
  return ::strcasestr(mailer.c_str(), "POSTREL.EXE") != nullptr;
}

}  // namespace

std::string MailCommandLine(const std::optional<std::string>& url) {
  std::string line;
  if (!NamesCompanionProgram(Settings.Mailer)) {
    line = Settings.Mailer;
  } else {
    const bool securityOff = Settings.SecurityOff || AdminMode;
    line = securityOff ? "Postrel.exe securityoff" : "Postrel.exe securityon";
    if (Settings.UseSingleMailConfig) line += " useSingleMailConfig";
    if (url) {
      std::string address = *url;
      if (const std::size_t at = address.find("mailto:"); at != std::string::npos) address.erase(at, 7);
      line += ' ';
      line += address;
    }
  }
  // The line keeps its start, and with it the program and the address, when a long query
  // (a subject or body) does not fit.
  if (line.size() > kMaxMailCommandLine) line.resize(kMaxMailCommandLine);
  return line;
}

void RunMailProgram(const std::optional<std::string>& url) { RunCommandLine(MailCommandLine(url), WindowShow::Normal); }

}  // namespace orbeta
