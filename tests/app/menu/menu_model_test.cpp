// The status menu's rows for the states it is opened in, compared as indented text.
#include "app/menu/menu_model.h"

#include <gtest/gtest.h>

#include <string>

using namespace orvak;

namespace {

// Granted, idle, signed keys for Inworld, library open and empty, voice commands running.
menu::Snapshot idle() {
  menu::Snapshot s;
  s.accessibility = true;
  s.mic = platform::MicAccess::granted;
  s.voiceStatus = "on";
  s.inworldKey = true;
  s.notesOpen = true;
  return s;
}

menu::Snapshot reading(bool paused = false) {
  menu::Snapshot s = idle();
  s.player = true;
  PlayerState st;
  st.label = "Natural";
  st.sentence = 3;
  st.total = 12;
  st.paused = paused;
  s.state = st;
  s.reading = menu::readingNow("Rivers of the North", "Firefox", st);
  return s;
}

std::string rows(const menu::Snapshot& s) { return menu::describe(menu::build(s)); }

// The lines of `text` from the one starting with `first`, `n` of them.
std::string lines(const std::string& text, const std::string& first, int n) {
  auto at = text.find(first);
  if (at == std::string::npos) return "<no line " + first + ">";
  auto end = at;
  for (int i = 0; i < n && end != std::string::npos; ++i) end = text.find('\n', end + 1);
  return text.substr(at, end == std::string::npos ? std::string::npos : end - at + 1);
}

}  // namespace

TEST(MenuModelTest, IdleAndReadingMenusInOrder) {
  EXPECT_EQ(rows(idle()),
            "[header] Orvak | ⇧⇧ Double-tap Right Shift in any app to read it\n"
            "---\n"
            "Read Front Window {doc.plaintext}\n"
            "---\n"
            "Voice {waveform}\n"
            "  ✓ Natural\n"
            "  On-device\n"
            "Speed  1× {gauge.with.dots.needle.50percent}\n"
            "  0.8×\n  ✓ 1×\n  1.2×\n  1.5×\n  1.8×\n  2×\n"
            "Listen Without Holding the Key {ear}\n"
            "---\n"
            "Library… [Ctrl+l] {highlighter}\n"
            "Ask Your Library… {sparkle.magnifyingglass}\n"
            "---\n"
            "Settings… [Ctrl+,] {gearshape}\n"
            "Setup & Permissions… {checkmark.shield}\n"
            "Send Feedback… {bubble.left}\n"
            "---\n"
            "Quit Orvak [Ctrl+q]\n");
  EXPECT_EQ(lines(rows(reading()), "[header]", 8),
            "[header] Rivers of the North | Firefox · Natural · sentence 3 of 12\n"
            "---\n"
            "Pause {pause}\n"
            "Skip Ahead {forward}\n"
            "Go Back {backward}\n"
            "Stop {stop}\n"
            "Hold Right Shift and say “highlight that” (disabled)\n"
            "---\n");
  EXPECT_EQ(rows(reading()).find("Read Front Window"), std::string::npos);
}

TEST(MenuModelTest, MissingAccessibilityComesFirstAndBadgesTheIcon) {
  menu::Snapshot s = reading();
  s.accessibility = false;
  EXPECT_EQ(lines(rows(s), "[header]", 5),
            "[header] Rivers of the North | Firefox · Natural · sentence 3 of 12\n"
            "---\n"
            "Grant Accessibility… {lock.open}\n"
            "---\n"
            "Pause {pause}\n");
  menu::Snapshot idleNoAccess = idle();
  idleNoAccess.accessibility = false;
  EXPECT_EQ(lines(rows(idleNoAccess), "[header]", 1), "[header] Orvak | ⇧⇧ Grant Accessibility to start reading\n");
  EXPECT_EQ(menu::iconLook(false, true, 60),
            (menu::IconLook{menu::Icon::needsSetup, "Orvak needs Accessibility to read windows", "Orvak needs setup"}));
  EXPECT_EQ(menu::iconLook(true, true, 60), (menu::IconLook{menu::Icon::reading, "Orvak — reading", "Orvak"}));
  EXPECT_EQ(menu::iconLook(true, false, 61),
            (menu::IconLook{menu::Icon::idle, "Orvak — Right Alt double-tap to read the front window", "Orvak"}));
}

TEST(MenuModelTest, PauseOrResumeFollowsThePublishedState) {
  EXPECT_EQ(lines(rows(reading(true)), "Resume", 1), "Resume {play}\n");
  menu::Snapshot unpublished = reading();
  unpublished.state.reset();
  unpublished.reading.reset();
  const std::string text = rows(unpublished);
  EXPECT_EQ(lines(text, "Pause", 1), "Pause {pause}\n");
  EXPECT_EQ(lines(text, "[header]", 1), "[header] Orvak | ⇧⇧ Double-tap Right Shift in any app to read it\n")
      << "no read to show before its first state";
}

TEST(MenuModelTest, VoicesWithAndWithoutTheDeveloperFlagAndKeys) {
  menu::Snapshot s = idle();
  s.inworldKey = false;
  s.vendor = Vendor::onDevice;
  EXPECT_EQ(lines(rows(s), "Voice {", 3), "Voice {waveform}\n  Natural — not set up\n  ✓ On-device\n");
  s.developer = true;
  s.cartesiaKey = true;
  EXPECT_EQ(lines(rows(s), "Voice {", 4),
            "Voice {waveform}\n"
            "  Natural · Inworld TTS-2 Flash — no key\n"
            "  Natural (alternate) · Cartesia Sonic\n"
            "  ✓ On-device · espeak-ng (offline)\n");
  const auto built = menu::build(s);
  const auto voice = std::find_if(built.begin(), built.end(), [](const menu::Row& r) { return r.title == "Voice"; });
  ASSERT_NE(voice, built.end());
  for (const menu::Row& r : voice->children) {
    EXPECT_TRUE(r.enabled) << r.title << ": a vendor without a key stays selectable";
    EXPECT_EQ(r.action, menu::Action::pickVendor);
  }
  EXPECT_EQ(voice->children[0].value, "inworld");
  EXPECT_EQ(voice->children[2].value, std::string(rawValue(Vendor::onDevice)));
}

TEST(MenuModelTest, TheSpeedRowAndItsCheckedEntry) {
  menu::Snapshot s = idle();
  s.speed = 1.25f;
  EXPECT_EQ(lines(rows(s), "Speed", 7),
            "Speed  1.2× {gauge.with.dots.needle.50percent}\n  0.8×\n  1×\n  ✓ 1.2×\n  1.5×\n  1.8×\n  2×\n");
  s.speed = 1.3f;  // off the ladder: nothing checked
  EXPECT_EQ(lines(rows(s), "Speed", 7).find("✓"), std::string::npos);
}

TEST(MenuModelTest, MicrophoneRows) {
  struct Case {
    platform::MicAccess mic;
    const char* status;
    const char* row;  // the row after "Listen Without Holding the Key", or "---" for none
  };
  const Case cases[] = {
      {platform::MicAccess::notAsked, "off", "Voice commands need the microphone (disabled)"},
      {platform::MicAccess::denied, "on", "Voice commands need the microphone (disabled)"},
      {platform::MicAccess::granted, "starting…", "Voice commands: starting… (disabled)"},
      {platform::MicAccess::granted, "no microphone found", "Voice commands: no microphone found (disabled)"},
      {platform::MicAccess::granted, "on", "---"},
  };
  for (const auto& c : cases) {
    menu::Snapshot s = idle();
    s.mic = c.mic;
    s.voiceStatus = c.status;
    s.alwaysOnListening = true;
    EXPECT_EQ(lines(rows(s), "✓ Listen", 2), "✓ Listen Without Holding the Key {ear}\n" + std::string(c.row) + "\n")
        << c.status;
  }
}

TEST(MenuModelTest, RecentItemsTheResearchFileAndTheLastError) {
  menu::Snapshot s = idle();
  EXPECT_EQ(rows(s).find("Recent"), std::string::npos) << "an empty library has no Recent";
  const std::string longQuote(69, 'a');  // 69 + the opening quote: the closing one is cut off
  s.recent = {{false, longQuote, std::nullopt, "https://example.org/a", "Example"},
              {true, "quoted", std::string("my note"), "https://example.org/b", "B"},
              {false, "short", std::nullopt, "k", ""}};
  EXPECT_EQ(lines(rows(s), "Recent", 4),
            "Recent {clock}\n  “" + longQuote + " {highlighter}\n  my note {pencil}\n  “short” {highlighter}\n");
  const auto built = menu::build(s);
  const auto recent = std::find_if(built.begin(), built.end(), [](const menu::Row& r) { return r.title == "Recent"; });
  ASSERT_NE(recent, built.end());
  EXPECT_EQ(recent->children[0].value, "https://example.org/a");
  EXPECT_EQ(recent->children[0].toolTip, "Example");
  EXPECT_EQ(recent->children[0].action, menu::Action::openNotes);

  s.notesOpen = false;
  s.lastError = "Couldn't reach the voice";
  EXPECT_EQ(lines(rows(s), "Ask Your Library", 4),
            "Ask Your Library… {sparkle.magnifyingglass}\n"
            "Open Highlights & Notes File {doc.text}\n"
            "Last: Couldn't reach the voice (disabled)\n"
            "---\n");
  s.developer = true;
  EXPECT_EQ(lines(rows(s), "Send Feedback", 2), "Send Feedback… {bubble.left}\nOpen Logs Folder {folder}\n");
}

TEST(MenuModelTest, TheKeysNameAndGlyphNameTheSameKey) {
  struct Case {
    std::uint16_t code;
    const char* name;
    const char* glyph;
  };
  const Case cases[] = {
      {60, "Right Shift", "⇧"},     {61, "Right Alt", "Alt"},     {58, "Left Alt", "Alt"},
      {54, "Right Super", "❖"},     {62, "Right Control", "Ctrl"}, {59, "Left Control", "Ctrl"},
      {99, "Right Shift", "⇧"},  // unknown: the default key, name and glyph alike
  };
  for (const auto& c : cases) {
    EXPECT_EQ(menu::keyName(c.code), c.name) << c.code;
    EXPECT_EQ(menu::keyGlyph(c.code), c.glyph) << c.code;
  }
}

TEST(MenuModelTest, TheReadInTheHeader) {
  PlayerState st;
  st.label = "Natural";
  st.sentence = 2;
  st.total = 8;
  struct Case {
    const char* app;
    const char* label;
    bool paused;
    int total;
    const char* detail;
    double progress;
  };
  const Case cases[] = {
      {"Firefox", "Natural", false, 8, "Firefox · Natural · sentence 2 of 8", 0.25},
      {"Rivers", "Natural", false, 8, "Natural · sentence 2 of 8", 0.25},  // the app is the title
      {"Rivers", "", false, 8, "sentence 2 of 8", 0.25},
      {"Firefox", "On-device", true, 8, "Firefox · On-device · paused", 0.25},
      {"Firefox", "Natural", false, 0, "Firefox · Natural · sentence 2 of 0", 0},
  };
  for (const auto& c : cases) {
    st.label = c.label;
    st.paused = c.paused;
    st.total = c.total;
    menu::Header h;
    h.reading = menu::readingNow("Rivers", c.app, st);
    EXPECT_EQ(h.detail(), c.detail);
    EXPECT_DOUBLE_EQ(h.progress(), c.progress) << c.detail;
  }
}
