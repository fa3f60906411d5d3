// The thin scroll bars: over the view's edge, and there only while the content does not fit.
#include "app/views/look/scroll_bars.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <QTest>
#include <QVBoxLayout>
#include <string>

#include "app/views/look/appearance.h"
#include "app/views/look/palette.h"
#include "app/views/shots.h"
#include "tests/views/look_test.h"

namespace orvak::look {
namespace {

using ThinBars = test::LookTest;

// A 300 x 200 area, frameless, around a column of the given size.
struct Area {
  QScrollArea area;
  QWidget* content = new QWidget;

  Area(QSize contentSize, Qt::ScrollBarPolicy vertical, Qt::ScrollBarPolicy horizontal) {
    area.setFrameShape(QFrame::NoFrame);
    area.setVerticalScrollBarPolicy(vertical);
    area.setHorizontalScrollBarPolicy(horizontal);
    useThinScrollBars(area);
    content->setFixedSize(contentSize);
    area.setWidget(content);
    area.resize(300, 200);
    area.setAttribute(Qt::WA_DontShowOnScreen);
    area.show();
    QCoreApplication::sendPostedEvents();
  }
  bool shown(Qt::Orientation o) const {
    const QScrollBar* bar = o == Qt::Vertical ? area.verticalScrollBar() : area.horizontalScrollBar();
    return bar->isVisibleTo(&area);
  }
};

TEST_F(ThinBars, ABarShowsOnlyWhileTheContentDoesNotFitAndNeverNarrowsTheView) {
  struct Case {
    const char* name;
    QSize content;
    Qt::ScrollBarPolicy vertical, horizontal;
    bool verticalShown, horizontalShown;
  };
  constexpr auto asNeeded = Qt::ScrollBarAsNeeded, always = Qt::ScrollBarAlwaysOn, off = Qt::ScrollBarAlwaysOff;
  const Case table[] = {
      {"short", {280, 120}, asNeeded, asNeeded, false, false},
      {"exactly the view's height", {280, 200}, asNeeded, asNeeded, false, false},
      {"tall", {280, 900}, asNeeded, asNeeded, true, false},
      {"a bar asked for always, content that fits", {280, 120}, always, always, false, false},
      {"a bar asked for always, tall content", {280, 900}, always, asNeeded, true, false},
      {"wide and tall", {700, 900}, asNeeded, asNeeded, true, true},
      {"a bar turned off stays off", {700, 900}, asNeeded, off, true, false},
  };
  for (const Case& c : table) {
    SCOPED_TRACE(c.name);
    Area a(c.content, c.vertical, c.horizontal);
    EXPECT_EQ(a.shown(Qt::Vertical), c.verticalShown);
    EXPECT_EQ(a.shown(Qt::Horizontal), c.horizontalShown);
    EXPECT_EQ(a.area.viewport()->size(), QSize(300, 200)) << "the bars lie over the view";
    if (c.verticalShown) {
      const QRect bar(a.area.verticalScrollBar()->mapTo(&a.area, QPoint(0, 0)), a.area.verticalScrollBar()->size());
      EXPECT_EQ(bar.right(), 299) << "at the view's trailing edge";
      EXPECT_EQ(bar.width(), ThinScrollBar::kExtent);
    }
  }
}

TEST_F(ThinBars, AResizableColumnOfRowsShowsTheBarOnceItOutgrowsTheView) {
  // As the voice list and the settings pages are made: the column takes the view's width, and
  // its height from its rows.
  for (const int rows : {3, 12}) {
    SCOPED_TRACE(std::to_string(rows) + " rows of 40");
    QScrollArea area;
    area.setFrameShape(QFrame::NoFrame);
    area.setWidgetResizable(true);
    useThinScrollBars(area);
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < rows; ++i) {
      auto* row = new QWidget;
      row->setFixedHeight(40);
      layout->addWidget(row);
    }
    area.setWidget(column);
    area.resize(300, 200);
    area.setAttribute(Qt::WA_DontShowOnScreen);
    area.show();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(area.verticalScrollBar()->isVisibleTo(&area), rows * 40 > 200);
    EXPECT_EQ(column->width(), 300) << "the column keeps the whole width";
  }
}

TEST_F(ThinBars, TheBarFollowsTheContentAsItGrowsAndShrinks) {
  Area a({280, 120}, Qt::ScrollBarAsNeeded, Qt::ScrollBarAsNeeded);
  EXPECT_FALSE(a.shown(Qt::Vertical));
  a.content->setFixedSize(280, 900);
  QCoreApplication::sendPostedEvents();
  EXPECT_TRUE(a.shown(Qt::Vertical));
  a.area.resize(300, 950);
  QCoreApplication::sendPostedEvents();
  EXPECT_FALSE(a.shown(Qt::Vertical)) << "a taller window holds it all";
}

TEST_F(ThinBars, OnlyTheHandleIsDrawnAndItStandsOutFromThePageInEitherLook) {
  for (const auto appearance : {Appearance::light, Appearance::dark}) {
    SCOPED_TRACE(appearance == Appearance::dark ? "dark" : "light");
    setAppearance(appearance);
    ThinScrollBar bar(Qt::Vertical);
    bar.resize(ThinScrollBar::kExtent, 200);
    bar.setRange(0, 600);
    bar.setPageStep(200);
    bar.setValue(300);
    const QRect handle = bar.handleRect();
    // A quarter of the length for a page of four, placed half way down what is left.
    EXPECT_NEAR(handle.height(), 200 / 4 - 4, 1);
    EXPECT_NEAR(handle.top(), (200 - 50) / 2 + 2, 1);
    const QImage img = views::renderWidget(bar, 1).convertToFormat(QImage::Format_ARGB32);
    // Over the page's paper, the handle must be made out; beside and around it, nothing is drawn.
    QImage onPaper(img.size(), QImage::Format_ARGB32);
    onPaper.fill(Margin::paper.color());
    {
      QPainter p(&onPaper);
      p.drawImage(0, 0, img);
    }
    EXPECT_GE(test::contrast(onPaper.pixelColor(handle.center()), Margin::paper.color()), 1.6);
    for (const QPoint at : {QPoint(ThinScrollBar::kExtent / 2, 5), QPoint(ThinScrollBar::kExtent / 2, 195),
                            QPoint(0, handle.center().y()), QPoint(ThinScrollBar::kExtent - 1, handle.center().y())}) {
      EXPECT_EQ(qAlpha(img.pixel(at)), 0) << at.x() << "," << at.y();
    }
  }
}

TEST_F(ThinBars, TheHandleCanBeDraggedAndAClickBesideItPagesOn) {
  Area a({280, 1000}, Qt::ScrollBarAsNeeded, Qt::ScrollBarAsNeeded);
  auto* bar = dynamic_cast<ThinScrollBar*>(a.area.verticalScrollBar());
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(a.shown(Qt::Vertical));
  const QPoint grip = bar->handleRect().center();
  QTest::mousePress(bar, Qt::LeftButton, {}, grip);
  QTest::mouseMove(bar, grip + QPoint(0, 40));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(0, 40));
  // 40 of the 160 pixels the handle can travel: a quarter of the 800 the page can scroll.
  EXPECT_NEAR(bar->value(), 200, 10);
  EXPECT_EQ(a.area.widget()->y(), -bar->value()) << "the page moved with it";
  const int before = bar->value();
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(ThinScrollBar::kExtent / 2, 195));
  EXPECT_GT(bar->value(), before) << "a click below the handle pages down";
}

TEST_F(ThinBars, ABarWithNothingToScrollHides) {
  QWidget holder;
  ThinScrollBar bar(Qt::Vertical, &holder);
  holder.setAttribute(Qt::WA_DontShowOnScreen);
  holder.show();
  EXPECT_FALSE(bar.isVisible()) << "made with nothing to scroll";
  bar.setRange(0, 40);
  EXPECT_TRUE(bar.isVisible());
  bar.setRange(0, 0);
  EXPECT_FALSE(bar.isVisible());
  EXPECT_TRUE(bar.handleRect().isEmpty());
}

}  // namespace
}  // namespace orvak::look
