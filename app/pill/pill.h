// The pill's controller: which state is on screen, for how long, what comes back when a short
// message ends, and where the panel stands. Main queue only; every delay is a cancellable work
// item on the main queue holding the pill weakly, one slot per kind of delay.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/pill/pill_model.h"
#include "app/pill/pill_panel.h"
#include "core/base/dispatch.h"

namespace orvak {

class Pill : public std::enable_shared_from_this<Pill> {
 public:
  using Actions = PillActions;
  // The style of `show`.
  enum class Tone { working, info, warn, listening };

  static std::shared_ptr<Pill> make(std::shared_ptr<PillPanel> panel, std::shared_ptr<Screens> screens);

  // A state without controls; hidden after `hideAfter` seconds when given. Tone `working` starts
  // a read: its count of saved items starts again from 0.
  void show(const std::string& text, Tone tone, std::optional<double> hideAfter = std::nullopt);
  // The end-of-read state with the count of items saved during the read; hides 2.4 s later.
  void finish();
  // Takes the pill away: the leave animation, then the panel out 0.3 s later.
  void hide();
  // A short message chosen by its text (see the flash table); an empty text ends the current one.
  void flash(const std::string& text, const std::optional<std::string>& note = std::nullopt);
  // A notice card with one button; ends after 8 s, or 3 s after the pointer leaves it.
  void notice(const std::string& title, const std::string& sub, bool warn, const std::string& actionTitle,
              const std::string& icon, std::function<void()> action);

  // The offer button's title ("Read from here"), or none.
  const std::optional<std::string>& offer() const { return offer_; }
  void setOffer(std::optional<std::string> offer);

  // What the buttons call; set on the pill and its model alike.
  const std::optional<Actions>& actions() const { return actions_; }
  void setActions(std::optional<Actions> actions);

  // For the reading controller: the latest reading or paused state is stored as `player`, and
  // displayed with controls unless a flash or notice (`transient`) is on screen; the restore
  // step brings it back when that ends.
  void playerChanged(const PillState& state);
  const std::optional<PillState>& player() const { return player_; }
  void setPlayer(std::optional<PillState> state) { player_ = std::move(state); }
  const std::optional<PillState>& transient() const { return transient_; }
  int savedThisRead() const { return savedThisRead_; }

  // Puts a state on screen. The serial passed in is ignored: it grows by 1 when kind, state or
  // sub differ from what is shown.
  void display(const PillState& state, bool controls);
  // Ends a flash or notice: the player's state with controls, else hide.
  void restore();
  void scheduleHide(double seconds);
  void scheduleNoticeEnd(double seconds);
  // The pointer entered (true) or left (false) the pill.
  void hovered(bool inside);
  // Places the panel for the root view's measured size (width, height).
  void fit(double width, double height);

  PillModel& model() { return model_; }
  const PillModel& model() const { return model_; }
  // The available area chosen when the pill last came in.
  const std::optional<ax::Rect>& screenFrame() const { return screenFrame_; }
  // Work items pending in the three slots (hide, end of message, shrink), for tests and tools.
  bool hidePending() const;
  bool transientPending() const;
  bool shrinkPending() const;

 private:
  Pill(std::shared_ptr<PillPanel> panel, std::shared_ptr<Screens> screens);
  // Runs `task` on the pill after `seconds` if the pill still exists.
  dispatch::WorkItem after(double seconds, std::function<void(Pill&)> task);
  static void cancel(std::optional<dispatch::WorkItem>& slot);

  std::optional<Actions> actions_;
  std::optional<std::string> offer_;
  std::shared_ptr<PillPanel> panel_;
  std::shared_ptr<Screens> screens_;
  PillModel model_;
  std::optional<PillState> player_;
  std::optional<PillState> transient_;
  int savedThisRead_ = 0;
  std::optional<dispatch::WorkItem> hideWork_;
  std::optional<dispatch::WorkItem> transientWork_;
  std::optional<dispatch::WorkItem> shrinkWork_;
  std::optional<ax::Rect> screenFrame_;
};

// One row of the flash table: what a message shows and how long it stays.
struct FlashLook {
  PillState::Kind kind;
  std::string state;
  std::string sub;
  std::optional<double> seconds;  // none: stays until the next message
  bool counts = false;            // a saved highlight or note
};
FlashLook flashLook(const std::string& text, const std::optional<std::string>& note);

// The state `show` puts up for a text and tone.
PillState showState(const std::string& text, Pill::Tone tone);

}  // namespace orvak
