// Handing mail links to the mail program, in a process of its own.
#pragma once

#include <optional>
#include <string>

namespace orbeta {

inline constexpr std::size_t kMaxMailCommandLine = 255;

// The command line the mail program is started with, cut to kMaxMailCommandLine characters.
// A "Mailer" setting that does not name the companion program "Postrel.exe" (in any case,
// anywhere in the setting) is the whole command line, and the URL is not passed on. For the
// companion program: "Postrel.exe", "securityoff" (AdminMode or "Security OFF") or
// "securityon", "useSingleMailConfig" when that setting is on, then the URL without its
// first "mailto:".
std::string MailCommandLine(const std::optional<std::string>& url);

// Starts the mail program for a mail link, or without an address; does not wait. A program
// that cannot be started is not reported. The address is never seen by a shell: it reaches
// the program as arguments split from the command line.
void RunMailProgram(const std::optional<std::string>& url = std::nullopt);

}  // namespace orbeta
