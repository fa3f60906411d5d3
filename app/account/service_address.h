// Where a request to the maker's service may go. Paths are appended to the base as text; the
// result must parse strictly as an http or https address with a host. The device token goes
// further only to https, or to plain http on this machine's loopback (the fake service): never in
// clear text across a network, whatever "apiBase" holds.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvak::account {

// True when `address` parses strictly with the scheme http or https and a host.
bool isValidAddress(std::string_view address);
// True when a valid `address` may carry the device token: https, or http to 127.0.0.1, ::1 or
// localhost.
bool mayCarryToken(std::string_view address);

// `value` percent-encoded as a query value: every byte but the unreserved letters, digits and
// "-", ".", "_", "~" becomes %XX.
std::string encodeQueryValue(std::string_view value);

}  // namespace orvak::account
