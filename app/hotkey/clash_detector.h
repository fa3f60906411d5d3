// Watches which other applications react to the trigger key while the hotkey test is on: a
// rolling series of snapshots of the windows on screen and a list of applications that came to
// the front. After the double tap, the windows present 1.2 s later are compared with those present
// just before the first press; every application that opened a window or came to the front in
// that time is named.
//
// Main thread only; the delayed verdict and the snapshot timer hold the detector weakly.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/base/dispatch.h"
#include "platform/workspace.h"

namespace orvak {

class ClashDetector : public std::enable_shared_from_this<ClashDetector> {
  struct Token {};

 public:
  struct Win {
    std::int64_t number = 0;
    std::string owner;
    pid_t pid = 0;
    auto operator<=>(const Win&) const = default;
  };
  using Names = std::vector<std::string>;

  static constexpr double kSnapshotInterval = 0.2;
  static constexpr std::size_t kMaxSnapshots = 20;
  static constexpr double kVerdictDelay = 1.2;
  static constexpr double kBeforePress = 0.05;  // what counts as "just before the first press"
  static constexpr double kMinSide = 12;        // smaller windows are not windows anyone sees
  static constexpr double kMinAlpha = 0.05;

  // The desktop's own processes (X server, window managers, panels, docks, notification daemons):
  // their windows come and go with any key and are never reported.
  static const std::set<std::string>& ignoredOwners();

  static std::shared_ptr<ClashDetector> make(std::shared_ptr<platform::Workspace> workspace);
  ClashDetector(Token, std::shared_ptr<platform::Workspace> workspace);
  ClashDetector(const ClashDetector&) = delete;
  ClashDetector& operator=(const ClashDetector&) = delete;

  // Starts watching afresh: one snapshot now, one every 0.2 s (the last 20 kept), and every
  // activation of another application.
  void arm();
  // Stops watching and forgets what was seen. A check already under way still delivers.
  void disarm();
  // In 1.2 s, calls `done` with the sorted names of the applications that opened a window since
  // just before `firstPressAt` (seconds on the monotonic clock) or came to the front from then on.
  // A check whose detector was armed again meanwhile belongs to a test that is over: it is
  // dropped without a call.
  void check(double firstPressAt, std::function<void(Names)> done);

  // The windows on screen that count, without those of process `excluding`.
  static std::set<Win> snapshot(platform::Workspace& workspace, pid_t excluding);

  bool isArmed() const { return timer_.isActive(); }
  pid_t me() const { return me_; }

 private:
  struct Snapshot {
    double t = 0;
    std::set<Win> wins;
  };
  struct Activation {
    double t = 0;
    std::string name;
  };

  std::shared_ptr<platform::Workspace> workspace_;
  dispatch::RepeatingTimer timer_;
  std::vector<Snapshot> history_;
  std::vector<Activation> activations_;
  std::optional<std::uint64_t> observer_;
  pid_t me_ = 0;
  std::uint64_t arms_ = 0;  // which arm() a check belongs to
};

}  // namespace orvak
