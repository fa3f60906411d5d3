#include "app/views/highlight/overlay_shots.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QWidget>
#include <algorithm>

#include "app/views/highlight/band_view.h"
#include "app/views/look/appearance.h"
#include "app/views/look/palette.h"

namespace orvak::views::highlight {

namespace {

const QStringList kLines = {
    "For most of history a lighthouse was a fire on a hill, and a poor one.",
    "An open flame throws its light in every direction at once: up into the",
    "sky, down into the rocks, and only a thin share of it out across the",
    "water where a ship might see it. Keepers burned wood, then coal.",
};
constexpr double kLeft = 24, kTop = 24, kLineHeight = 26;

// A page of text in the window colours, standing for the program being read.
class SamplePage : public QWidget {
 public:
  SamplePage() {
    resize(640, 160);
    QFont f = font();
    f.setPixelSize(16);
    setFont(f);
  }
  // The rectangle of characters [from, to) of line `line`, as Accessibility would measure it.
  QRectF textRect(int line, int from, int to) const {
    const QFontMetricsF m(font());
    const QString& text = kLines[line];
    const double x0 = kLeft + m.horizontalAdvance(text.left(from));
    const double x1 = kLeft + m.horizontalAdvance(text.left(to));
    return {x0, kTop + kLineHeight * line, x1 - x0, m.height()};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), look::Margin::card.color());
    p.setPen(look::Margin::ink.color());
    const QFontMetricsF m(font());
    for (int i = 0; i < kLines.size(); ++i) {
      p.drawText(QPointF(kLeft, kTop + kLineHeight * i + m.ascent()), kLines[i]);
    }
  }
};

// A window's characters drawn in their cells, in a face whose letters fill a cell's height.
class CharacterPage : public QWidget {
 public:
  explicit CharacterPage(const PagePicture& page) : page_(page) {
    resize(page.size.toSize());
    QFont f("monospace");
    double height = 16;
    for (const auto& [cell, text] : page.characters) height = std::min(height, cell.height());
    f.setPixelSize(std::max(6, int(height * 0.75)));
    setFont(f);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), look::Margin::card.color());
    p.setPen(look::Margin::ink.color());
    for (const auto& [cell, text] : page_.characters) p.drawText(cell, Qt::AlignCenter, text);
  }

 private:
  const PagePicture& page_;
};

QImage render(double scale, bool words, bool focus, bool saved) {
  const look::KeptLook kept;
  look::setReducedMotion(true);  // pictures show where every fade ends
  SamplePage page;
  auto* view = new BandView(words ? 0.55 : 1.0, false, &page);
  view->setGeometry(page.rect());
  view->setBands({page.textRect(1, 0, 71), page.textRect(2, 0, 22)});
  if (words) view->setWord(page.textRect(1, 8, 13));
  if (focus) view->setFocusArea(QRectF(8, 8, 624, 144));
  if (saved) view->setSaved({page.textRect(3, 0, 39)});
  return renderWidget(page, scale);
}

}  // namespace

QImage overlayPicture(const PagePicture& page, const std::vector<QRectF>& bands, std::optional<QRectF> word,
                      std::optional<QRectF> focus, const std::vector<QRectF>& saved) {
  const look::KeptLook kept;
  look::setReducedMotion(true);
  CharacterPage widget(page);
  auto* view = new BandView(word ? 0.55 : 1.0, false, &widget);
  view->setGeometry(widget.rect());
  view->setBands(bands);
  view->setWord(word);
  view->setFocusArea(focus);
  view->setSaved(saved);
  return renderWidget(widget, 1);
}

std::vector<Shot> overlayShots() {
  return {
      {"overlay-band", "the band over the sentence being heard",
       [](double s) { return render(s, false, false, false); }},
      {"overlay-word", "the band with the word being heard", [](double s) { return render(s, true, false, false); }},
      {"overlay-focus", "focus mode: the window dimmed around the band",
       [](double s) { return render(s, false, true, false); }},
      {"overlay-saved", "an earlier highlight underlined below the band",
       [](double s) { return render(s, false, false, true); }},
  };
}

}  // namespace orvak::views::highlight
