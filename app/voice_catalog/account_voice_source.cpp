#include "app/voice_catalog/account_voice_source.h"

#include "app/account/service_address.h"
#include "app/account/service_request.h"

namespace orvak {

void AccountVoiceSource::voices(ListReply reply) {
  account_.call<VoiceCatalogList>("GET", "/api/voices", std::nullopt, true, listBounds,
                                  [reply = std::move(reply)](Account::Result<VoiceCatalogList> got) {
                                    reply(got ? std::optional(got.value()) : std::nullopt);
                                  });
}

void AccountVoiceSource::voiceSample(const std::string& id, SampleReply reply) {
  auto call = account::buildRequest(Account::base(), "GET", "/api/voices/sample?id=" + account::encodeQueryValue(id),
                                    std::nullopt, true, sampleBounds);
  if (!call) {
    reply(std::nullopt);
    return;
  }
  account::fetchWhole(call.value(), [reply = std::move(reply)](account::Result<account::WholeReply> got) {
    // Only a full reply is a sample: 206 would be part of one, 204 none at all.
    if (!got || got.value().status != 200) {
      reply(std::nullopt);
      return;
    }
    const auto& body = got.value().body;
    reply(std::vector<std::uint8_t>(body.begin(), body.end()));
  });
}

}  // namespace orvak
