// The pieces every page of the first-run window is made of: the heading with its step counter,
// statement rows, status rows, small print and prose.
#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

#include "app/onboarding/onboarding_flow.h"
#include "app/views/look/palette.h"
#include "app/views/look/qstring.h"

class QVBoxLayout;

namespace orvak::views::onboarding {

using look::qs;

// A label in `color` that wraps and never cuts its lines.
QLabel* text(const QString& text, const QFont& font, const look::DynColor& color, QWidget* parent);
// A page: a leading-aligned column with the step's spacing.
QVBoxLayout* pageColumn(QWidget* page, int spacing);

// The eyebrow ("Step N of 7", "Optional" on the microphone step) over a 30 px headline.
QWidget* title(const OnboardingFlow& flow, const QString& text, const QString& glow, QWidget* parent);
// A symbol in the accent colour in an 18 px slot, then the statement, wrapping under itself.
QWidget* line(const QString& symbol, const QString& text, QWidget* parent);
// A status dot and a medium 13 px text on a card, across the page.
QWidget* status(bool ok, const QString& text, QWidget* parent);
QLabel* smallprint(const QString& text, QWidget* parent);
// Body text: 14 px in the second ink, line spacing 2.
QLabel* prose(const QString& text, QWidget* parent);

// A widget painting a card (radius `radius`) behind its children.
class Card : public QWidget {
 public:
  explicit Card(double radius, QWidget* parent = nullptr) : QWidget(parent), radius_(radius) {}

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  double radius_;
};

}  // namespace orvak::views::onboarding
