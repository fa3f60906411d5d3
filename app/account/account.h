// What the voice needs of the account service: where it is, and the voice proxy the natural
// voice streams through while an account is signed in. The account client itself lives beside it.
#pragma once

#include <optional>
#include <string>

#include "speech/inworld_engine.h"

namespace orvak::Account {

// The service's base address, to which paths are appended: the user-defaults text "apiBase" when
// present, else the bundle entry "OrvakAPI", else the built-in address.
std::string base();

// The proxy for the natural voice: `base()` + "/api/voice/stream" with a token source that asks
// the keys for "account" anew each time. None when no account token is stored or the text does
// not form an http(s) address. The controller sets it on launch and whenever the account changes.
std::optional<InworldEngine::Proxy> voiceProxy();

}  // namespace orvak::Account
