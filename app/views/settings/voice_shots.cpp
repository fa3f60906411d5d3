// Pictures of the voice picker and the Voice page over a fixture list of voices.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <fstream>
#include <stdexcept>

#include "app/audio/audio_graph.h"
#include "app/prefs.h"
#include "app/settings/voice_page_host.h"
#include "app/views/qt_main_queue.h"
#include "app/views/settings/keep_alive.h"
#include "app/views/settings/settings_pane.h"
#include "app/views/settings/settings_shots.h"
#include "app/views/settings/voice_picker.h"
#include "app/views/settings/voice_tab.h"
#include "app/voice_catalog/voice_catalog.h"
#include "app/voice_catalog/voice_source.h"
#include "core/base/json.h"
#include "platform/sim/capture_audio_device.h"

namespace orvak::views::settings {
namespace {

// About thirty voices in several languages and accents.
VoiceCatalogList fixtureVoices() {
  struct V {
    const char* name;
    const char* gender;
    const char* accent;
    const char* lang;
    const char* description;
  };
  const V rows[] = {
      {"Ava", "female", "american", "en", "Warm, clear and even"},
      {"Ben", "male", "british", "en", "Calm storyteller"},
      {"Cleo", "female", "scottish", "en", "Bright and quick"},
      {"Dara", "female", "irish", "en", "Soft, close to the microphone"},
      {"Eli", "male", "american", "en", "Low and steady newsreader"},
      {"Fern", "female", "australian", "en", "Friendly, a little playful"},
      {"Gus", "male", "", "en", "Plain and neutral"},
      {"Hana", "female", "british", "en", "Precise, measured lecturer"},
      {"Ivo", "male", "south african", "en", "Relaxed conversational voice"},
      {"Jade", "female", "american", "en", "Youthful and energetic"},
      {"Kai", "male", "new zealand", "en", "Easy-going and warm"},
      {"Lena", "female", "indian", "en", "Crisp and articulate"},
      {"Milo", "male", "british", "en", "Deep audiobook narrator"},
      {"Nora", "female", "canadian", "en", "Gentle and patient"},
      {"Owen", "male", "welsh", "en", "Lilting and bright"},
      {"Pia", "female", "american", "en", "Confident presenter"},
      {"Quinn", "", "american", "en", "Even and unhurried"},
      {"Rosa", "female", "", "es", "Cálida y clara"},
      {"Sven", "male", "", "sv", "Lugn berättare"},
      {"Tomas", "male", "", "cs", "Klidný a jasný"},
      {"Ulla", "female", "", "de", "Ruhig und deutlich"},
      {"Vera", "female", "", "fr", "Douce et posée"},
      {"Wim", "male", "", "nl", "Helder en vriendelijk"},
      {"Xiu", "female", "", "zh", "Clear and bright"},
      {"Yuki", "female", "", "ja", "Soft and steady"},
      {"Zane", "male", "scottish", "en", "Gravelly, late-night radio"},
      {"Ayo", "male", "nigerian", "en", "Rich and resonant"},
      {"Bea", "female", "irish", "en", "Cheerful morning voice"},
      {"Caro", "female", "", "it", "Vivace e chiara"},
      {"Dev", "male", "indian", "en", "Thoughtful explainer"},
  };
  VoiceCatalogList list{"Ava", {}};
  for (const auto& r : rows) {
    list.voices.push_back({r.name, r.name, r.description, r.gender, r.accent, {r.lang}, false});
  }
  return list;
}

// A short silent WAV, as a sample file arrives from the service.
std::vector<std::uint8_t> silentWav(int frames) {
  std::vector<std::uint8_t> out;
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
  };
  auto put16 = [&](std::uint16_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
  };
  const std::uint32_t data = std::uint32_t(frames) * 2;
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put32(36 + data);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(16);
  put16(1);
  put16(1);
  put32(22050);
  put32(44100);
  put16(2);
  put16(16);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put32(data);
  out.resize(out.size() + data, 0);
  return out;
}

// A source that never answers the list, and answers samples only when told to.
class ShotSource final : public VoiceSource {
 public:
  bool answerSamples = false;
  void voices(ListReply) override {}
  void voiceSample(const std::string&, SampleReply reply) override {
    if (answerSamples) reply(silentWav(22050 * 20));
  }
};

struct ShotVoices {
  QTemporaryDir dir;
  std::shared_ptr<AudioGraph> graph =
      AudioGraph::make(std::make_unique<platform::CaptureAudioDevice>(std::make_shared<platform::AudioTape>()),
                       [](const std::string&) {});
  std::shared_ptr<VoiceCatalog> catalog;
  ShotSource source;

  explicit ShotVoices(bool withList) {
    const std::filesystem::path cache = std::filesystem::path(dir.path().toStdString()) / "voices.json";
    if (withList) {
      json::Json j = fixtureVoices();
      std::ofstream(cache) << j.dump();
    }
    catalog = VoiceCatalog::make(cache, *graph);
  }
};

class ShotVoiceHost final : public VoicePageHost {
 public:
  ShotVoiceHost(ShotVoices& voices, bool signedIn) : voices_(voices), signedIn_(signedIn) {}
  void trigger(const std::string&, double, ReadOptions, std::optional<std::string>) override {}
  bool hasKey(std::string_view name) const override { return name == "account" ? signedIn_ : name == "inworld"; }
  VoiceCatalog& catalog() override { return *voices_.catalog; }
  VoiceSource& voiceSource() override { return voices_.source; }
  std::vector<OnDeviceEngine::VoiceChoice> onDeviceVoices() override {
    return {{"en-us", "English (America) (default, en-us)"}, {"en-gb", "English (Great Britain) (default, en-gb)"}};
  }
  std::vector<InworldEngine::Voice> naturalVoices() override {
    return {{"Ava", "Ava", "Warm, clear and even"}, {"Ben", "Ben", "Calm storyteller"}};
  }

 private:
  ShotVoices& voices_;
  bool signedIn_;
};

void settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

QImage pickerShot(double scale, const ShotOptions& o) {
  const auto state = o.value("--state").value_or("list");
  ShotPrefs prefs;
  prefs.prefs().setInworldVoice("Ben");
  ShotVoices voices(state != "loading");
  auto* picker = new VoicePicker(*voices.catalog, voices.source, prefs.prefs());
  ShotPaper paper(picker, 640);
  if (state == "no-match") {
    picker->search()->setText("nobody by that name");
  } else if (state == "fetching") {
    voices.catalog->preview("Cleo", voices.source);
  } else if (state == "playing") {
    // The sample arrives on the main queue, which is Qt's loop here.
    useQtMainQueue();
    voices.source.answerSamples = true;
    voices.catalog->preview("Cleo", voices.source);
    settle();
    if (voices.catalog->playing() != std::string("Cleo")) throw std::runtime_error("the sample did not start playing");
  } else if (state != "list" && state != "loading") {
    throw std::invalid_argument("--state takes loading, list, no-match, fetching or playing");
  }
  settle();
  return renderTall(paper, 640, scale);
}

QImage voicePageShot(double scale, const ShotOptions& o) {
  ShotPrefs prefs;
  Prefs& p = prefs.prefs();
  const auto vendor = o.value("--vendor").value_or("natural");
  if (vendor == "natural")
    p.setVendor(Vendor::inworld);
  else if (vendor == "alternate")
    p.setVendor(Vendor::cartesia);
  else if (vendor == "on-device")
    p.setVendor(Vendor::onDevice);
  else
    throw std::invalid_argument("--vendor takes natural, alternate or on-device");
  if (o.flag("--developer")) p.d->set(Prefs::kDeveloperFlag, true);
  if (o.flag("--debug-control")) p.d->set(Prefs::kDebugControlFlag, true);
  p.setInworldVoice("Ava");
  p.setSpeed(1.25f);
  ShotVoices voices(true);
  ShotVoiceHost host(voices, o.flag("--signed-in"));
  auto* tab = new VoiceTab(host, p);
  settle();
  ShotPaper paper(tab, 760);
  return renderTall(paper, 760, scale);
}

}  // namespace

QWidget* sampleVoicePage(Prefs& prefs) {
  auto* voices = new ShotVoices(true);
  auto* host = new ShotVoiceHost(*voices, true);
  auto* tab = new VoiceTab(*host, prefs);
  releaseWithChildren(tab, [voices, host] {
    delete host;
    delete voices;
  });
  return tab;
}

std::vector<Shot> voiceShots() {
  return {
      {"voice-picker", "the natural voice picker", nullptr, {"--state"}, {}, pickerShot},
      {"voice-page",
       "the Voice page's content",
       nullptr,
       {"--vendor"},
       {"--developer", "--signed-in", "--debug-control"},
       voicePageShot},
  };
}

}  // namespace orvak::views::settings
