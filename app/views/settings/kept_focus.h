// The keyboard's focus across a rebuild: a page that throws its controls away and builds them
// anew (on every catalogue or account change) would otherwise leave the focus wherever Qt moves
// it when the focused control goes, and the next key press lands there.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QWidget>
#include <optional>
#include <string>

namespace orvak::views::settings {

class KeptFocus {
 public:
  // Before the rebuild: names the control when it holds the focus (a null control is skipped).
  void note(const QWidget* control, std::string name) {
    if (!control || QApplication::focusWidget() != control) return;
    name_ = std::move(name);
    if (const auto* field = qobject_cast<const QLineEdit*>(control)) cursor_ = field->cursorPosition();
  }
  bool held() const { return name_.has_value(); }

  // After the rebuild: gives the focus to the control of the noted name when it is enabled; a
  // field gets its cursor back where it was. True when it did.
  bool giveBack(QWidget* control, const std::string& name) const {
    if (!control || name_ != name || !control->isEnabled()) return false;
    // A control put straight into a shown layout waits for a show the layout posts; until then Qt
    // holds a focus given to it aside and leaves the focus where the rebuild moved it, so that a
    // key pressed before the show goes there. Shown now, it takes the focus at once.
    if (control->isHidden() && !control->testAttribute(Qt::WA_WState_ExplicitShowHide)) control->show();
    control->setFocus(Qt::OtherFocusReason);
    if (auto* field = qobject_cast<QLineEdit*>(control); field && cursor_) field->setCursorPosition(*cursor_);
    return true;
  }

 private:
  std::optional<std::string> name_;
  std::optional<int> cursor_;
};

}  // namespace orvak::views::settings
