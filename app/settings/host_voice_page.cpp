#include "app/settings/host_voice_page.h"

#include "app/account/account.h"
#include "app/voice_catalog/account_voice_source.h"
#include "app/voice_catalog/voice_catalog.h"
#include "app/windows/windows_host.h"
#include "speech/keys.h"

namespace orvak {
namespace {

// Without an account client there is no list and no sample.
class NoVoices final : public VoiceSource {
 public:
  void voices(ListReply reply) override { reply(std::nullopt); }
  void voiceSample(const std::string&, SampleReply reply) override { reply(std::nullopt); }
};

class HostVoicePage final : public VoicePageHost {
 public:
  explicit HostVoicePage(WindowsHost& host) : host_(host), account_(host.account()) {
    if (account_) {
      source_ = std::make_unique<AccountVoiceSource>(*account_);
    } else {
      source_ = std::make_unique<NoVoices>();
    }
  }
  // The sample read carries the cue-sound choice of the moment, as the host's test read does.
  void trigger(const std::string&, double, ReadOptions, std::optional<std::string> text) override {
    if (text) host_.testRead(*text);
  }
  bool hasKey(std::string_view name) const override { return Keys::get(std::string(name)).has_value(); }
  VoiceCatalog& catalog() override { return VoiceCatalog::shared(); }
  VoiceSource& voiceSource() override { return *source_; }
  std::vector<OnDeviceEngine::VoiceChoice> onDeviceVoices() override { return OnDeviceEngine::voices(); }
  std::vector<InworldEngine::Voice> naturalVoices() override { return InworldEngine::voices(); }

 private:
  WindowsHost& host_;
  std::shared_ptr<Account> account_;  // kept while the page lives: the source reads it
  std::unique_ptr<VoiceSource> source_;
};

}  // namespace

std::unique_ptr<VoicePageHost> voicePageHostOver(WindowsHost& host) { return std::make_unique<HostVoicePage>(host); }

}  // namespace orvak
