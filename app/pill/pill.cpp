#include "app/pill/pill.h"

#include <cmath>
#include <string_view>

#include "core/text/text.h"

namespace orvak {
namespace {

using Kind = PillState::Kind;

// The ellipsis character, trimmed from both ends of a starting read's text.
constexpr std::string_view kEllipsis = "…";

std::string trimEllipsis(std::string_view s) {
  while (s.starts_with(kEllipsis)) {
    s.remove_prefix(kEllipsis.size());
  }
  while (s.ends_with(kEllipsis)) {
    s.remove_suffix(kEllipsis.size());
  }
  return std::string(s);
}

PillState plain(Kind kind, std::string state, std::string sub = {}) {
  PillState s;
  s.kind = kind;
  s.state = std::move(state);
  s.sub = std::move(sub);
  return s;
}

// The panel stands this far below the bottom of the available area: its transparent margin
// (34) minus the capsule's distance above that bottom (28).
constexpr double kPanelBelowBottom = 34 - 28;

}  // namespace

PillState showState(const std::string& text, Pill::Tone tone) {
  switch (tone) {
    case Pill::Tone::working: {
      constexpr std::string_view prefix = "Reading ";
      if (text.starts_with(prefix) && text::graphemeCount(text) > 9) {
        const auto rest = text::graphemeSubstring(text, 8, text::graphemeCount(text) - 8);
        return plain(Kind::working, "Reading", trimEllipsis(rest));
      }
      return plain(Kind::working, trimEllipsis(text));
    }
    case Pill::Tone::info:
      return plain(Kind::info, text);
    case Pill::Tone::warn:
      return plain(Kind::warn, text);
    case Pill::Tone::listening:
      return plain(Kind::listening, "Listening…");
  }
  return plain(Kind::info, text);
}

std::shared_ptr<Pill> Pill::make(std::shared_ptr<PillPanel> panel, std::shared_ptr<Screens> screens) {
  std::shared_ptr<Pill> pill(new Pill(std::move(panel), std::move(screens)));
  std::weak_ptr<Pill> weak = pill;
  pill->model_.onSize = [weak](double w, double h) {
    if (auto p = weak.lock()) {
      p->fit(w, h);
    }
  };
  return pill;
}

Pill::Pill(std::shared_ptr<PillPanel> panel, std::shared_ptr<Screens> screens)
    : panel_(std::move(panel)), screens_(std::move(screens)) {
  panel_->setIgnoresMouse(true);
}

dispatch::WorkItem Pill::after(double seconds, std::function<void(Pill&)> task) {
  std::weak_ptr<Pill> weak = weak_from_this();
  return dispatch::main().asyncAfter(seconds, [weak, task = std::move(task)] {
    if (auto p = weak.lock()) {
      task(*p);
    }
  });
}

void Pill::cancel(std::optional<dispatch::WorkItem>& slot) {
  if (slot) {
    slot->cancel();
    slot.reset();
  }
}

bool Pill::hidePending() const { return hideWork_ && !hideWork_->isDone(); }
bool Pill::transientPending() const { return transientWork_ && !transientWork_->isDone(); }
bool Pill::shrinkPending() const { return shrinkWork_ && !shrinkWork_->isDone(); }

void Pill::display(const PillState& state, bool controls) {
  cancel(hideWork_);
  PillState next = state;
  const auto& current = model_.state();
  const bool same = next.kind == current.kind && next.state == current.state && next.sub == current.sub;
  next.serial = same ? current.serial : current.serial + 1;
  panel_->setIgnoresMouse(!controls);
  if (model_.shown() && panel_->isVisible()) {
    model_.change(Curve::ease, [&](PillModel::Values& v) {
      v.state = next;
      v.controls = controls;
    });
    return;
  }
  screenFrame_ = screens_->underPointer();
  model_.change(std::nullopt, [&](PillModel::Values& v) {
    v.state = next;
    v.controls = controls;
    v.hover = false;
  });
  panel_->setAlpha(1);
  panel_->orderFront();
  model_.change(Curve::enter, [](PillModel::Values& v) { v.shown = true; });
}

void Pill::fit(double width, double height) {
  const auto frame = screenFrame_ ? screenFrame_ : screens_->primary();
  if (!frame) {
    return;
  }
  cancel(shrinkWork_);
  const double w = std::ceil(width);
  const double h = std::ceil(height);
  const double x = std::round(frame->x + frame->width / 2 - w / 2);  // halves away from zero
  const double y = frame->y + frame->height + kPanelBelowBottom - h;
  const ax::Rect target{x, y, w, h};
  if (panel_->frame().width <= w || !panel_->isVisible()) {
    panel_->setFrame(target);
    return;
  }
  // A visible pill that narrows waits until its contents have animated smaller.
  shrinkWork_ = after(0.34, [target](Pill& p) { p.panel_->setFrame(target); });
}

void Pill::show(const std::string& text, Tone tone, std::optional<double> hideAfter) {
  player_.reset();
  transient_.reset();
  cancel(transientWork_);
  if (tone == Tone::working) {
    savedThisRead_ = 0;
  }
  display(showState(text, tone), false);
  if (hideAfter) {
    scheduleHide(*hideAfter);
  }
}

void Pill::finish() {
  const int n = savedThisRead_;
  player_.reset();
  transient_.reset();
  cancel(transientWork_);
  display(plain(Kind::finished, "Finished", n >= 1 ? std::to_string(n) + " saved to your notes" : ""), false);
  scheduleHide(2.4);
}

void Pill::hide() {
  cancel(hideWork_);
  cancel(transientWork_);
  player_.reset();
  transient_.reset();
  // A card that was up when the pill went away must not come back with the next state.
  model_.change(std::nullopt, [](PillModel::Values& v) { v.notice.reset(); });
  if (!model_.shown()) {
    return;
  }
  panel_->setIgnoresMouse(true);
  model_.change(Curve::leave, [](PillModel::Values& v) {
    v.shown = false;
    v.hover = false;
  });
  hideWork_ = after(0.3, [](Pill& p) {
    if (!p.model_.shown()) {
      p.panel_->orderOut();
    }
  });
}

void Pill::scheduleHide(double seconds) {
  cancel(hideWork_);
  hideWork_ = after(seconds, [](Pill& p) { p.hide(); });
}

void Pill::restore() {
  transient_.reset();
  if (player_) {
    display(*player_, true);
  } else {
    hide();
  }
}

void Pill::flash(const std::string& text, const std::optional<std::string>& note) {
  cancel(transientWork_);
  if (text.empty()) {
    restore();
    return;
  }
  const FlashLook look = flashLook(text, note);
  if (look.counts) {
    ++savedThisRead_;
  }
  const PillState s = plain(look.kind, look.state, look.sub);
  transient_ = s;
  display(s, false);
  if (look.seconds) {
    transientWork_ = after(*look.seconds, [](Pill& p) { p.restore(); });
  }
}

void Pill::notice(const std::string& title, const std::string& sub, bool warn, const std::string& actionTitle,
                  const std::string& icon, std::function<void()> action) {
  cancel(transientWork_);
  const PillState s = plain(warn ? Kind::warn : Kind::info, title, sub);
  transient_ = s;
  std::weak_ptr<Pill> weak = weak_from_this();
  PillNotice card{actionTitle, icon, [weak, action = std::move(action)] {
                    if (action) {
                      action();
                    }
                    if (auto p = weak.lock()) {
                      // The card is gone, and its timed end with it.
                      cancel(p->transientWork_);
                      p->model_.change(std::nullopt, [](PillModel::Values& v) { v.notice.reset(); });
                      p->restore();
                    }
                  }};
  model_.change(Curve::ease, [&](PillModel::Values& v) { v.notice = std::move(card); });
  display(s, true);
  scheduleNoticeEnd(8);
}

void Pill::scheduleNoticeEnd(double seconds) {
  cancel(transientWork_);
  transientWork_ = after(seconds, [](Pill& p) {
    p.model_.change(Curve::ease, [](PillModel::Values& v) { v.notice.reset(); });
    p.restore();
  });
}

void Pill::hovered(bool inside) {
  if (inside == model_.hover()) {
    return;
  }
  model_.change(Curve::ease, [inside](PillModel::Values& v) { v.hover = inside; });
  if (!model_.notice()) {
    return;
  }
  if (inside) {
    cancel(transientWork_);
  } else {
    scheduleNoticeEnd(3);
  }
}

void Pill::setOffer(std::optional<std::string> offer) {
  if (offer == offer_) {
    return;
  }
  offer_ = std::move(offer);
  model_.change(Curve::ease, [this](PillModel::Values& v) { v.offer = offer_; });
}

void Pill::setActions(std::optional<Actions> actions) {
  actions_ = actions;
  model_.actions = std::move(actions);
}

void Pill::playerChanged(const PillState& state) {
  player_ = state;
  if (!transient_) {
    display(state, true);
  }
}

}  // namespace orvak
