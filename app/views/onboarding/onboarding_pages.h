// The first-run window's later pages: the voice cards, the sample page read aloud inside the
// window with its checklist, and the closing page with the cheat sheet and the login switch.
#pragma once

#include <QAbstractButton>
#include <QTextBrowser>
#include <QVariantAnimation>
#include <QWidget>
#include <vector>

#include "app/onboarding/onboarding_flow.h"

namespace orvak::views::onboarding {

// The read-only, selectable page of serif prose the try-it step reads aloud.
class SamplePage : public QTextBrowser {
 public:
  explicit SamplePage(const QString& text, QWidget* parent = nullptr);
};

// One voice: its ring, name and description, and "Hear It"; the whole card chooses the voice.
class VoiceCardButton : public QAbstractButton {
 public:
  VoiceCardButton(const OnboardingFlow::VoiceCard& card, QWidget* parent = nullptr);
  const OnboardingFlow::VoiceCard& card() const { return card_; }
  QAbstractButton* hearButton() const { return hear_; }
  // Chosen or not: the ring and the border ease from one to the other.
  void setSelected(bool selected);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  OnboardingFlow::VoiceCard card_;
  QAbstractButton* hear_;
  QWidget* ring_;
  double shown_;  // 0 not chosen, 1 chosen
  QVariantAnimation ease_;
};

// A page carrying this property (true) fills the page area: its last part takes the height left.
inline constexpr const char* kFillsPage = "orvakFillsPage";

QWidget* voicePage(OnboardingFlow& flow);
// `wasDone`: the checklist's rows as last drawn (empty on entering the step); rows done since
// fill in with the ease curve.
QWidget* tryItPage(OnboardingFlow& flow, const std::vector<bool>& wasDone);
// The login switch comes before the cheat sheet, which scrolls inside its card: the page fits
// the fixed window with its one control in sight.
QWidget* readyPage(OnboardingFlow& flow);

}  // namespace orvak::views::onboarding
