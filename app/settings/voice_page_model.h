// The Voice page's logic: the vendor rows, which voice chooser shows under them, and the speed
// strip. The sample read goes through the controller's trigger like every read.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "speech/vendor.h"

namespace orvak::VoicePageModel {

struct VendorRow {
  Vendor vendor;
  std::string title;
  std::string subtitle;
  bool selected;
  bool operator==(const VendorRow&) const = default;
};

// One row per offered vendor; `hasKey` says whether a key is stored under a key name.
std::vector<VendorRow> vendorRows(bool developer, Vendor chosen,
                                  const std::function<bool(std::string_view keyName)>& hasKey);

enum class Chooser {
  onDeviceMenu,  // "Voice": "Best installed", then the installed voices
  voiceIdField,  // "Voice ID": the alternate vendor's voice as typed
  picker,        // the natural voice picker
  naturalMenu,   // "Voice": the engine's own voice list
  naturalField,  // "Voice": a text field, when that list is empty
};

struct ChooserInputs {
  Vendor vendor = Vendor::inworld;
  bool developer = false;
  bool debugControl = false;
  bool accountToken = false;
  bool catalogHasList = false;
  bool engineListEmpty = false;
};
Chooser chooser(const ChooserInputs& in);

struct SpeedButton {
  std::string label;
  float value;
  bool selected;
  bool operator==(const SpeedButton&) const = default;
};
// The six speeds with the status menu's labels; the one equal to `speed` is selected.
std::vector<SpeedButton> speedStrip(float speed);

inline constexpr const char* kSampleText =
    "This is how Orvak sounds. Double-tap the hotkey in any app to hear its window read aloud.";
inline constexpr const char* kOnDeviceCaption = "More voices: install espeak-ng voices from your package manager.";

}  // namespace orvak::VoicePageModel
