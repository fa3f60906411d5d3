#include "app/account/sign_in_link.h"

#include <unistd.h>

#include <QByteArray>
#include <algorithm>
#include <array>

#include "core/base/read_file.h"
#include "core/text/text.h"

namespace orvak::account {

namespace {

std::string percentDecoded(std::string_view s) {
  return QByteArray::fromPercentEncoding(QByteArray(s.data(), static_cast<qsizetype>(s.size()))).toStdString();
}

// The value of a shell-style assignment's right side: quotes removed, backslash escapes taken.
std::string unquote(std::string_view v) {
  std::string out;
  char quote = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const char c = v[i];
    if (quote == 0 && (c == '"' || c == '\'')) {
      quote = c;
    } else if (quote != 0 && c == quote) {
      quote = 0;
    } else if (c == '\\' && quote != '\'' && i + 1 < v.size()) {
      out.push_back(v[++i]);
    } else if (quote == 0 && c == '#') {
      break;  // a comment after the value
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::optional<std::string> activationToken(std::string_view url) {
  const auto colon = url.find(':');
  if (colon == std::string_view::npos || url.substr(0, colon) != "orvak") return std::nullopt;
  std::string_view rest = url.substr(colon + 1);
  if (rest.substr(0, 2) != "//") return std::nullopt;
  rest.remove_prefix(2);
  const auto hostEnd = rest.find_first_of("/?#");
  if (rest.substr(0, hostEnd) != "activate") return std::nullopt;
  const auto q = rest.find('?');
  if (q == std::string_view::npos) return std::nullopt;
  std::string_view query = rest.substr(q + 1);
  query = query.substr(0, query.find('#'));
  if (query.empty()) return std::nullopt;
  while (true) {
    const auto amp = query.find('&');
    const std::string_view item = query.substr(0, amp);
    const auto eq = item.find('=');
    if (percentDecoded(item.substr(0, eq)) == "token") {
      if (eq == std::string_view::npos) return std::nullopt;
      return percentDecoded(item.substr(eq + 1));
    }
    if (amp == std::string_view::npos) return std::nullopt;
    query.remove_prefix(amp + 1);
  }
}

std::string deviceName(std::string_view machineInfo, std::string_view hostName) {
  std::string pretty;
  std::size_t start = 0;
  while (start <= machineInfo.size()) {
    const auto end = std::min(machineInfo.find('\n', start), machineInfo.size());
    const std::string line(text::trim(machineInfo.substr(start, end - start)));
    static constexpr std::string_view kKey = "PRETTY_HOSTNAME=";
    if (line.rfind(kKey, 0) == 0) pretty = std::string(text::trim(unquote(std::string_view(line).substr(kKey.size()))));
    start = end + 1;
  }
  if (!pretty.empty()) return pretty;
  if (!hostName.empty()) return std::string(hostName);
  return "Linux";
}

std::string thisDeviceName() {
  std::string info;
  if (auto bytes = readWholeFile("/etc/machine-info")) info = *bytes;
  std::array<char, 256> host{};
  std::string hostName;
  if (::gethostname(host.data(), host.size() - 1) == 0) hostName = std::string(text::trim(host.data()));
  return deviceName(info, hostName);
}

}  // namespace orvak::account
