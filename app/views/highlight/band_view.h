// What one overlay window paints: the band under the sentence being heard, the word mark, the dimmed
// window around the band in focus mode, and the underlines of earlier highlights. Rectangles are in
// the view's own coordinates (top left origin, y down).
//
// The band moves in place while its lines keep their sizes, and fades out for a new one when they
// change; the word glides along its line; the dim hole follows the band. Every fade uses the
// ease-out curve (0.2, 0.8, 0.2, 1.0) and takes no time when the desktop asks for reduced motion.
#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QVariantAnimation;

namespace orvak::views::highlight {

class BandView : public QWidget {
 public:
  // `sentenceOpacity`: 0.55 beside word marks, 1.0 without. `strip`: draw the band as the lower
  // strip only, for windows that cannot be translucent and would hide the text under it.
  BandView(double sentenceOpacity, bool strip, QWidget* parent = nullptr);

  // The marker shape: one slanted figure per rectangle covering the lower part of its line, 2 points
  // past the text on each side.
  static QPainterPath path(const std::vector<QRectF>& rects);

  // New state; each redraws and animates only what changed.
  void setBands(std::vector<QRectF> bands);
  void setWord(std::optional<QRectF> word);
  void setFocusArea(std::optional<QRectF> area);
  void setSaved(std::vector<QRectF> saved);

  const std::vector<QRectF>& bands() const { return bands_; }
  const std::optional<QRectF>& word() const { return word_; }
  const std::optional<QRectF>& focusArea() const { return focusArea_; }
  const std::vector<QRectF>& saved() const { return saved_; }
  // How band changes were drawn so far: moved in place, or faded out for a new band.
  int bandMoves() const { return moves_; }
  int bandFades() const { return fades_; }
  // The region holding every mark (for windows shaped to their marks).
  QRegion marksRegion() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Layer {
    QPainterPath path;
    double opacity = 0;
  };
  void update(const std::vector<QRectF>& previous);
  void updateWord(const std::optional<QRectF>& previous);
  void updateDim();
  // Animates `setter` from `from` to `to` over `seconds` with the ease-out curve, then runs `done`.
  void animate(double from, double to, double seconds, std::function<void(double)> setter,
               std::function<void()> done = {});
  QPainterPath dimPath() const;
  QPainterPath bandPath() const;

  double sentenceOpacity_;
  bool strip_;
  std::vector<QRectF> bands_;
  std::optional<QRectF> word_;
  std::optional<QRectF> focusArea_;
  std::vector<QRectF> saved_;

  std::shared_ptr<Layer> band_;
  std::vector<std::shared_ptr<Layer>> leaving_;  // bands fading out
  std::shared_ptr<Layer> wordLayer_;
  QRectF wordFrom_, wordTo_;
  double wordGlide_ = 1;  // 0 at the previous word's place, 1 at the new one
  std::shared_ptr<Layer> dim_;
  QRectF holeFrom_, holeTo_;
  double holeMove_ = 1;
  QPainterPath savedPath_;
  int moves_ = 0;
  int fades_ = 0;
};

}  // namespace orvak::views::highlight
