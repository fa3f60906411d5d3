#include "app/pill/pill_model.h"

namespace orvak {

const char* kindName(PillState::Kind kind) {
  switch (kind) {
    case PillState::Kind::working:
      return "working";
    case PillState::Kind::reading:
      return "reading";
    case PillState::Kind::paused:
      return "paused";
    case PillState::Kind::listening:
      return "listening";
    case PillState::Kind::saved:
      return "saved";
    case PillState::Kind::info:
      return "info";
    case PillState::Kind::warn:
      return "warn";
    case PillState::Kind::finished:
      return "finished";
  }
  return "info";
}

void PillModel::change(std::optional<Curve> curve, const std::function<void(Values&)>& edit) {
  Values next = values_;
  edit(next);
  // A notice's action is not part of its equality, and actions cannot be compared: while a card
  // is up every change is published, so a new card with the same title always replaces the old.
  const bool cardUp = next.notice && values_.notice;
  if (next == values_ && !cardUp) {
    return;
  }
  values_ = std::move(next);
  if (onChange) {
    onChange(curve);
  }
}

}  // namespace orvak
