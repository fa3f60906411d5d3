#include "app/views/pill/pill_layout.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "core/text/text.h"

namespace orvak::views::pill {
namespace {

constexpr double kSpacing = 11;       // between the capsule's items
constexpr double kButton = 26;        // a control's square, the offer's height
constexpr double kDividerHeight = 18;

// Lays items out left to right along a row centred on `midY`.
struct Row {
  double x;
  double midY;
  QRectF place(double w, double h) {
    const QRectF r(x, midY - h / 2, w, h);
    x += w;
    return r;
  }
};

}  // namespace

std::string shownSub(const std::string& sub) {
  if (text::graphemeCount(sub) < 45) {
    return sub;
  }
  return std::string(text::trim(text::graphemePrefix(sub, 43), text::TrimSet::whitespaces)) + "…";
}

double vuBarHeight(int bar, double t, std::optional<double> period, bool reduced) {
  if (!period || reduced || *period <= 0 || bar < 0 || bar > 3) {
    return 4;
  }
  double x = std::fmod(t + kBarDelays[bar], *period) / *period;
  if (x < 0) {
    x += 1;
  }
  const double f = x < 0.5 ? 2 * x : 2 - 2 * x;
  return (0.5 - std::cos(f * std::numbers::pi) * 0.5) * 11 + 4;
}

Glyph glyphFor(PillState::Kind kind) {
  using K = PillState::Kind;
  switch (kind) {
    case K::working:
      return {GlyphKind::bars, 0.3, false};
    case K::reading:
      return {GlyphKind::bars, 0.9, false};
    case K::paused:
      return {GlyphKind::bars, std::nullopt, false};
    case K::listening:
      return {GlyphKind::bars, 0.45, true};
    case K::saved:
      return {GlyphKind::pingOrb, std::nullopt, false};
    case K::warn:
      return {GlyphKind::warnOrb, std::nullopt, false};
    case K::info:
    case K::finished:
      return {GlyphKind::orb, std::nullopt, false};
  }
  return {GlyphKind::orb, std::nullopt, false};
}

std::string accessibleName(const PillState& state) {
  if (state.state.empty()) {
    return state.sub;
  }
  return state.sub.empty() ? state.state : state.state + ", " + state.sub;
}

Layout layOut(const LayoutInput& in, const TextWidths& w) {
  Layout out;
  if (in.notice) {
    // The card: glyph, the text column, the button.
    const double column = std::max(w.noticeState, in.state.sub.empty() ? 0.0 : w.noticeSub);
    const double columnHeight = w.noticeStateHeight + (in.state.sub.empty() ? 0 : 2 + w.noticeSubHeight);
    const double button = 14 + 10.5 + 6 + w.noticeTitle + 14;
    const double rowHeight = std::max({26.0, columnHeight, 30.0});
    const double width = 14 + 26 + 13 + column + 13 + 6 + button + 10;
    const double height = rowHeight + 2 * 11;
    out.body = QRectF(kMargin, kMargin, width, height);
    Row row{kMargin + 14, out.body.center().y()};
    out.glyph = row.place(26, 26);
    row.x += 13;
    out.text = row.place(column, columnHeight);
    row.x += 13 + 6;
    out.noticeButton = row.place(button, 30);
    out.trailingPadding = 10;
    out.size = QSizeF(width + 2 * kMargin, height + 2 * kMargin);
    return out;
  }

  const bool showOffer = in.offer && in.controls;
  const bool showControls = in.controls && in.hover;
  out.trailingPadding = showControls ? 10 : 20;
  const double textWidth = w.state + (in.state.sub.empty() ? 0 : 6 + w.dot + 6 + w.sub);
  const double offerButton = 4 + 11 + 5 + w.offer + 4;
  const bool showProgress = !in.state.progress.empty();

  double rowHeight = std::max(16.0, w.lineHeight);
  double width = 22 + kSpacing + textWidth;
  if (showOffer) {
    width += kSpacing + 0.5 + kSpacing + offerButton;
    rowHeight = std::max(rowHeight, kButton);
  }
  if (showControls) {
    width += kSpacing + 0.5 + 8 + (showProgress ? w.progress + 6 : 0) + 3 * kButton + (w.speed + 12) + kButton;
    rowHeight = std::max(rowHeight, kButton);
  }
  const double height = std::max(46.0, rowHeight + 2 * 10);
  width += 13 + out.trailingPadding;
  out.body = QRectF(kMargin, kMargin, width, height);

  Row row{kMargin + 13, out.body.center().y()};
  out.glyph = row.place(22, 16);
  row.x += kSpacing;
  out.text = row.place(textWidth, w.lineHeight);
  if (showOffer) {
    row.x += kSpacing;
    out.offerDivider = row.place(0.5, kDividerHeight);
    row.x += kSpacing;
    out.offerButton = row.place(offerButton, kButton);
  }
  if (showControls) {
    row.x += kSpacing;
    out.controlsDivider = row.place(0.5, kDividerHeight);
    row.x += 8;
    if (showProgress) {
      out.progress = row.place(w.progress, w.lineHeight);
      row.x += 6;
    }
    out.controls[int(Control::back)] = row.place(kButton, kButton);
    out.controls[int(Control::playPause)] = row.place(kButton, kButton);
    out.controls[int(Control::skip)] = row.place(kButton, kButton);
    out.controls[int(Control::speed)] = row.place(w.speed + 12, kButton);
    out.controls[int(Control::stop)] = row.place(kButton, kButton);
  }
  out.size = QSizeF(width + 2 * kMargin, height + 2 * kMargin);
  return out;
}

}  // namespace orvak::views::pill
