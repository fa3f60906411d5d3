// The thin scroll bar of every scrolling list and page in the windows: a 6 px handle with round
// ends in the look's faint ink, no arrows and no groove, laid over the edge of what scrolls
// instead of taking a strip beside it, and shown only while the content does not fit.
#pragma once

#include <QScrollBar>

class QAbstractScrollArea;

namespace orvak::look {

class ThinScrollBar : public QScrollBar {
 public:
  // The strip the bar takes over the content's edge, and the handle drawn in it.
  static constexpr int kExtent = 10;
  static constexpr int kHandle = 6;
  static constexpr int kMinHandleLength = 24;

  // `onDark` for a bar over the sidebar, which is dark in either look: its handle is light.
  explicit ThinScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr, bool onDark = false);

  bool onDark() const { return onDark_; }
  // Where the handle is drawn, in the bar's coordinates; empty while there is nothing to scroll.
  QRect handleRect() const;

 protected:
  void sliderChange(SliderChange change) override;

 private:
  bool onDark_;
};

// Puts thin bars in place of `area`'s own: each lies over the view's edge (which keeps its whole
// width) and shows only while the content is larger than the view; a bar the caller turned off
// stays off. Call it before anything connects to the area's bars: they are replaced.
void useThinScrollBars(QAbstractScrollArea& area);

}  // namespace orvak::look
