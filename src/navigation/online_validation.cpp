#include "navigation/online_validation.h"

#include <algorithm>
#include <array>
#include <vector>

#include "app/settings.h"
#include "lists/download.h"
#include "platform/http_client.h"

namespace orbeta {
namespace {

ValidationStatus* gStatus = nullptr;

constexpr std::string_view kAllowAnswer = "<html>1</html>";
constexpr std::string_view kHostQuestion = "LB.php?url=";
constexpr std::string_view kLevelQuestion = "LN.php?url=";

// Labels that make a two-part top-level domain with the label after them (co.uk, com.au).
constexpr std::array<std::string_view, 8> kTopLevelPairs = {"co", "tm", "com", "off", "gen", "net", "org", "in"};

void ShowStatus(const char* text) {
  if (gStatus) gStatus->SetStatusText(text, true);
}

// The base address with the "/" the request paths are appended to.
std::string ServerAddress() {
  std::string base = Settings.ValidationServer;
  if (!base.empty() && base.back() != '/') base += '/';
  return base;
}

// One question; true only for a complete 2xx answer whose body is the allow answer, in full.
bool Ask(const std::string& server, std::string_view question, std::string_view value, std::uint32_t timeoutMs) {
  HttpRequest request;
  request.address = server;
  request.address += question;
  request.address += EncodeQueryValue(value);
  request.timeoutMs = timeoutMs;
  if (DownloadInfos.UseProxy && !DownloadInfos.ProxyHost.empty())
    request.proxy = HttpProxy{DownloadInfos.ProxyHost, DownloadInfos.ProxyPort};
  request.events.connecting = [] { ShowStatus("Connecting..."); };
  request.events.succeeded = [] { ShowStatus("Connected to host !"); };
  request.events.failed = [] { ShowStatus("Connexion failed !"); };
  const HttpResult result = HttpGet(request);
  return result.success && result.body == kAllowAnswer;
}

std::vector<std::string> SplitLabels(std::string_view text) {
  std::vector<std::string> labels;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    labels.emplace_back(text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
    if (dot == std::string_view::npos) return labels;
    start = dot + 1;
  }
}

// Asks about each domain level of the host, from the registrable domain down to the host
// itself; the first refusal ends the questions.
bool AskByDomainLevels(const std::string& server, std::string_view host, std::uint32_t timeoutMs) {
  if (host.starts_with("www.")) host.remove_prefix(4);
  std::vector<std::string> labels = SplitLabels(host);
  std::string top = labels.back();
  labels.pop_back();
  // The label next to the top part first, the host's first label last.
  const std::vector<std::string> levels(labels.rbegin(), labels.rend());
  if (levels.empty()) return false;

  std::size_t first = 0;
  if (levels.size() >= 2 && std::find(kTopLevelPairs.begin(), kTopLevelPairs.end(), levels[0]) != kTopLevelPairs.end()) {
    top = levels[0] + "." + top;
    first = 1;
  } else if (levels[0] == "state" && levels.size() >= 3 && levels[1] == "city") {
    top = "city.state." + top;
    first = 2;
  }

  std::string domain = top;
  for (std::size_t i = first; i < levels.size(); ++i) {
    domain = levels[i] + "." + domain;
    if (!Ask(server, kLevelQuestion, domain, timeoutMs)) return false;
  }
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void SetValidationStatus(ValidationStatus* status) { gStatus = status; }

bool ValidateSiteOnline(const std::string& host, std::int32_t mode, std::uint32_t timeoutMs) {
  const std::string server = ServerAddress();
  // Without a server nobody can allow anything.
  if (server.empty()) return false;
  if (mode == 1 || IsDottedAddress(host)) return Ask(server, kHostQuestion, host, timeoutMs);
  return AskByDomainLevels(server, host, timeoutMs);
}

bool IsDottedAddress(std::string_view text) {
  // Positions of the three dots, counted from 1.
  std::array<std::size_t, 3> dot{};
  std::size_t dots = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '.') {
      if (dots == 3) return false;
      dot[dots++] = i + 1;
    } else if (!IsDigit(text[i])) {
      return false;
    }
  }
  if (dots != 3) return false;
  if (dot[0] < 2 || dot[0] > 4) return false;
  if (dot[1] < dot[0] + 2 || dot[1] > dot[0] + 4) return false;
  if (dot[2] < dot[1] + 2 || dot[2] > dot[1] + 4) return false;
  if (text.size() == dot[2]) return false;

  const std::array<std::size_t, 5> bounds = {0, dot[0], dot[1], dot[2], text.size() + 1};
  for (std::size_t group = 0; group < 4; ++group) {
    const std::string_view digits = text.substr(bounds[group], bounds[group + 1] - 1 - bounds[group]);
    unsigned value = 0;
    for (char c : digits) {
      value = value * 10 + static_cast<unsigned>(c - '0');
      if (value > 255) return false;
    }
    if (digits.front() == '0' && (group == 0 || value != 0)) return false;
  }
  return true;
}

std::string EncodeQueryValue(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(value.size());
  for (char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || IsDigit(c) || byte == '-' ||
                       byte == '.' || byte == '_' || byte == '~' || byte == ':';
    if (plain) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  return encoded;
}

}  // namespace orbeta
