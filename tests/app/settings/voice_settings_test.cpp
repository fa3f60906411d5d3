// The voice picker's filters, accents, tags and icons, and the Voice page's rows, chooser and
// speed strip.
#include <gtest/gtest.h>
#include <unicode/locid.h>

#include "app/settings/voice_page_model.h"
#include "app/settings/voice_picker_model.h"

using namespace orvak;
using namespace orvak::VoicePickerModel;

namespace {

VoiceCatalogList fixture() {
  auto v = [](std::string id, std::string gender, std::string accent, std::vector<std::string> langs,
              std::string description = "A voice") {
    return VoiceCatalogItem{id, id, description, gender, accent, langs, false};
  };
  return {"Ava",
          {v("Ava", "female", "american", {"en"}, "Warm and clear"), v("Ben", "male", "british", {"en"}),
           v("Cleo", "Female", "scottish highland", {"en"}), v("Dan", "", "", {"en"}),
           v("Eli", "male", "irish", {"en", "de"}), v("Hans", "male", "german", {"de"}),
           v("Marie", "female", "", {"fr", "en-CA"}), v("Zed", "male", "", {"xx"})}};
}

std::vector<std::string> ids(const std::vector<VoiceCatalogItem>& voices) {
  std::vector<std::string> out;
  for (const auto& v : voices) out.push_back(v.id);
  return out;
}

class PickerModel : public ::testing::Test {
 protected:
  void SetUp() override {
    UErrorCode status = U_ZERO_ERROR;
    saved = icu::Locale::getDefault();
    icu::Locale::setDefault(icu::Locale("en_US"), status);
  }
  void TearDown() override {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(saved, status);
  }
  icu::Locale saved;
};

TEST_F(PickerModel, FiltersTable) {
  struct Case {
    const char* what;
    Filters filters;
    std::vector<std::string> shown;
  };
  const std::vector<Case> cases{
      {"initial: English only", {}, {"Ava", "Ben", "Cleo", "Dan", "Eli"}},
      {"other languages",
       {"", kAnyone, kAnyAccent, true},
       {"Ava", "Ben", "Cleo", "Dan", "Eli", "Hans", "Marie", "Zed"}},
      {"accent only matches, other case", {"BRITISH", kAnyone, kAnyAccent, false}, {"Ben"}},
      {"description matches", {"warm", kAnyone, kAnyAccent, false}, {"Ava"}},
      {"women: exactly female", {"", kWomen, kAnyAccent, false}, {"Ava"}},
      {"men", {"", kMen, kAnyAccent, true}, {"Ben", "Eli", "Hans", "Zed"}},
      {"accent menu entry", {"", kAnyone, "Scottish Highland", false}, {"Cleo"}},
      {"nothing matches", {"nobody", kAnyone, kAnyAccent, true}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ids(items(fixture(), c.filters)), c.shown) << c.what;
}

TEST_F(PickerModel, AccentsAreEnglishDistinctSortedCapitalised) {
  auto list = fixture();
  list.voices.push_back(list.voices[1]);  // a second british voice
  EXPECT_EQ(accents(list), (std::vector<std::string>{"American", "British", "Irish", "Scottish Highland"}));
}

TEST_F(PickerModel, Tags) {
  const auto list = fixture();
  auto tagOf = [&](const std::string& id) {
    for (const auto& v : list.voices) {
      if (v.id == id) return tag(v);
    }
    return std::optional<std::string>("missing");
  };
  EXPECT_EQ(tagOf("Ava"), std::nullopt) << "american";
  EXPECT_EQ(tagOf("Dan"), std::nullopt) << "no accent";
  EXPECT_EQ(tagOf("Ben"), "British");
  EXPECT_EQ(tagOf("Eli"), "Irish") << "speaks English among others";
  EXPECT_EQ(tagOf("Hans"), "German");
  EXPECT_EQ(tagOf("Marie"), "French");
  EXPECT_EQ(tagOf("Zed"), "xx") << "a code without a name";
}

TEST_F(PickerModel, PreviewIcon) {
  EXPECT_EQ(previewIcon("Ava", "Ava", std::nullopt), "stop.fill");
  EXPECT_EQ(previewIcon("Ava", "Ben", "Ava"), "ellipsis");
  EXPECT_EQ(previewIcon("Ava", std::nullopt, "Ben"), "play.fill");
}

TEST(VoicePage, VendorRowsAndChooser) {
  using namespace VoicePageModel;
  auto keys = [](std::initializer_list<std::string_view> stored) {
    std::vector<std::string_view> s(stored);
    return [s](std::string_view name) { return std::find(s.begin(), s.end(), name) != s.end(); };
  };
  const auto plain = vendorRows(false, Vendor::inworld, keys({}));
  ASSERT_EQ(plain.size(), 2u);
  EXPECT_EQ(plain[0], (VendorRow{Vendor::inworld, "Natural", "Not set up on this computer yet", true}));
  EXPECT_EQ(plain[1], (VendorRow{Vendor::onDevice, "On-device", "Runs on this computer. Works offline.", false}));

  const auto dev = vendorRows(true, Vendor::onDevice, keys({"inworld"}));
  ASSERT_EQ(dev.size(), 3u);
  EXPECT_EQ(dev[0].title, "Natural · Inworld TTS-2 Flash");
  EXPECT_EQ(dev[0].subtitle, "Our most lifelike voice. Streams over the internet.");
  EXPECT_EQ(dev[1], (VendorRow{Vendor::cartesia, "Natural (alternate) · Cartesia Sonic",
                               "Needs a key (Settings → Keys)", false}));
  EXPECT_TRUE(dev[2].selected);

  struct Case {
    ChooserInputs in;
    Chooser want;
  };
  const std::vector<Case> cases{
      {{Vendor::inworld, false, false, true, false, false}, Chooser::picker},
      {{Vendor::inworld, false, false, false, false, false}, Chooser::naturalMenu},
      {{Vendor::inworld, false, false, false, false, true}, Chooser::naturalField},
      {{Vendor::inworld, true, false, true, true, false}, Chooser::naturalMenu},    // developer wins
      {{Vendor::inworld, false, true, false, true, false}, Chooser::picker},        // debugControl and a list
      {{Vendor::inworld, false, true, false, false, false}, Chooser::naturalMenu},  // debugControl, no list
      {{Vendor::cartesia, true, false, true, true, false}, Chooser::voiceIdField},
      {{Vendor::onDevice, false, false, true, true, false}, Chooser::onDeviceMenu},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(chooser(cases[i].in), cases[i].want) << "case " << i;
}

TEST(VoicePage, SpeedStrip) {
  using namespace VoicePageModel;
  std::vector<std::string> labels;
  for (const auto& b : speedStrip(1.0f)) labels.push_back(b.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"0.8×", "1×", "1.2×", "1.5×", "1.8×", "2×"}));
  auto selected = [](float speed) {
    std::vector<float> out;
    for (const auto& b : speedStrip(speed)) {
      if (b.selected) out.push_back(b.value);
    }
    return out;
  };
  EXPECT_EQ(selected(1.25f), std::vector<float>{1.25f});
  EXPECT_EQ(selected(1.1f), std::vector<float>{});
}

}  // namespace
