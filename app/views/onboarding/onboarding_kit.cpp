#include "app/views/onboarding/onboarding_kit.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "app/views/look/painting.h"
#include "app/views/look/pieces.h"
#include "app/views/look/symbols.h"
#include "app/views/look/text_styles.h"

namespace orvak::views::onboarding {

namespace {

// A symbol from our set, tinted.
class Symbol : public QWidget {
 public:
  Symbol(QString name, double size, look::DynColor color, QWidget* parent)
      : QWidget(parent), name_(std::move(name)), size_(size), color_(color) {
    // The symbol's middle on the middle of the first line of 14 px text beside it.
    setFixedSize(18, int(size_) + 6);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    look::paintSymbol(p, name_, QRectF((width() - size_) / 2, 4, size_, size_), color_.color());
  }

 private:
  QString name_;
  double size_;
  look::DynColor color_;
};

}  // namespace

QLabel* text(const QString& t, const QFont& font, const look::DynColor& color, QWidget* parent) {
  auto* label = new QLabel(t, parent);
  label->setFont(font);
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, color.color());
  pal.setColor(QPalette::ButtonText, color.color());
  label->setPalette(pal);
  label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
  return label;
}

QVBoxLayout* pageColumn(QWidget* page, int spacing) {
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(spacing);
  return column;
}

QWidget* title(const OnboardingFlow& flow, const QString& t, const QString& glow, QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(12);
  const auto accent = flow.eyebrowAccent();
  column->addWidget(
      new look::Eyebrow(qs(flow.eyebrow()), accent ? std::optional<QString>(qs(*accent)) : std::nullopt, true, box));
  column->addWidget(new look::Headline(t, glow, 30, box));
  box->setAccessibleName(t + " " + glow);
  return box;
}

QWidget* line(const QString& symbol, const QString& t, QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(12);
  layout->addWidget(new Symbol(symbol, 13, look::Margin::accent, row), 0, Qt::AlignTop);
  layout->addWidget(text(t, look::systemFont(14), look::Margin::ink, row), 1);
  return row;
}

void Card::paintEvent(QPaintEvent*) {
  QPainter p(this);
  look::paintCard(p, QRectF(rect()), radius_);
}

QWidget* status(bool ok, const QString& t, QWidget* parent) {
  auto* card = new Card(12, parent);
  auto* layout = new QHBoxLayout(card);
  layout->setContentsMargins(14, 12, 14, 12);
  layout->setSpacing(10);
  layout->addWidget(new look::StatusDot(ok, card), 0, Qt::AlignVCenter);
  auto* label = text(t, look::systemFont(13, QFont::Medium), look::Margin::ink, card);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  layout->addWidget(label, 1);
  return card;
}

QLabel* smallprint(const QString& t, QWidget* parent) {
  return text(t, look::systemFont(12.5), look::Margin::ink3, parent);
}

QLabel* prose(const QString& t, QWidget* parent) {
  // Line spacing through rich text's line height; the text itself is escaped.
  auto* label = text(QString(), look::systemFont(14), look::Margin::ink2, parent);
  label->setTextFormat(Qt::RichText);
  label->setText("<div style=\"line-height: 118%\">" + t.toHtmlEscaped() + "</div>");
  label->setAccessibleName(t);
  return label;
}

}  // namespace orvak::views::onboarding
