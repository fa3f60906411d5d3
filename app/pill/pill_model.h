// The pill's observable model: what the views draw. Only the `Pill` changes its published values;
// each change comes with the animation the views should make it with.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/curves.h"
#include "app/pill/pill_state.h"

namespace orvak {

// The buttons of the pill: back, play/pause, skip, speed, stop and read from here.
struct PillActions {
  std::function<void()> back;
  std::function<void()> playPause;
  std::function<void()> skip;
  std::function<void()> speed;
  std::function<void()> stop;
  std::function<void()> readFromHere;
};

class PillModel {
 public:
  // The published values.
  struct Values {
    PillState state;
    bool shown = false;     // the capsule is in (drives the entry and leave animation)
    bool hover = false;     // the pointer is over the pill
    bool controls = false;  // the state may show the offer button and the hover controls
    std::optional<std::string> offer;
    std::optional<PillNotice> notice;  // a notice card replaces the capsule while set
    bool operator==(const Values&) const = default;
  };

  const Values& values() const { return values_; }
  const PillState& state() const { return values_.state; }
  bool shown() const { return values_.shown; }
  bool hover() const { return values_.hover; }
  bool controls() const { return values_.controls; }
  const std::optional<std::string>& offer() const { return values_.offer; }
  const std::optional<PillNotice>& notice() const { return values_.notice; }

  // Not published: what the buttons call, and how the root view reports its measured size.
  std::optional<PillActions> actions;
  std::function<void(double width, double height)> onSize;

  // Called after each change of the published values, with its curve (none: at once).
  std::function<void(std::optional<Curve>)> onChange;

  // Applies `edit` to the values as one change; tells `onChange` only when something changed.
  void change(std::optional<Curve> curve, const std::function<void(Values&)>& edit);

 private:
  Values values_;
};

}  // namespace orvak
