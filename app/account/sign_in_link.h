// The two small pieces of signing in that need no service: reading the token out of a sign-in
// link, and the name this computer gives itself when it asks for a device token.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvak::account {

// The link token of "orvak://activate?token=...", or none when the link is of another shape. The
// scheme and host are compared as written, letter case included (URL parsers lower-case them,
// so this reads the text itself); the query must hold items, and the first item named exactly
// "token" is taken, percent-decoded ("+" stays "+"). An item "token" without "=" has no value
// and gives none; "token=" gives the empty text.
std::optional<std::string> activationToken(std::string_view url);

// The name sent with an activation: PRETTY_HOSTNAME of `machineInfo` (the text of
// /etc/machine-info, shell-style assignments) when set, else `hostName`, else "Linux".
std::string deviceName(std::string_view machineInfo, std::string_view hostName);
// `deviceName` of this computer's /etc/machine-info and host name.
std::string thisDeviceName();

}  // namespace orvak::account
