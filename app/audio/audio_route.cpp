#include "app/audio/audio_route.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace orvak::AudioRoute {

const std::vector<KnownRecorder> knownRecorders{
    {"zoom", "Zoom"},
    {"teams", "Microsoft Teams"},
    {"ms-teams", "Microsoft Teams"},
    {"microsoft-teams", "Microsoft Teams"},
    {"slack", "Slack"},
    {"discord", "Discord"},
    {"skype", "Skype"},
    {"webex", "Webex"},
    {"ciscocollabhost", "Webex"},
    {"telegram", "Telegram"},
    {"whatsapp", "WhatsApp"},
    {"signal", "Signal"},
    {"element-desktop", "Element"},
    {"jitsi", "Jitsi Meet"},
    {"mumble", "Mumble"},
    {"gnome-calls", "Calls"},
    {"linphone", "Linphone"},
    {"ringcentral", "RingCentral"},
    {"bluejeans", "BlueJeans"},
    {"firefox", "Firefox"},
    {"chrome", "Google Chrome"},
    {"google-chrome", "Google Chrome"},
    {"chromium", "Chromium"},
    {"brave", "Brave"},
    {"msedge", "Microsoft Edge"},
    {"microsoft-edge", "Microsoft Edge"},
    {"opera", "Opera"},
    {"vivaldi", "Vivaldi"},
    {"epiphany", "Web"},
    {"librewolf", "LibreWolf"},
};

namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

const KnownRecorder* known(std::string_view name) {
  // Application names have spaces where binaries have dashes ("Google Chrome", google-chrome).
  std::string l = lower(name);
  std::replace(l.begin(), l.end(), ' ', '-');
  for (const auto& k : knownRecorders) {
    if (l.starts_with(k.prefix)) return &k;
  }
  return nullptr;
}

std::string identifierOf(const platform::RecordingProcess& p) {
  if (!p.binary.empty()) return p.binary;
  if (!p.appName.empty()) return p.appName;
  return "pid " + std::to_string(p.pid);
}

}  // namespace

bool isPersonal(const platform::OutputDevice& device) {
  const std::string bus = lower(device.bus);
  if (bus == "bluetooth") return true;
  if (bus == "usb") {
    // The words are plain ASCII, so a lower-cased search is the case-insensitive match.
    const std::string name = lower(device.name);
    for (std::string_view word : {"speaker", "display", "monitor", "studio"}) {
      if (name.find(word) != std::string::npos) return false;
    }
    return true;
  }
  if (bus == "pci" || bus == "platform" || bus == "isa") return device.headphonesPort;
  return false;
}

std::optional<Output> output(platform::AudioHardware& hardware) {
  const auto device = hardware.defaultOutput();
  if (!device) return std::nullopt;
  return Output{device->id, device->name.empty() ? "?" : device->name, isPersonal(*device)};
}

void watch(std::function<void()> onChange, platform::AudioHardware& hardware) { hardware.watch(std::move(onChange)); }

std::vector<std::string> othersRecording(platform::AudioHardware& hardware) {
  const int own = static_cast<int>(getpid());
  std::vector<std::string> result;
  std::vector<int> listed;
  for (const auto& p : hardware.recordingProcesses()) {
    if (p.pid <= 0 || p.pid == own) continue;
    // The server reports streams, and a program may record on several at once.
    if (std::find(listed.begin(), listed.end(), p.pid) != listed.end()) continue;
    listed.push_back(p.pid);
    std::string name = identifierOf(p);
    if (known(name) != nullptr) result.push_back(std::move(name));
  }
  return result;
}

std::string appName(const std::string& identifier, platform::AudioHardware& hardware) {
  for (const auto& p : hardware.recordingProcesses()) {
    if (identifierOf(p) == identifier && !p.appName.empty()) return p.appName;
  }
  if (const auto* k = known(identifier)) return std::string(k->displayName);
  return "another app";
}

}  // namespace orvak::AudioRoute
