// The highlight overlay on the desktop: one frameless, click-through window per screen, above the
// other windows, each painting a `BandView`. Where a compositor runs the windows are translucent;
// without one a window can only be shaped, so it is cut to the marks and the band shrinks to the
// lower strip of each line, which keeps the text under it readable.
#pragma once

#include <QPointer>
#include <memory>
#include <vector>

#include "app/highlight/highlight_overlay.h"
#include "app/views/highlight/band_view.h"

namespace orvak::views::highlight {

class QtHighlightOverlay final : public HighlightOverlay {
 public:
  explicit QtHighlightOverlay(bool wordMode);
  ~QtHighlightOverlay() override;

  void show(const std::vector<ax::Rect>& bands, const std::optional<ax::Rect>& word,
            const std::optional<ax::Rect>& focusArea, const std::vector<ax::Rect>& saved) override;
  void close() override;

  // The views, one per screen in the platform's screen order (empty after `close`).
  std::vector<BandView*> views() const;

  static HighlightOverlayFactory factory();

 private:
  struct Screen {
    QPointer<BandView> view;
    QRect geometry;  // the screen's, in the desktop's logical coordinates
    double ratio = 1;
  };
  std::vector<Screen> screens_;
  bool shaped_ = false;
};

}  // namespace orvak::views::highlight
