// What the application says in passing, on the pill: a short note, or a warning with its cue
// sound, which the status menu shows as the last error until a read captures a page again. A
// saved highlight or note also tells the library, and the page being read, at once.
//
// Made by the controller and lent to the parts that speak to the user (reads, voice commands).
// Main queue only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/audio/audio_graph.h"
#include "app/audio/earcon.h"
#include "app/pill/pill.h"
#include "core/library/research_item.h"
#include "platform/notify.h"

namespace orvak {

class Notices {
 public:
  struct Parts {
    std::shared_ptr<Pill> pill;
    // Where a note just saved is read back from, to show it with its notice; none: not shown.
    std::function<ResearchStore*()> store;
    std::shared_ptr<platform::NotificationCenter> notifications;  // none: the library is not told
    std::shared_ptr<AudioGraph> graph;                            // none: the process's shared graph
    // Plays a cue sound while the graph's engine is not running; none: Earcon's own players.
    std::function<void(Earcon::Kind)> playSound;
  };

  explicit Notices(Parts parts);

  // A short note on the pill. "Highlighted…" and "Note saved…" (a saved highlight or note) also
  // tell the library, and a highlight calls `onHighlighted`.
  void note(const std::string& text);
  // A warning on the pill with the warning cue, kept as the last error; calls `onFailed`.
  void fail(const std::string& text);
  const std::optional<std::string>& lastError() const { return lastError_; }
  void clearError() { lastError_.reset(); }

  // Set by the owner: the page being read shows a new highlight; the status menu shows an error.
  std::function<void()> onHighlighted;
  std::function<void()> onFailed;

 private:
  AudioGraph& graph();

  Parts parts_;
  std::optional<std::string> lastError_;
};

}  // namespace orvak
