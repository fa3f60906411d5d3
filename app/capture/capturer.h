// Reads the window in front of the user into one `Capture`.
//
// A capture checks that Orvak may read and is allowed to read the front application, picks and
// walks its window, gives web content time to appear, switches on the accessibility of Electron
// applications (which expose nothing until asked), prepares the online document editor's pages
// so that their text is exposed, cleans the nodes, tests for a private window and reads the
// user's selection. Every capture runs on the capturer's own serial queue "orvak.capture", one at
// a time, blocking it for all its waits (which come from the dispatch clock, so tests run in
// virtual time); the answer arrives on the main queue.
#pragma once

#include <sys/types.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/capture/ax_walker.h"
#include "app/capture/capture.h"
#include "core/base/dispatch.h"
#include "platform/ax.h"
#include "platform/events.h"
#include "platform/workspace.h"

namespace orvak {

class Capturer : public std::enable_shared_from_this<Capturer> {
  struct Token {};

 public:
  // Sets the process-wide Accessibility time-out (on the system-wide element) to 1 second.
  static std::shared_ptr<Capturer> make(std::shared_ptr<ax::System> ax, std::shared_ptr<platform::Workspace> workspace,
                                        std::shared_ptr<platform::Events> events);
  Capturer(Token, std::shared_ptr<ax::System> ax, std::shared_ptr<platform::Workspace> workspace,
           std::shared_ptr<platform::Events> events);
  Capturer(const Capturer&) = delete;
  Capturer& operator=(const Capturer&) = delete;

  using Done = std::function<void(CaptureOutcome)>;
  // Returns at once; `done` is called on the main queue. `handlerTime` is the monotonic
  // nanoseconds of the event that asked for the capture.
  void capture(std::uint64_t handlerTime, Done done);

  // Write a capture dump after each capture of a window that is not private. Set on the main
  // thread from the settings (see capture_settings.h), read by the capture run.
  std::atomic<bool> saveDumps{false};
  // Capture this program's own window too; on only while onboarding shows its try-it step.
  std::atomic<bool> allowSelf{false};

  static constexpr double kProcessTimeout = 1.0;
  static constexpr int kMaxWebRewalks = 8;
  static constexpr double kWebRewalkDelay = 0.2;
  static constexpr int kMaxDocumentTries = 14;
  static constexpr double kDocumentTryDelay = 0.25;
  static constexpr double kKeyReleasePoll = 0.01;
  static constexpr double kKeyReleaseLimitMs = 800;
  // The editor's braille-mode chord: H with Command and Option.
  static constexpr int kBrailleKeyCode = 4;

  static constexpr std::array<std::string_view, 3> dialogSubroles = {"AXApplicationDialog",
                                                                     "AXApplicationAlertDialog", "AXDialog"};

  // Characters of the texts inside the walk's web areas (the areas' own texts not counted).
  static std::int64_t webChars(const std::vector<AXNode>& nodes);
  // "ready", "brailleOnButEmpty" or "off": how far the editor's document text is exposed.
  static std::string docsState(const std::vector<AXNode>& nodes);
  // The editor's braille-mode announcements, in node order.
  static std::vector<std::string> brailleLog(const std::vector<AXNode>& nodes);

 private:
  CaptureOutcome run(std::uint64_t handlerTime);
  std::optional<std::string> selectedText(const ax::Element& application) const;
  // Sends the editor's braille-mode chord and walks until the document text shows; replaces
  // `walk` with the last walk and returns the step's summary.
  std::string prepareDocument(pid_t pid, const ax::Element& window, WalkResult& walk, int& attempts);

  std::shared_ptr<ax::System> ax_;
  std::shared_ptr<platform::Workspace> workspace_;
  std::shared_ptr<platform::Events> events_;
  std::shared_ptr<dispatch::Queue> queue_;
  // Electron applications whose accessibility this capturer switched on, by process id, with the
  // launch of the process it was switched on for. Touched only on `queue_`; only grows.
  std::map<pid_t, std::uint64_t> enabledPids_;
};

}  // namespace orvak
