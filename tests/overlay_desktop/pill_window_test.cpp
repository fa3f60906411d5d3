// The pill's window on a bare X server: it takes the pointer over all of its capsule, the
// controls that appear under the pointer included, on every show, and lets it through elsewhere.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <cmath>

#include "app/pill/pill.h"
#include "app/views/pill/pill_window.h"
#include "tests/overlay_desktop/desktop_widgets.h"
#include "tests/overlay_desktop/x_click.h"

namespace orvak::views::pill {
namespace {

using views::clickAt;
using views::moveTo;
using views::waitFor;

// Shown, and sized to its layout (the bars of a reading pill move all the time, so motion is no
// sign of anything).
bool settled(const PillWindow& window) {
  const QSizeF laidOut = window.view()->layout().size;
  return window.isVisible() && window.windowHandle()->isExposed() && window.width() == int(std::ceil(laidOut.width())) &&
         window.height() == int(std::ceil(laidOut.height()));
}

// The centre of a part of the pill's layout, on the screen.
QPoint onScreen(const PillWindow& window, const QRectF& part) {
  const QPointF inView = part.center() + window.view()->origin();
  return window.view()->mapToGlobal(inView.toPoint());
}

TEST(PillWindow, TheCapsuleTakesClicksOnItsControlsOnEveryShow) {
  views::ClickedPage page(QRect(0, 0, 1280, 1024));
  page.show();
  ASSERT_TRUE(waitFor([&] { return page.windowHandle() && page.windowHandle()->isExposed(); }));

  ScreenPill screen = makeScreenPill();
  PillWindow& window = *screen.window;
  Pill& pill = *screen.pill;
  int stops = 0;
  int readsFromHere = 0;
  PillActions actions;
  actions.stop = [&] { ++stops; };
  actions.readFromHere = [&] { ++readsFromHere; };
  pill.setActions(actions);
  pill.setOffer("Read from here");

  for (int read = 1; read <= 2; ++read) {
    SCOPED_TRACE("read " + std::to_string(read));
    // Each read first shows its start without controls, then its reading state with them.
    pill.show("Reading…", Pill::Tone::working);
    pill.playerChanged({PillState::Kind::reading, "Reading", "The lighthouse", "3 / 12", 1.0f, 0});
    ASSERT_TRUE(waitFor([&] { return settled(window); }));
    const auto& layout = window.view()->layout();
    ASSERT_TRUE(layout.offerButton);

    // The pointer over the capsule brings out the controls, and the capsule grows to hold them.
    // The pointer comes in from outside now and then, as a user's does, so that a crossing the
    // server saw while the window was still being mapped is not the only chance.
    const QPoint text = onScreen(window, layout.text);
    int tries = 0;
    ASSERT_TRUE(waitFor([&] {
      if (tries++ % 6 == 0) {
        moveTo(10, 10);
        moveTo(text.x(), text.y());
      }
      return window.view()->layout().controls[int(Control::stop)].has_value() && settled(window);
    })) << "the pill never saw the pointer";

    const int pagePresses = page.presses;
    const QPoint stop = onScreen(window, *window.view()->layout().controls[int(Control::stop)]);
    ASSERT_TRUE(clickAt(stop.x(), stop.y()));
    EXPECT_TRUE(waitFor([&] { return stops == read; })) << "the click on x went elsewhere";
    const QPoint offer = onScreen(window, *window.view()->layout().offerButton);
    ASSERT_TRUE(clickAt(offer.x(), offer.y()));
    EXPECT_TRUE(waitFor([&] { return readsFromHere == read; })) << "the click on Read from here went elsewhere";
    EXPECT_EQ(page.presses, pagePresses) << "the window below got the pill's clicks";

    // Beside the capsule, in the window's transparent margin, the page below is clicked.
    const QPoint beside = window.mapToGlobal(QPoint(4, 4));
    ASSERT_TRUE(clickAt(beside.x(), beside.y()));
    EXPECT_TRUE(waitFor([&] { return page.presses == pagePresses + 1; })) << "the margin took the click";

    // The read ends: the pill goes and lets every click through.
    ASSERT_TRUE(moveTo(10, 10));
    pill.hide();
    ASSERT_TRUE(waitFor([&] { return !window.isVisible(); }));
  }
}

}  // namespace
}  // namespace orvak::views::pill
