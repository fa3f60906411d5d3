#include "app/settings/voice_page_model.h"

#include "app/menu/status_menu.h"
#include "app/prefs.h"

namespace orvak::VoicePageModel {

std::vector<VendorRow> vendorRows(bool developer, Vendor chosen,
                                  const std::function<bool(std::string_view keyName)>& hasKey) {
  std::vector<VendorRow> out;
  for (Vendor v : offeredVendors(developer)) {
    std::string title(displayName(v));
    if (developer) title += " · " + std::string(label(v));
    const auto key = keyName(v);
    std::string subtitle;
    if (key && !hasKey(*key)) {
      subtitle = developer ? "Needs a key (Settings → Keys)" : "Not set up on this computer yet";
    } else {
      subtitle = std::string(blurb(v));
    }
    out.push_back({v, title, subtitle, v == chosen});
  }
  return out;
}

Chooser chooser(const ChooserInputs& in) {
  switch (in.vendor) {
    case Vendor::onDevice:
      return Chooser::onDeviceMenu;
    case Vendor::cartesia:
      return Chooser::voiceIdField;
    case Vendor::inworld:
      break;
  }
  if ((in.accountToken || (in.debugControl && in.catalogHasList)) && !in.developer) return Chooser::picker;
  return in.engineListEmpty ? Chooser::naturalField : Chooser::naturalMenu;
}

std::vector<SpeedButton> speedStrip(float speed) {
  std::vector<SpeedButton> out;
  for (float v : Prefs::speeds) out.push_back({StatusMenu::speed(v), v, v == speed});
  return out;
}

}  // namespace orvak::VoicePageModel
