// The Voice page's host over the window manager's host: test reads through the controller, the
// key store, the shared voice catalogue with the account as its source, and the engines' lists.
#pragma once

#include <memory>

#include "app/settings/voice_page_host.h"
#include "app/voice_catalog/voice_source.h"

namespace orvak {

class Account;
class WindowsHost;

std::unique_ptr<VoicePageHost> voicePageHostOver(WindowsHost& host);

}  // namespace orvak
