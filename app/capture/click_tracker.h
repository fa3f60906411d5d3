// Remembers where the user last clicked in another application, so that a read can start at the
// sentence they clicked.
//
// Each left mouse-down in another application is turned into the Accessibility element under the
// pointer on the tracker's own queue "orvak.clicks" (the main thread never waits for another
// application); the click is then kept on the main thread. When a read starts, `offset` maps that
// element (or the nearest of its ancestors that produced text) to the start of its sentence in
// the captured page.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "app/capture/capture.h"
#include "core/base/dispatch.h"
#include "platform/ax.h"
#include "platform/events.h"
#include "platform/workspace.h"

namespace orvak {

class ClickTracker : public std::enable_shared_from_this<ClickTracker> {
  struct Token {};

 public:
  struct Click {
    ax::Element element;  // under the pointer
    pid_t pid = 0;        // of the application that owns it
    std::uint64_t at = 0; // monotonic nanoseconds when it was recorded
  };

  static std::shared_ptr<ClickTracker> make(std::shared_ptr<ax::System> ax, std::shared_ptr<platform::Events> events,
                                            std::shared_ptr<platform::Workspace> workspace);
  ClickTracker(Token, std::shared_ptr<ax::System> ax, std::shared_ptr<platform::Events> events,
               std::shared_ptr<platform::Workspace> workspace);
  ClickTracker(const ClickTracker&) = delete;
  ClickTracker& operator=(const ClickTracker&) = delete;

  // Starts watching clicks, for the life of the process. Call once, on the main thread.
  void start();

  // Main thread. Where a read of `capture` should begin because of a recent click in its
  // application: the start of the sentence holding the clicked element's text, or that of its
  // nearest ancestor (at most nine up) that has text in the page. None without such a click.
  // Spends at most about `kResolveBudget` seconds waiting for Accessibility answers.
  std::optional<int> offset(const Capture& capture);

  // The offset of the start of the sentence holding character `offset` of `text`: just after the
  // nearest preceding line feed, or after the nearest preceding ".", "!" or "?" followed by a
  // space, else 0. Knows no abbreviations.
  static int sentenceStart(std::string_view text, int offset);

  // Main thread.
  const std::optional<Click>& last() const { return last_; }
  // Forgets the remembered click, so that it serves one read only.
  void forget() { last_.reset(); }
  bool isWatching() const { return monitor_.has_value(); }

  static constexpr double kMaxAgeSeconds = 180;
  static constexpr double kPositionTimeout = 0.25;  // also becomes the process-wide time-out
  static constexpr double kParentTimeout = 0.2;
  static constexpr double kResolveBudget = 0.3;
  static constexpr int kMaxLevels = 10;  // the clicked element and nine ancestors

 private:
  void record(ax::Point at);

  std::shared_ptr<ax::System> ax_;
  std::shared_ptr<platform::Events> events_;
  std::shared_ptr<platform::Workspace> workspace_;
  std::shared_ptr<dispatch::Queue> queue_;
  std::optional<std::uint64_t> monitor_;
  std::optional<Click> last_;
};

}  // namespace orvak
