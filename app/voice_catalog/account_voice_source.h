// The voice catalogue's two requests made through the account client: GET "/api/voices" and
// GET "/api/voices/sample?id=", both with the device token. Every failure (signed out, offline,
// refused, an undecodable list, a sample status other than 200) is an absent reply, said to no one.
#pragma once

#include "app/account/account.h"
#include "app/voice_catalog/voice_source.h"

namespace orvak {

class AccountVoiceSource final : public VoiceSource {
 public:
  static constexpr account::Bounds kListBounds = account::bounds::kVoiceList;
  static constexpr account::Bounds kSampleBounds = account::bounds::kVoiceSample;

  explicit AccountVoiceSource(const Account& account) : account_(account) {}
  // How long each request may take and how much it reads; set before asking.
  account::Bounds listBounds = kListBounds;
  account::Bounds sampleBounds = kSampleBounds;

  void voices(ListReply reply) override;
  void voiceSample(const std::string& id, SampleReply reply) override;

 private:
  const Account& account_;
};

}  // namespace orvak
