// The highlight overlay on a bare X server (no compositor): shaped, click-through windows whose
// strips show on screen under the text and leave the letters above them alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "app/views/compositor.h"
#include "app/views/highlight/qt_overlay.h"
#include "app/views/look/appearance.h"
#include "app/views/look/palette.h"
#include "app/views/qt_main_queue.h"
#include "tests/overlay_desktop/desktop_widgets.h"
#include "tests/overlay_desktop/x_click.h"

namespace orvak::views {
namespace {

QImage screenImage() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

TEST(OverlayWindow, WithoutACompositorTheStripsShowAndTheLettersStayVisible) {
  ASSERT_FALSE(compositorRunning()) << "the test desktop runs no compositor";
  look::setAppearance(look::Appearance::light);
  // A white page standing for the window being read.
  QWidget page;
  page.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
  page.setStyleSheet("background: white");
  page.setAutoFillBackground(true);
  page.setGeometry(0, 0, 600, 400);
  page.show();
  ASSERT_TRUE(waitFor([] { return screenImage().pixelColor(300, 300) == QColor(Qt::white); }));

  highlight::QtHighlightOverlay overlay(true);
  ASSERT_EQ(overlay.views().size(), QGuiApplication::screens().size());
  const ax::Rect line{100, 200, 300, 20};
  overlay.show({line}, ax::Rect{120, 200, 40, 20}, ax::Rect{0, 0, 600, 400}, {ax::Rect{100, 250, 200, 20}});
  highlight::BandView* view = overlay.views().front();
  EXPECT_FALSE(view->focusArea().has_value()) << "a shaped window cannot dim around the band";
  EXPECT_TRUE(view->testAttribute(Qt::WA_TransparentForMouseEvents));

  const QColor band = look::Margin::markerBand.resolve(look::Appearance::light);
  const QColor word = look::Margin::accent.resolve(look::Appearance::light);
  auto near = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 && std::abs(a.blue() - b.blue()) < 8;
  };
  // The lower strip of the line, past the word: the band's colour, opaque.
  ASSERT_TRUE(waitFor([&] { return near(screenImage().pixelColor(300, 219), band); }))
      << "strip shows " << screenImage().pixelColor(300, 219).name().toStdString();
  const QImage shown = screenImage();
  EXPECT_TRUE(near(shown.pixelColor(140, 219), word)) << "the word's strip";
  EXPECT_EQ(shown.pixelColor(300, 205), QColor(Qt::white)) << "the letters' part of the line stays uncovered";
  EXPECT_EQ(shown.pixelColor(50, 219), QColor(Qt::white)) << "beside the line";
  EXPECT_NE(shown.pixelColor(200, 269), QColor(Qt::white)) << "the earlier highlight's underline";

  overlay.show({}, std::nullopt, std::nullopt, {});
  EXPECT_TRUE(waitFor([] { return screenImage().pixelColor(300, 219) == QColor(Qt::white); })) << "marks gone";
  overlay.close();
  EXPECT_TRUE(overlay.views().empty());
}

TEST(OverlayWindow, AClickOnTheBandReachesTheWindowUnderIt) {
  look::setAppearance(look::Appearance::light);
  ClickedPage page(QRect(0, 0, 600, 400));
  page.show();
  ASSERT_TRUE(waitFor([] { return screenImage().pixelColor(300, 300) == QColor(Qt::white); }));
  const QColor band = look::Margin::markerBand.resolve(look::Appearance::light);
  auto isBand = [&](QColor c) { return std::abs(c.red() - band.red()) < 8 && std::abs(c.blue() - band.blue()) < 8; };

  for (const bool strip : {true, false}) {
    SCOPED_TRACE(strip ? "shaped strips" : "translucent window");
    highlight::QtHighlightOverlay overlay(strip);
    overlay.show({ax::Rect{100, 200, 300, 20}}, std::nullopt, std::nullopt, {});
    if (strip) {
      ASSERT_TRUE(waitFor([&] { return isBand(screenImage().pixelColor(300, 219)); }));
    }
    ASSERT_TRUE(waitFor([&] {
      const auto views = overlay.views();
      return std::all_of(views.begin(), views.end(),
                         [](auto* v) { return v->windowHandle() != nullptr && v->windowHandle()->isExposed(); });
    }));
    const int before = page.presses;
    ASSERT_TRUE(clickAt(300, 219)) << "no X display to click on";
    EXPECT_TRUE(waitFor([&] { return page.presses > before; })) << "the band took the click";
    overlay.close();
  }
}

}  // namespace
}  // namespace orvak::views

