// The voice picker and the Voice page, offscreen, over a catalogue in virtual time and fakes.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <fstream>

#include "app/audio/audio_graph.h"
#include "app/audio/earcon.h"
#include "app/prefs.h"
#include "app/settings/voice_page_host.h"
#include "app/views/look/appearance.h"
#include "app/views/look/controls.h"
#include "app/views/look/ink_label.h"
#include "app/views/settings/voice_picker.h"
#include "app/views/settings/voice_tab.h"
#include "app/voice_catalog/voice_catalog.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/sim/capture_audio_device.h"
#include "tests/app/fake_voice_source.h"
#include "tests/app/tone_file.h"
#include "tests/support/temp_home.h"
#include "tests/views/look_test.h"

namespace orvak::views::settings {
namespace {

VoiceCatalogList smallList() {
  return {"Ava",
          {{"Ava", "Ava", "Warm and clear", "female", "american", {"en"}, false},
           {"Ben", "Ben", "Calm storyteller", "male", "british", {"en"}, false},
           {"Ulla", "Ulla", "Ruhig", "female", "", {"de"}, false}}};
}

class VoiceWidgets : public test::LookTest {
 protected:
  void SetUp() override {
    look::setAppearance(look::Appearance::light);
    dir = test::freshDir("voicew");
    prefs = std::make_unique<Prefs>(std::make_shared<platform::Defaults>(dir / "defaults.json"));
  }
  std::shared_ptr<VoiceCatalog> catalog(bool withList) {
    if (withList) {
      json::Json j = smallList();
      std::ofstream(dir / "voices.json") << j.dump();
    }
    return VoiceCatalog::make(dir / "voices.json", *graph);
  }

  dispatch::VirtualTime vt;
  std::filesystem::path dir;
  std::unique_ptr<Prefs> prefs;
  std::shared_ptr<AudioGraph> graph =
      AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(std::make_shared<platform::AudioTape>()),
                       [](const std::string&) {});
  test::FakeVoiceSource source;
};

QString accessibleName(QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); }

TEST_F(VoiceWidgets, PickerWaitsForAListThenShowsRows) {
  auto cat = catalog(false);
  VoicePicker picker(*cat, source, *prefs);
  EXPECT_FALSE(picker.loading()->isHidden());
  EXPECT_TRUE(picker.listFrame()->isHidden());
  EXPECT_TRUE(picker.rows().empty());
  cat->load(source);
  source.answerList(0, smallList());
  vt.drain();
  EXPECT_TRUE(picker.loading()->isHidden());
  ASSERT_EQ(picker.rows().size(), 2u) << "English voices only at first";
  picker.search()->setText("nobody");
  EXPECT_TRUE(picker.rows().empty());
  ASSERT_NE(picker.noMatch(), nullptr);
  EXPECT_EQ(picker.noMatch()->text(), "No voices match.");
}

TEST_F(VoiceWidgets, RowsNameTheirButtonsAndShowTheChoice) {
  prefs->setInworldVoice("Ava");
  auto cat = catalog(true);
  VoicePicker picker(*cat, source, *prefs);
  ASSERT_EQ(picker.rows().size(), 2u);
  const auto& ava = picker.rows()[0];
  EXPECT_EQ(accessibleName(ava.select), "Ava, Warm and clear");
  EXPECT_EQ(accessibleName(ava.preview), "Hear Ava");
  EXPECT_EQ(ava.preview->toolTip(), "Hear Ava");
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(ava.select)->state().checked);
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(picker.rows()[1].select)->state().checked);

  // Choosing Ben moves the mark at once.
  picker.rows()[1].select->click();
  EXPECT_EQ(prefs->inworldVoice(), "Ben");
  EXPECT_FALSE(picker.rows()[0].select->selected());
  EXPECT_TRUE(picker.rows()[1].select->selected());

  // Ben's sample: loading, then playing, then stopped by its own button.
  picker.rows()[1].preview->click();
  EXPECT_EQ(picker.rows()[1].preview->icon(), "ellipsis");
  source.answerSample("Ben", test::toneFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 2.0));
  vt.drain();
  ASSERT_EQ(cat->playing(), std::string("Ben"));
  EXPECT_EQ(picker.rows()[1].preview->icon(), "stop.fill");
  EXPECT_EQ(accessibleName(picker.rows()[1].preview), "Stop Ben");
  EXPECT_EQ(accessibleName(picker.rows()[0].preview), "Hear Ava");
  picker.rows()[1].preview->click();
  EXPECT_EQ(picker.rows()[1].preview->icon(), "play.fill");
}

TEST_F(VoiceWidgets, SpaceOnARowsButtonKeepsTheFocusThereThroughTheRebuilds) {
  prefs->setInworldVoice("Ava");
  auto cat = catalog(true);
  VoicePicker picker(*cat, source, *prefs);
  picker.resize(640, 420);
  picker.show();
  QApplication::setActiveWindow(&picker);
  // Which button of which row holds the focus, as "preview Ben".
  auto focused = [&]() -> std::string {
    for (const auto& r : picker.rows()) {
      if (QApplication::focusWidget() == r.preview) return "preview " + r.id;
      if (QApplication::focusWidget() == r.select) return "select " + r.id;
    }
    return QApplication::focusWidget() == picker.search() ? "search" : "elsewhere";
  };
  auto space = [&](const std::string& id, bool preview) {
    for (const auto& r : picker.rows()) {
      if (r.id != id) continue;
      QWidget* b = preview ? static_cast<QWidget*>(r.preview) : r.select;
      b->setFocus();
      QTest::keyClick(b, Qt::Key_Space);
    }
  };

  space("Ben", true);
  EXPECT_EQ(cat->loadingPreview(), std::string("Ben"));
  EXPECT_EQ(focused(), "preview Ben") << "the sample loading rebuilt the rows";
  source.answerSample("Ben", test::toneFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 2.0));
  vt.drain();
  ASSERT_EQ(cat->playing(), std::string("Ben"));
  EXPECT_EQ(focused(), "preview Ben") << "the sample playing rebuilt them again";
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_EQ(cat->playing(), std::nullopt) << "the second Space stops the sample";
  EXPECT_EQ(picker.search()->text(), "") << "and types nothing into the search";
  EXPECT_EQ(focused(), "preview Ben");

  space("Ben", false);
  EXPECT_EQ(prefs->inworldVoice(), "Ben");
  EXPECT_EQ(focused(), "select Ben") << "choosing a voice redraws the rows";
  // Typing in the search rebuilds the rows under the field, which keeps the focus.
  picker.search()->setFocus();
  QTest::keyClicks(picker.search(), "av");
  EXPECT_EQ(focused(), "search");
  EXPECT_EQ(picker.rows().size(), 1u);
}

class FakeVoiceHost final : public VoicePageHost {
 public:
  explicit FakeVoiceHost(VoiceCatalog& catalog, VoiceSource& source) : catalog_(catalog), source_(source) {}
  struct Trigger {
    std::string source;
    double lag;
    ReadOptions opts;
    std::optional<std::string> text;
  };
  std::vector<Trigger> triggers;
  bool signedIn = true;
  std::vector<InworldEngine::Voice> natural{{"Ava", "Ava", "Warm and clear"}};

  void trigger(const std::string& s, double lag, ReadOptions opts, std::optional<std::string> text) override {
    triggers.push_back({s, lag, opts, text});
  }
  bool hasKey(std::string_view name) const override { return name == "account" && signedIn; }
  VoiceCatalog& catalog() override { return catalog_; }
  VoiceSource& voiceSource() override { return source_; }
  std::vector<OnDeviceEngine::VoiceChoice> onDeviceVoices() override { return {{"en-gb", "English (en-gb)"}}; }
  std::vector<InworldEngine::Voice> naturalVoices() override { return natural; }

 private:
  VoiceCatalog& catalog_;
  VoiceSource& source_;
};

TEST_F(VoiceWidgets, VoicePageChoosersAndLoads) {
  auto cat = catalog(true);
  FakeVoiceHost host(*cat, source);
  prefs->setVendor(Vendor::inworld);
  VoiceTab tab(host, *prefs);
  EXPECT_EQ(tab.chooser(), VoicePageModel::Chooser::picker);
  EXPECT_NE(tab.picker(), nullptr);
  EXPECT_EQ(source.lists.size(), 1u) << "showing the picker loads the list";
  ASSERT_EQ(tab.vendorRows().size(), 2u);

  tab.vendorRows()[1]->click();  // on-device
  EXPECT_EQ(prefs->vendor(), Vendor::onDevice);
  EXPECT_EQ(tab.chooser(), VoicePageModel::Chooser::onDeviceMenu);
  ASSERT_NE(tab.voiceMenu(), nullptr);
  EXPECT_EQ(tab.voiceMenu()->itemText(0), "Best installed");
  tab.voiceMenu()->activated(1);
  EXPECT_EQ(prefs->onDeviceVoice(), "en-gb");
  tab.voiceMenu()->activated(0);
  EXPECT_EQ(prefs->onDeviceVoice(), "");

  prefs->setVendor(Vendor::inworld);
  EXPECT_EQ(source.lists.size(), 2u) << "each showing loads once";
  prefs->setInworldVoice("Ben");
  EXPECT_EQ(source.lists.size(), 2u) << "a new choice is not a new showing";
}

TEST_F(VoiceWidgets, SpaceOnASourceRowKeepsTheFocusOnThatRow) {
  auto cat = catalog(true);
  FakeVoiceHost host(*cat, source);
  prefs->setVendor(Vendor::inworld);
  VoiceTab tab(host, *prefs);
  tab.resize(640, 700);
  tab.show();
  QApplication::setActiveWindow(&tab);
  for (const Vendor v : {Vendor::onDevice, Vendor::inworld, Vendor::onDevice}) {
    SCOPED_TRACE(std::string(rawValue(v)));
    VendorRowButton* row = nullptr;
    for (auto* b : tab.vendorRows()) {
      if (b->row().vendor == v) row = b;
    }
    ASSERT_NE(row, nullptr);
    QApplication::processEvents();  // the rows of the last rebuild come into view
    row->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), row);
    QTest::keyClick(row, Qt::Key_Space);
    EXPECT_EQ(prefs->vendor(), v);
    auto* now = dynamic_cast<VendorRowButton*>(QApplication::focusWidget());
    ASSERT_NE(now, nullptr) << "the focus left the source rows";
    EXPECT_EQ(now->row().vendor, v);
    EXPECT_TRUE(now->row().selected);
  }
}

TEST_F(VoiceWidgets, SpeedStripAndSample) {
  auto cat = catalog(true);
  FakeVoiceHost host(*cat, source);
  prefs->setSpeed(1.25f);
  VoiceTab tab(host, *prefs);
  auto selected = [&] {
    std::vector<float> out;
    for (auto* b : tab.speeds()) {
      if (b->selected()) out.push_back(b->value());
    }
    return out;
  };
  EXPECT_EQ(selected(), std::vector<float>{1.25f});
  tab.speeds()[0]->click();
  EXPECT_EQ(prefs->speed(), 0.8f);
  EXPECT_EQ(selected(), std::vector<float>{0.8f});
  prefs->setSpeed(1.1f);
  EXPECT_TRUE(selected().empty());

  for (bool cue : {true, false}) {
    Earcon::enabled = cue;
    tab.sampleButton()->click();
    ASSERT_FALSE(host.triggers.empty());
    const auto& t = host.triggers.back();
    EXPECT_EQ(t.source, "test");
    EXPECT_EQ(t.lag, -1);
    EXPECT_EQ(t.opts.earcon, cue);
    EXPECT_FALSE(t.opts.mute);
    EXPECT_FALSE(t.opts.fromScreen);
    EXPECT_EQ(t.text, VoicePageModel::kSampleText);
  }
  Earcon::enabled = true;
}

}  // namespace
}  // namespace orvak::views::settings
