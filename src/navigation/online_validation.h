// Online site validation: asks the validation server whether a host the site list does not
// admit may be visited.
//
// The server's base address is the "Security" / "ValidationServer" setting; requests append
// "LB.php?url=<host>" (one question about a whole host or address) or "LN.php?url=<domain>"
// (one question per domain level). The answer that means allowed is a body of exactly
// "<html>1</html>" with a 2xx status; anything else refuses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orbeta {

inline constexpr std::uint32_t kValidationTimeoutMs = 10000;

// Where the requests show their progress: the main window's status bar. The texts are
// "Connecting...", "Connected to host !" and "Connexion failed !", to be shown at once
// (`refresh` true).
class ValidationStatus {
 public:
  virtual ~ValidationStatus() = default;
  virtual void SetStatusText(const std::string& text, bool refresh) = 0;
};
// The receiver of the status texts; nullptr (the default) shows them nowhere. Not owned.
void SetValidationStatus(ValidationStatus* status);

// True when the navigation to `host` (lower-case, port kept) may proceed. `mode` is the
// "UseWhiteList" setting: 1 asks once about the whole host, any other value asks about a
// dotted address once and otherwise about each domain level, stopping at the first refusal.
// False without a request when no server is set, or for a host without "." in the domain-level
// form. Each request waits at most `timeoutMs`, running the main loop meanwhile; it goes
// through the proxy of DownloadInfos when that says so.
bool ValidateSiteOnline(const std::string& host, std::int32_t mode,
                        std::uint32_t timeoutMs = kValidationTimeoutMs);

// True for a numeric address of four dot-separated groups of digits, each at most 255, the
// first three of 1 to 3 digits, no group but a zero one beginning with "0", the first group
// never beginning with "0".
bool IsDottedAddress(std::string_view text);

// The query value as sent: every byte but letters, digits and "-._~:" percent-encoded, so
// that a host can never add parameters or paths of its own to the request.
std::string EncodeQueryValue(std::string_view value);

}  // namespace orbeta
