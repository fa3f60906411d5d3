// Pictures of the key chooser for `orvak-dev shot hotkey-picker`.
#pragma once

#include "app/views/shots.h"

namespace orvak::views::hotkey {

// "hotkey-picker": [--compact] [--state idle|waiting|checking|ok|clash] [--key CODE] [--names "A,B"].
Shot hotkeyPickerShot();

}  // namespace orvak::views::hotkey
