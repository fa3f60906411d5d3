#include "app/views/highlight/band_view.h"

#include <gtest/gtest.h>

#include <QImage>

#include "app/views/highlight/qt_overlay.h"
#include "app/views/look/appearance.h"
#include "app/views/look/palette.h"
#include "tests/views/look_test.h"

namespace orvak::views::highlight {
namespace {

using BandViewTest = test::LookTest;
using QtHighlightOverlayTest = test::LookTest;

TEST_F(BandViewTest, SameLineSizesMoveInPlaceOtherBandsFade) {
  look::setReducedMotion(true);
  highlight::BandView view(1.0, false);
  view.resize(400, 200);
  view.setBands({{10, 10, 200, 18}, {10, 28, 120, 18}});
  EXPECT_EQ(view.bandFades(), 0) << "nothing to fade the first time";
  view.setBands({{10, 50, 200.5, 18}, {10, 68, 120, 18.5}});  // sizes within a point: moved
  EXPECT_EQ(view.bandMoves(), 1);
  view.setBands({{10, 90, 240, 18}, {10, 108, 120, 18}});  // a line grew: a new band
  EXPECT_EQ(view.bandFades(), 1);
  view.setBands({{10, 90, 240, 18}});  // one line fewer
  EXPECT_EQ(view.bandFades(), 2);
  EXPECT_EQ(view.bandMoves(), 1);
}

TEST_F(BandViewTest, MarkerShapeCoversTheLowerPartOfTheLine) {
  const QPainterPath p = BandView::path({{100, 200, 50, 20}});
  const QRectF b = p.boundingRect();
  // 0.72 × 20 + 1 = 15.4 high, ending a point below the line, two points past each end.
  EXPECT_DOUBLE_EQ(b.bottom(), 221);
  EXPECT_NEAR(b.top(), 221 - 15.4, 1e-9);
  EXPECT_DOUBLE_EQ(b.left(), 98);
  EXPECT_DOUBLE_EQ(b.right(), 152);
}

TEST_F(BandViewTest, PaintsTheBandColourOnlyInsideTheBand) {
  look::setReducedMotion(true);
  look::setAppearance(look::Appearance::light);
  highlight::BandView view(1.0, false);
  view.resize(300, 100);
  view.setBands({{50, 40, 100, 20}});
  QImage img(view.size(), QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::white);
  view.render(&img);
  EXPECT_NE(img.pixelColor(100, 55), QColor(Qt::white)) << "inside the lower part of the line";
  EXPECT_EQ(img.pixelColor(100, 20), QColor(Qt::white)) << "above the band";
  EXPECT_EQ(img.pixelColor(250, 55), QColor(Qt::white)) << "beside the band";
}

TEST_F(QtHighlightOverlayTest, OneViewPerScreenWithScreenCoordinates) {
  look::setReducedMotion(true);
  highlight::QtHighlightOverlay overlay(true);
  ASSERT_FALSE(overlay.views().empty());
  overlay.show({{100, 200, 300, 18}, {-50, -50, 10, 10}}, ax::Rect{120, 200, 40, 18}, std::nullopt, {});
  highlight::BandView* view = overlay.views().front();
  EXPECT_EQ(view->bands(), (std::vector<QRectF>{{100, 200, 300, 18}})) << "off-screen rectangles left out";
  EXPECT_EQ(view->word(), QRectF(120, 200, 40, 18));
  overlay.show({}, std::nullopt, std::nullopt, {});
  EXPECT_TRUE(view->bands().empty());
  overlay.close();
  EXPECT_TRUE(overlay.views().empty());
}

}  // namespace
}  // namespace orvak::views::highlight
