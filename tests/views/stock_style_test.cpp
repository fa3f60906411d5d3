// The stock fields as the stock style draws them: the capsule buttons' height, round corners, a
// body a shade apart, and the accent's edge with the keyboard's focus, light and dark.
#include "app/views/look/stock_style.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>

#include "app/views/app_look.h"
#include "app/views/look/appearance.h"
#include "app/views/look/controls.h"
#include "app/views/look/palette.h"
#include "app/views/shots.h"
#include "tests/views/look_test.h"

namespace orvak::look {
namespace {

using StockFields = test::LookTest;

TEST_F(StockFields, FieldsAndComboBoxesStandAsTallAsTheCapsuleButtons) {
  StockStyle style;
  QLineEdit field;
  field.setStyle(&style);
  QComboBox combo;
  combo.setStyle(&style);
  combo.addItems({"Right Shift double-tap", "Left Control double-tap"});
  QComboBox editable;
  editable.setStyle(&style);
  editable.setEditable(true);
  const MarginButton button("Test It", false);
  for (const QWidget* w : {static_cast<const QWidget*>(&field), static_cast<const QWidget*>(&combo),
                           static_cast<const QWidget*>(&editable)}) {
    EXPECT_EQ(w->sizeHint().height(), button.sizeHint().height()) << w->metaObject()->className();
  }
  EXPECT_GT(combo.sizeHint().width(), QFontMetrics(combo.font()).horizontalAdvance("Right Shift double-tap") + 26)
      << "room for the longest entry and the chevron";
}

// A field's body painted on its own: 200 x 30 in the look's palette.
QImage field(StockStyle& style, Appearance appearance, bool focused) {
  QImage img(200, 30, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QStyleOptionFrame option;
  option.rect = img.rect();
  option.palette = views::AppLook::palette(appearance);
  option.lineWidth = 1;
  option.state = QStyle::State_Enabled | QStyle::State_Sunken;
  if (focused) option.state |= QStyle::State_HasFocus;
  QPainter p(&img);
  style.drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, nullptr);
  return img;
}

TEST_F(StockFields, AFieldIsRoundedWithAnEdgeThatTakesTheAccentWithTheFocus) {
  StockStyle style;
  for (const auto appearance : {Appearance::light, Appearance::dark}) {
    SCOPED_TRACE(appearance == Appearance::dark ? "dark" : "light");
    const QPalette pal = views::AppLook::palette(appearance);
    for (const bool focused : {false, true}) {
      SCOPED_TRACE(focused ? "focused" : "not focused");
      const QImage img = field(style, appearance, focused);
      EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "a round corner";
      EXPECT_EQ(qAlpha(img.pixel(199, 29)), 0) << "a round corner";
      const QColor body = img.pixelColor(100, 15), edge = img.pixelColor(100, 0);
      EXPECT_EQ(body, pal.color(QPalette::AlternateBase));
      EXPECT_NE(body, pal.color(QPalette::Base)) << "a shade apart from the card it stands on";
      if (focused) {
        EXPECT_GE(test::contrast(edge, body), 3.0);
      } else {
        EXPECT_GE(test::contrast(edge, body), 1.15);
        EXPECT_LT(test::contrast(edge, body), 3.0) << "a hairline, not the focus";
      }
    }
  }
}

TEST_F(StockFields, AComboBoxIsAFieldWithAChevronInEitherLook) {
  StockStyle style;
  for (const auto appearance : {Appearance::light, Appearance::dark}) {
    SCOPED_TRACE(appearance == Appearance::dark ? "dark" : "light");
    const QPalette pal = views::AppLook::palette(appearance);
    QComboBox combo;
    combo.setStyle(&style);
    combo.setPalette(pal);
    combo.addItem("Right Shift double-tap");
    combo.resize(240, combo.sizeHint().height());
    const QImage img = views::renderWidget(combo, 1).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "a round corner";
    EXPECT_EQ(img.pixelColor(combo.width() / 2, 3), pal.color(QPalette::AlternateBase)) << "the field's body";
    // The chevron, in the trailing 26 pixels, stands out from the body.
    double best = 1;
    for (int y = 0; y < img.height(); ++y) {
      for (int x = img.width() - 26; x < img.width() - 4; ++x) {
        best = std::max(best, test::contrast(img.pixelColor(x, y), pal.color(QPalette::AlternateBase)));
      }
    }
    EXPECT_GE(best, 3.0);
  }
}

TEST_F(StockFields, AFramedTextEditorIsAFieldManyLinesTall) {
  StockStyle style;
  for (const auto appearance : {Appearance::light, Appearance::dark}) {
    SCOPED_TRACE(appearance == Appearance::dark ? "dark" : "light");
    const QPalette pal = views::AppLook::palette(appearance);
    QPlainTextEdit editor;
    editor.setStyle(&style);
    editor.setPalette(pal);
    editor.resize(300, 120);
    const QImage img = views::renderWidget(editor, 1).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "a round corner";
    EXPECT_EQ(img.pixelColor(150, 100), pal.color(QPalette::AlternateBase)) << "the field's body, under the text";
    EXPECT_GE(test::contrast(img.pixelColor(150, 0), img.pixelColor(150, 100)), 1.15) << "its edge";
  }
  QPlainTextEdit bare;
  bare.setFrameShape(QFrame::NoFrame);
  bare.setStyle(&style);
  EXPECT_TRUE(bare.viewport()->autoFillBackground()) << "an editor without a frame is left as it is";
}

TEST_F(StockFields, ACheckBoxShowsItsEdgeOffAndTheAccentOnInEitherLook) {
  StockStyle style;
  for (const auto appearance : {Appearance::light, Appearance::dark}) {
    SCOPED_TRACE(appearance == Appearance::dark ? "dark" : "light");
    const QPalette pal = views::AppLook::palette(appearance);
    for (const bool on : {false, true}) {
      SCOPED_TRACE(on ? "on" : "off");
      QImage img(16, 16, QImage::Format_ARGB32);
      img.fill(pal.color(QPalette::Window));
      QStyleOptionButton option;
      option.rect = img.rect();
      option.palette = pal;
      option.state = QStyle::State_Enabled | (on ? QStyle::State_On : QStyle::State_Off);
      QPainter p(&img);
      style.drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &p, nullptr);
      p.end();
      // The middle of the left edge, and a point inside clear of the check.
      const QColor edge = img.pixelColor(1, 8), inside = img.pixelColor(4, 4);
      if (on) {
        EXPECT_EQ(inside, pal.color(QPalette::Highlight));
      } else {
        EXPECT_GE(test::contrast(edge, pal.color(QPalette::Window)), 3.0) << "the box shows on the page";
        EXPECT_EQ(inside, pal.color(QPalette::AlternateBase));
      }
    }
  }
}

}  // namespace
}  // namespace orvak::look
