// Where everything of the pill goes, as a pure function of what it shows and the widths of its
// texts. Painting and hit-testing both read it, so a click lands on what is drawn.
#pragma once

#include <QRectF>
#include <QSizeF>
#include <optional>
#include <string>

#include "app/pill/pill_state.h"

namespace orvak::views::pill {

// The transparent margin around the capsule or card, on every side.
constexpr double kMargin = 34;

// What the layout needs to know of the model.
struct LayoutInput {
  PillState state;
  bool controls = false;
  bool hover = false;
  bool offer = false;   // an offer title is set
  bool notice = false;  // a notice card replaces the capsule
};

// Measured widths of the texts, in logical pixels (the view measures them with its fonts).
struct TextWidths {
  double state = 0;
  double dot = 0;       // the middle dot between state and sub
  double sub = 0;       // the sub as shown (after the cut)
  double lineHeight = 17;
  double offer = 0;
  double progress = 0;
  double speed = 0;
  // The notice card.
  double noticeState = 0;
  double noticeSub = 0;
  double noticeTitle = 0;
  double noticeStateHeight = 17;
  double noticeSubHeight = 15;
};

enum class Control { back, playPause, skip, speed, stop };
constexpr int kControlCount = 5;

struct Layout {
  QSizeF size;      // the padded size reported to the controller
  QRectF body;      // the capsule, or the notice card
  QRectF glyph;     // 22 x 16 in the capsule, 26 x 26 on the card
  QRectF text;      // the text block (the card: its column)
  double trailingPadding = 20;
  // Capsule only.
  std::optional<QRectF> offerDivider;
  std::optional<QRectF> offerButton;
  std::optional<QRectF> controlsDivider;
  std::optional<QRectF> progress;
  std::optional<QRectF> controls[kControlCount];
  // Card only.
  std::optional<QRectF> noticeButton;
};

Layout layOut(const LayoutInput& in, const TextWidths& widths);

// The sub as the capsule shows it: 45 characters or more are cut to the first 43, trimmed of
// spaces and tabs at both ends, and followed by "…".
std::string shownSub(const std::string& sub);

// The bars' height at time t: 4 when still (no period, or reduced motion), else rising from 4 to
// 15 and back once per period, each bar `delay` behind.
double vuBarHeight(int bar, double t, std::optional<double> period, bool reduced);
constexpr double kBarDelays[4] = {0.0, 0.3, 0.6, 0.15};

// The glyph each kind of state shows.
enum class GlyphKind { bars, orb, pingOrb, warnOrb };
struct Glyph {
  GlyphKind kind;
  std::optional<double> period;  // bars only; none: still
  bool tinted = false;           // bars in the ink colour instead of the glow gradient
};
Glyph glyphFor(PillState::Kind kind);

// The accessibility label: the non-empty ones of state and sub joined by ", ".
std::string accessibleName(const PillState& state);

}  // namespace orvak::views::pill
