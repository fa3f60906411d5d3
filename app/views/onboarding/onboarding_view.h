// The first-run window's content, 700 x 520: the step rail on the left, the current step's page
// on the right with the footer of buttons below it. Everything it shows follows the flow
// (app/onboarding/onboarding_flow.h), which it redraws on every change.
#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/onboarding/onboarding_flow.h"

class QAbstractButton;
class QHBoxLayout;
class QLabel;

namespace orvak::views::onboarding {

class OnboardingView : public QWidget {
 public:
  static constexpr int kWidth = 700, kHeight = 520, kRailWidth = 210;

  explicit OnboardingView(std::shared_ptr<OnboardingFlow> flow, QWidget* parent = nullptr);
  // A view that owns its host, for the window manager.
  explicit OnboardingView(std::unique_ptr<OnboardingHost> host, QWidget* parent = nullptr);
  ~OnboardingView() override;

  OnboardingFlow& flow() { return *flow_; }
  // The page on screen (the one coming in during a change of step).
  QWidget* page() const { return page_; }
  QWidget* rail() const { return rail_; }
  const std::vector<QAbstractButton*>& footerButtons() const { return footer_; }
  // The accessibility hint as shown now (empty when hidden).
  QString hintText() const;
  // Moves the page to its resting place at once (pictures and tests).
  void settle();

  QSize sizeHint() const override { return {kWidth, kHeight}; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void showEvent(QShowEvent*) override;
  void hideEvent(QHideEvent*) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void redraw();
  void rebuildRail();
  void rebuildPage(bool animate);
  void rebuildFooter();
  void updateHint();
  QWidget* makePage(int step);

  std::unique_ptr<OnboardingHost> ownedHost_;  // outlives the flow, which watches it
  std::shared_ptr<OnboardingFlow> flow_;
  QWidget* rail_ = nullptr;
  std::vector<QLabel*> railRows_;
  std::vector<QWidget*> railDots_;
  QWidget* pageArea_ = nullptr;
  QWidget* page_ = nullptr;
  int pageStep_ = -1;
  std::string pageKey_;           // what the page on show was built from
  std::vector<bool> lastChecks_;  // the try-it checklist as last drawn
  QWidget* footerBar_ = nullptr;
  QHBoxLayout* footerLayout_ = nullptr;
  std::vector<QAbstractButton*> footer_;
  QLabel* hint_ = nullptr;
  QTimer hintTimer_;
};

}  // namespace orvak::views::onboarding
