// The help page: how to use the hotkey, the cheat sheet in full, where the user's data goes, and
// setup again and feedback. Its texts name the hotkey and follow a change of it at once.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orvak {
class Prefs;
namespace look {
class InkLabel;
class MarginButton;
}  // namespace look
}  // namespace orvak

namespace orvak::views::settings {

class CheatSheetView;
class MRow;

class HelpPage : public QWidget {
 public:
  // What the page asks of the rest of the application.
  struct Actions {
    std::function<void()> showOnboarding;
    // Opens the feedback form, with the signed-in e-mail or none.
    std::function<void(std::optional<std::string> email)> showFeedback;
    // The signed-in account's e-mail; none when no account information is present.
    std::function<std::optional<std::string>()> signedInEmail;
  };

  HelpPage(Prefs& prefs, Actions actions, QWidget* parent = nullptr);
  ~HelpPage() override;

  look::InkLabel* introduction() const { return intro_; }
  CheatSheetView* sheet() const { return sheet_; }
  look::MarginButton* setupButton() const { return setup_; }
  look::MarginButton* feedbackButton() const { return feedback_; }
  MRow* versionRow() const { return versionRow_; }

 private:
  void follow();

  Prefs& prefs_;
  Actions actions_;
  std::uint64_t observer_ = 0;
  look::InkLabel* intro_;
  CheatSheetView* sheet_;
  look::MarginButton* setup_;
  look::MarginButton* feedback_;
  MRow* versionRow_;
};

}  // namespace orvak::views::settings
