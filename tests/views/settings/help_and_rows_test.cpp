// The settings rows and sections, the cheat sheet's fitted texts and the help page, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <memory>

#include "app/prefs.h"
#include "app/settings/cheat_sheet.h"
#include "app/views/look/appearance.h"
#include "app/views/look/controls.h"
#include "app/views/look/ink_label.h"
#include "app/views/look/palette.h"
#include "app/views/look/pieces.h"
#include "app/views/look/text_styles.h"
#include "app/views/settings/cheat_sheet_view.h"
#include "app/views/settings/fitted_text.h"
#include "app/views/settings/help_page.h"
#include "app/views/settings/rows.h"
#include "app/views/shots.h"
#include "tests/support/temp_home.h"
#include "tests/views/look_test.h"

namespace orvak::views::settings {
namespace {

// Lays a widget out at `width` as a shown window would, at the height it asks for.
void layOut(QWidget& w, int width) {
  w.setAttribute(Qt::WA_DontShowOnScreen);
  w.show();
  w.resize(width, w.hasHeightForWidth() ? w.heightForWidth(width) : w.sizeHint().height());
  QApplication::processEvents();
}

QRect inside(const QWidget* w, const QWidget* ancestor) { return QRect(w->mapTo(ancestor, QPoint(0, 0)), w->size()); }

TEST(FittedText, PhraseShrinksToItsLeastScaleThenIsCut) {
  const QString phrase = "“go back to the part about the very long thing…”";
  FitLine line(phrase, look::serifFont(14.5, QFont::Normal, true), look::Margin::ink, 0.85);
  const double natural = QFontMetricsF(look::serifFont(14.5, QFont::Normal, true)).horizontalAdvance(phrase);

  const auto roomy = line.fit(natural + 10);
  EXPECT_EQ(roomy.scale, 1.0);
  EXPECT_EQ(roomy.shown, phrase);

  const auto tight = line.fit(natural * 0.9);
  EXPECT_NEAR(tight.scale, 0.9, 0.001);
  EXPECT_EQ(tight.shown, phrase) << "shrunk, not cut";

  const auto cramped = line.fit(natural * 0.5);
  EXPECT_EQ(cramped.scale, 0.85);
  EXPECT_TRUE(cramped.shown.endsWith(QChar(0x2026))) << cramped.shown.toStdString();
  EXPECT_LT(cramped.shown.size(), phrase.size());
  // What is drawn at 85 % fits the room.
  const QFontMetricsF m(look::serifFont(14.5, QFont::Normal, true));
  EXPECT_LE(m.horizontalAdvance(cramped.shown) * 0.85, natural * 0.5 + 0.5);
}

TEST(FittedText, MeaningWrapsToTwoLinesThenIsCut) {
  const QString meaning = "Ask what you saved and listened to, and what you wrote down about all of it last week";
  ClampedText text(meaning, look::systemFont(11.5), look::Margin::ink3, 2);
  const double natural = QFontMetricsF(look::systemFont(11.5)).horizontalAdvance(meaning);
  EXPECT_EQ(text.lines(natural + 4), QStringList{meaning});

  const auto two = text.lines(natural / 3);
  ASSERT_EQ(two.size(), 2);
  EXPECT_FALSE(two[0].endsWith(QChar(0x2026)));
  EXPECT_TRUE(two[1].endsWith(QChar(0x2026))) << two[1].toStdString();
  EXPECT_EQ(text.heightForWidth(int(natural / 3)), text.heightForWidth(int(natural / 6)))
      << "never taller than two lines";

  ClampedText unlimited(meaning, look::systemFont(11.5), look::Margin::ink3, 0);
  const auto all = unlimited.lines(natural / 3);
  EXPECT_GE(all.size(), 3);
  EXPECT_EQ(all.join(' '), meaning) << "without a limit nothing is cut";
}

class RowsTest : public test::LookTest {
 protected:
  void SetUp() override { look::setAppearance(look::Appearance::light); }
};

TEST_F(RowsTest, RowHeightsAndCentring) {
  MSection section("Rows");
  auto* plain = section.addRow("No caption", std::nullopt, new look::OrbitSwitch);
  auto* button = new look::MarginButton("Open…", false);
  auto* tall = section.addRow(
      "Long caption",
      QString("A caption long enough to wrap onto several lines in a narrow window, so that its row must grow "
              "beyond the least height of a row while its label and its control stay centred."),
      button);
  layOut(section, 420);

  EXPECT_EQ(plain->height(), MRow::kMinHeight);
  EXPECT_EQ(plain->caption(), nullptr);
  EXPECT_GT(tall->height(), MRow::kMinHeight + 20);
  ASSERT_NE(tall->caption(), nullptr);
  EXPECT_GE(tall->caption()->lines(tall->caption()->width()).size(), 3);
  // Label and caption together, and the control, are centred in the row.
  const QRect label = inside(tall->label(), tall), caption = inside(tall->caption(), tall);
  const double textsMiddle = (label.top() + caption.bottom() + 1) / 2.0;
  EXPECT_NEAR(textsMiddle, tall->height() / 2.0, 1.5);
  EXPECT_NEAR(inside(button, tall).center().y(), tall->height() / 2.0, 1.5);
  EXPECT_EQ(tall->trailing()->font().pixelSize(), look::systemFont(MRow::kTrailingFontSize).pixelSize());
}

TEST_F(RowsTest, EveryRowHasItsHairlineAndFreeTextNone) {
  MSection section("Lines");
  auto* first = section.addRow("First", std::nullopt, nullptr);
  auto* text = section.addText("Free text in the card");
  auto* last = section.addRow("Last", QString("With a caption"), new look::OrbitSwitch);
  layOut(section, 400);
  const QImage img = renderWidget(section, 1).convertToFormat(QImage::Format_ARGB32);
  const QColor card = look::Margin::card.color();
  // Right of any text, near the card's right inset, the bottom pixel row of each piece.
  auto bottomPixel = [&](QWidget* w) {
    const QRect r = inside(w, &section);
    return img.pixelColor(r.right() - 2, r.bottom());
  };
  EXPECT_NE(bottomPixel(first), card) << "first row's hairline";
  EXPECT_NE(bottomPixel(last), card) << "last row's hairline";
  EXPECT_EQ(bottomPixel(text), card) << "free text has no hairline";
  // The hairline spans the row.
  EXPECT_EQ(first->hairline(), QRect(0, first->height() - 1, first->width(), 1));
  // Free text has no row padding: it starts where the row above ends.
  EXPECT_EQ(inside(text, &section).top(), inside(first, &section).bottom() + 1);
  EXPECT_EQ(inside(text, &section).left(), inside(first, &section).left());
}

TEST_F(RowsTest, EmptySectionShowsHeadingOverEmptyCard) {
  MSection section("Nothing yet");
  layOut(section, 400);
  const QRect heading = inside(section.heading(), &section);
  const QRect card = inside(section.card(), &section);
  EXPECT_GT(card.height(), 0);
  EXPECT_GE(card.top(), heading.bottom());
  EXPECT_EQ(section.heading()->run(), "NOTHING YET");
  EXPECT_EQ(heading.top(), 14);
}

class HelpPageTest : public test::LookTest {
 protected:
  void SetUp() override {
    look::setAppearance(look::Appearance::light);
    prefs = std::make_unique<Prefs>(std::make_shared<platform::Defaults>(test::freshDir("help") / "defaults.json"));
  }
  std::unique_ptr<Prefs> prefs;
};

// The phrases and titles the sheet shows.
std::vector<QString> phrases(const CheatSheetView& sheet) {
  std::vector<QString> out;
  for (const auto& g : sheet.shown()) {
    for (const auto& [phrase, meaning] : g.rows) out.push_back(phrase->text());
  }
  return out;
}

TEST_F(HelpPageTest, SheetFormsAndTitles) {
  CheatSheetView full("Right Shift", false), compact("Right Shift", true);
  EXPECT_EQ(phrases(full).size(), 18u);
  EXPECT_EQ(phrases(compact).size(), 8u);
  std::vector<QString> titles;
  for (const auto& g : full.shown()) titles.push_back(g.title);
  EXPECT_EQ(titles, (std::vector<QString>{"READING", "MOVING AROUND", "SAVING", "ASKING"}));
  EXPECT_EQ(full.closing(), nullptr);
  ASSERT_NE(compact.closing(), nullptr);
  EXPECT_EQ(static_cast<QLabel*>(compact.closing())->text(), "Everything else is in Help & Shortcuts.");
}

TEST_F(HelpPageTest, AHotkeyChangeShowsAtOnce) {
  HelpPage page(*prefs, {});
  EXPECT_TRUE(page.introduction()->text().contains("double-tap Right Shift. Hold the same key"));
  EXPECT_EQ(phrases(*page.sheet())[0], "Double-tap Right Shift");
  prefs->setHotkeyCode(61);
  EXPECT_TRUE(page.introduction()->text().contains("double-tap Right Alt. Hold the same key"));
  EXPECT_EQ(phrases(*page.sheet())[0], "Double-tap Right Alt");
  EXPECT_EQ(phrases(*page.sheet())[1], "Hold Right Alt");
  EXPECT_EQ(phrases(*page.sheet()).size(), 18u);
}

TEST_F(HelpPageTest, SetupButtonsCallTheirActions) {
  int onboarding = 0;
  std::vector<std::optional<std::string>> feedback;
  std::optional<std::string> email = "ada@example.org";
  HelpPage page(*prefs, {[&] { ++onboarding; }, [&](std::optional<std::string> e) { feedback.push_back(e); },
                         [&] { return email; }});
  QTest::mouseClick(page.setupButton(), Qt::LeftButton);
  EXPECT_EQ(onboarding, 1);
  page.feedbackButton()->click();
  email.reset();  // signed out
  page.feedbackButton()->click();
  EXPECT_EQ(feedback, (std::vector<std::optional<std::string>>{"ada@example.org", std::nullopt}));
  EXPECT_EQ(onboarding, 1);
  // The version row has no button.
  EXPECT_EQ(page.versionRow()->trailing(), nullptr);
  EXPECT_TRUE(page.versionRow()->label()->text().startsWith("Orvak "));
}

}  // namespace
}  // namespace orvak::views::settings
