// Small pieces the cloud engines share: where a vendor is, random identifiers, and what a refused
// websocket handshake said.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace orvak::net {

// `fixed` ("https://api.example.com"), or the value of the environment variable `envName` when it
// is set and not empty: tests point an engine at a local server this way ("http://127.0.0.1:8123").
// A trailing "/" of the variable's value is dropped.
std::string vendorBase(std::string_view fixed, const char* envName);

// True when a secret (a vendor key, the device token) may travel to `address`: encrypted (https,
// wss), or in clear only to this machine (http or ws to 127.0.0.1, ::1 or localhost), so an
// override that points elsewhere over a plain connection never gets it.
bool maySendSecret(std::string_view address);

// A new random UUID in its 36-character lower-case text form.
std::string newUuid();

// "60 s", "0.25 s": a time-out as the error texts name it.
std::string secondsText(double seconds);

// The HTTP status of a refused websocket handshake and a readable description of the failure,
// from the socket's error text (0 and the text itself, without its "Class::function: " origin,
// when no status is named).
std::pair<int, std::string> handshakeFailure(std::string_view errorText);

}  // namespace orvak::net
