// Everything the controller is built from: the desktop's services and the makers of the parts
// that need the application's windows. The shell fills it for the real desktop or a simulated
// one; tests fill it with doubles.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/account/account_client.h"
#include "app/account/library_service.h"
#include "app/audio/audio_graph.h"
#include "app/audio/earcon.h"
#include "app/capture/capture.h"
#include "app/controller/voice_commands.h"
#include "app/highlight/highlight_overlay.h"
#include "app/menu/status_menu.h"
#include "app/onboarding/onboarding_host.h"
#include "app/pill/pill_panel.h"
#include "app/windows/windows.h"
#include "app/windows/windows_host.h"
#include "platform/audio_hardware.h"
#include "platform/ax.h"
#include "platform/events.h"
#include "platform/microphone.h"
#include "platform/network.h"
#include "platform/notify.h"
#include "platform/session.h"
#include "platform/workspace.h"
#include "speech/engine.h"
#include "speech/vendor.h"

namespace orvak {

class Prefs;
class DebugBus;

// The application as the window manager and the windows it makes see it.
struct WindowsHosts {
  std::unique_ptr<WindowsHost> windows;
  // The first-run window's, made with each such window: `finish` ends onboarding, `hasTray` asks
  // the desktop whether it has a system tray now.
  std::function<std::unique_ptr<OnboardingHost>(std::function<void()> finish, std::function<bool()> hasTray)>
      onboarding;
};

// What the status menu leaves to the desktop; each may be empty.
struct MenuHooks {
  std::function<void(const std::filesystem::path&)> open;
  // The feedback form, started with the signed-in account's e-mail.
  std::function<void(std::optional<std::string> email)> feedback;
  std::function<void()> quit;
};

struct AppServices {
  std::shared_ptr<ax::System> ax;
  std::shared_ptr<platform::Events> events;
  std::shared_ptr<platform::Workspace> workspace;
  std::shared_ptr<platform::Microphone> microphone;
  std::shared_ptr<platform::Network> network;
  std::shared_ptr<platform::Session> session;
  std::shared_ptr<platform::NotificationCenter> notifications;
  // Where sound goes and who records (the interruption watch); none: the system's.
  std::shared_ptr<platform::AudioHardware> audioHardware;
  std::shared_ptr<PillPanel> pillPanel;
  std::shared_ptr<Screens> screens;
  std::shared_ptr<Prefs> prefs;
  std::shared_ptr<AccountClient> account;
  // Questions and documents about the library; none: the account, when it is the service's client.
  std::shared_ptr<LibraryService> library;
  // Made at launch, once the application can show windows, from the hosts the controller makes.
  std::function<std::unique_ptr<Windows>(WindowsHosts)> makeWindows;
  std::function<std::unique_ptr<StatusMenu>(std::unique_ptr<MenuHost>)> makeStatusMenu;
  MenuHooks menuHooks;
  // Makes a vendor's speech engine; none: the engine factory. Reads play through `graph`; none:
  // the process's shared audio graph.
  std::function<std::shared_ptr<SpeechEngine>(Vendor, const EngineConfig&)> makeEngine;
  std::shared_ptr<AudioGraph> graph;
  // Makes the overlay the band of one read is drawn on; none: reads have no band.
  HighlightOverlayFactory makeOverlay;
  // Offers to send the report of an earlier crash; none: no crash reporter.
  std::function<void()> offerCrashReport;
  // Loads the natural voices anew from the service (after a sign-in); none: nothing to load.
  std::function<void()> reloadVoices;
  // Carries the developer control channel's messages; none: no channel, whatever the flag says.
  std::shared_ptr<DebugBus> debugBus;
  // Makes the voice-command controller at launch; none: no voice commands.
  std::function<std::shared_ptr<VoiceCommands>(const VoiceCommandParts&)> makeVoice;
  // Plays a cue sound while the audio graph's engine is not running; none: Earcon's own players.
  std::function<void(Earcon::Kind)> playSound;
  // Captures the front window for a read, calling `done` on the main queue; none: the
  // controller's capturer. Tests hold a capture back this way to order it after other events.
  std::function<void(std::uint64_t handlerTime, std::function<void(CaptureOutcome)> done)> captureForRead;
  // Hears each step of the launch by name, as it begins (tests and the workbench); none: nobody.
  std::function<void(const char* step)> onLaunchStep;
};

}  // namespace orvak
