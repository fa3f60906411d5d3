// Pictures of the highlight overlay's looks over a sample page, for `orvak-dev shot`.
#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

#include "app/views/shots.h"

namespace orvak::views::highlight {

std::vector<Shot> overlayShots();

// A window's text as it stands on screen: each character in the cell Accessibility gives it, in
// the window's own coordinates.
struct PagePicture {
  QSizeF size;
  std::vector<std::pair<QRectF, QString>> characters;
};

// What the overlay draws over a window, with the window's text under it: the sentence's lines, the
// word (when the read has word marks), focus dimming and earlier highlights, all in the window's
// coordinates.
QImage overlayPicture(const PagePicture& page, const std::vector<QRectF>& bands, std::optional<QRectF> word,
                      std::optional<QRectF> focus, const std::vector<QRectF>& saved);

}  // namespace orvak::views::highlight
