// A voice source whose replies wait until the test releases them.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/voice_catalog/voice_source.h"

namespace orvak::test {

class FakeVoiceSource final : public VoiceSource {
 public:
  void voices(ListReply reply) override { lists.push_back(std::move(reply)); }
  void voiceSample(const std::string& id, SampleReply reply) override { samples.emplace_back(id, std::move(reply)); }

  // Answers the `index`-th list request still waiting.
  void answerList(std::size_t index, std::optional<VoiceCatalogList> list) {
    auto reply = std::move(lists.at(index));
    lists.erase(lists.begin() + static_cast<std::ptrdiff_t>(index));
    reply(std::move(list));
  }
  // Answers the oldest waiting sample request for `id`.
  void answerSample(const std::string& id, std::optional<std::vector<std::uint8_t>> bytes) {
    for (auto it = samples.begin(); it != samples.end(); ++it) {
      if (it->first != id) continue;
      auto reply = std::move(it->second);
      samples.erase(it);
      reply(std::move(bytes));
      return;
    }
    throw std::logic_error("no sample request waits for " + id);
  }
  std::size_t sampleRequests(const std::string& id) const {
    std::size_t n = 0;
    for (const auto& s : samples) n += s.first == id ? 1 : 0;
    return n;
  }

  std::deque<ListReply> lists;
  std::deque<std::pair<std::string, SampleReply>> samples;
};

}  // namespace orvak::test
