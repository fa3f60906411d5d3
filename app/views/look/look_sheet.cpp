#include "app/views/look/look_sheet.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <utility>

#include "app/views/look/controls.h"
#include "app/views/look/painting.h"
#include "app/views/look/palette.h"
#include "app/views/look/pieces.h"
#include "app/views/look/text_styles.h"

namespace orvak::look {
namespace {

// The instant every moving piece is drawn at: the sheen mid-sweep, the ring half spread.
constexpr double kSheetTime = 4.9;

class Swatch : public QWidget {
 public:
  Swatch(QString name, QColor colour, QWidget* parent = nullptr)
      : QWidget(parent), name_(std::move(name)), colour_(std::move(colour)) {
    setFixedSize(96, 58);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF chip(0.5, 0.5, 95, 34);
    // A checkerboard shows through the translucent colours.
    p.save();
    p.setClipRect(chip);
    for (int y = 0; y < 35; y += 7) {
      for (int x = 0; x < 96; x += 7) {
        if (((x + y) / 7) % 2 == 0) {
          p.fillRect(QRectF(x, y, 7, 7), QColor(128, 128, 128, 60));
        }
      }
    }
    p.restore();
    p.setBrush(colour_);
    p.setPen(QPen(Margin::line.color(), 1));
    p.drawRoundedRect(chip, 6, 6);
    p.setPen(Margin::ink2.color());
    p.setFont(monoFont(10));
    p.drawText(QRectF(0, 38, 96, 18), Qt::AlignLeft | Qt::AlignVCenter, name_);
  }

 private:
  QString name_;
  QColor colour_;
};

// A strip of ink with the sheen passing over it, and the glow gradient beside it.
class GradientStrip : public QWidget {
 public:
  explicit GradientStrip(QWidget* parent = nullptr) : QWidget(parent) { setFixedSize(420, 30); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF left(0, 0, 200, 30), right(220, 0, 200, 30);
    p.fillRect(left, Margin::ink.color());
    paintShine(p, left, kSheetTime);
    p.fillRect(right, glow(right.topLeft(), right.topRight()));
  }
};

// A card holding a marked phrase.
class CardSample : public QWidget {
 public:
  explicit CardSample(QWidget* parent = nullptr) : QWidget(parent) { setFixedSize(260, 70); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    paintCard(p, QRectF(rect()), 14);
    const QFont font = serifFont(17);
    const QFontMetricsF m(font);
    const QString word = QStringLiteral("marked words");
    const QRectF text(24, 22, m.horizontalAdvance(word), m.height());
    paintMarked(p, text);
    p.setFont(font);
    p.setPen(Margin::ink.color());
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, word);
  }
};

QLabel* caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setFont(monoFont(10));
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, Margin::ink3.color());
  label->setPalette(pal);
  return label;
}

}  // namespace

LookSheet::LookSheet(QWidget* parent) : QWidget(parent) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(32, 28, 32, 28);
  column->setSpacing(14);

  column->addWidget(new Eyebrow("Shared look", QString("light and dark"), true, this));
  column->addWidget(new Headline("Every window speaks", QString("one vocabulary"), 34, this));

  const std::pair<const char*, DynColor> margin[] = {
      {"paper", Margin::paper},   {"margin", Margin::margin},   {"card", Margin::card},
      {"deep", Margin::deep},     {"ink", Margin::ink},         {"ink2", Margin::ink2},
      {"ink3", Margin::ink3},     {"line", Margin::line},       {"line2", Margin::line2},
      {"accent", Margin::accent}, {"marker", Margin::marker},   {"markerBand", Margin::markerBand},
      {"markerWord", Margin::markerWord}, {"onInk", Margin::onInk}};
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(6);
  int i = 0;
  for (const auto& [name, colour] : margin) {
    grid->addWidget(new Swatch(name, colour.color(), this), i / 7, i % 7);
    ++i;
  }
  const std::pair<const char*, QColor> orbit[] = {
      {"pill", Orbit::pill.color()},         {"o.ink", Orbit::ink.color()},
      {"o.ink2", Orbit::ink2.color()},       {"action", Orbit::action.color()},
      {"glowTop", Orbit::glowTop.color()},   {"glowBottom", Orbit::glowBottom.color()},
      {"orb 1", rgb(Orbit::orb[0])},         {"orb 2", rgb(Orbit::orb[1])},
      {"orb 3", rgb(Orbit::orb[2])},         {"orb 4", rgb(Orbit::orb[3])}};
  for (const auto& [name, colour] : orbit) {
    grid->addWidget(new Swatch(name, colour, this), i / 7, i % 7);
    ++i;
  }
  column->addLayout(grid);

  column->addWidget(caption("sheen on ink · glow", this));
  column->addWidget(new GradientStrip(this));

  auto* pieces = new QHBoxLayout;
  pieces->setSpacing(18);
  auto* orb = new HeroOrb(72, this);
  orb->ticker().freeze(kSheetTime);
  pieces->addWidget(orb);
  pieces->addWidget(new KeyCap(QString::fromUtf8("⌥"), 18, this));
  pieces->addWidget(new KeyCap("fn", 18, this));
  auto* ok = new StatusDot(true, this);
  ok->ticker().freeze(0.6);
  auto* notOk = new StatusDot(false, this);
  notOk->ticker().freeze(0.0);
  pieces->addWidget(ok);
  pieces->addWidget(caption("ok", this));
  pieces->addWidget(notOk);
  pieces->addWidget(caption("not ok", this));
  pieces->addWidget(new CardSample(this));
  pieces->addStretch();
  column->addLayout(pieces);

  auto* squiggle = new Squiggle(this);
  squiggle->setFixedSize(222, 8);
  column->addWidget(squiggle);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(12);
  for (bool primary : {true, false}) {
    for (int state = 0; state < 3; ++state) {
      auto* b = new MarginButton(state == 0 ? "Enabled" : state == 1 ? "Pressed" : "Disabled", primary, this);
      b->ticker().freeze(kSheetTime);
      b->setDown(state == 1);
      b->setEnabled(state != 2);
      buttons->addWidget(b);
    }
  }
  auto* on = new OrbitSwitch(this);
  on->setChecked(true);
  buttons->addSpacing(12);
  buttons->addWidget(on);
  buttons->addWidget(caption("on", this));
  buttons->addWidget(new OrbitSwitch(this));
  buttons->addWidget(caption("off", this));
  buttons->addStretch();
  column->addLayout(buttons);
}

void LookSheet::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Margin::paper.color());
}

}  // namespace orvak::look
