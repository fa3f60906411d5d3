// Sentence splitting and speech text on any text: every sentence keeps to the length asked for,
// and rewriting a sentence for speech returns.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/speech/pronunciation.h"
#include "core/speech/sentence_splitter.h"
#include "core/speech/speech_text.h"
#include "core/text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvak;
  FuzzedDataProvider in(data, size);
  const int maxLen = in.ConsumeIntegralInRange(1, 500);
  std::vector<Pronunciation> rules;
  for (int i = in.ConsumeIntegralInRange(0, 3); i > 0; --i) {
    Pronunciation p;
    p.written = text::repairUtf8(in.ConsumeRandomLengthString(20));
    p.spoken = text::repairUtf8(in.ConsumeRandomLengthString(20));
    rules.push_back(std::move(p));
  }
  // Page text reaches the splitter repaired (the walk repairs what other programs hand over).
  const std::string page = text::repairUtf8(in.ConsumeRemainingBytesAsString());
  for (const auto& sentence : SentenceSplitter::split(page, maxLen)) {
    if (static_cast<int>(text::graphemeCount(sentence)) > maxLen) __builtin_trap();
    (void)SpeechText::speakable(sentence);
    (void)SpeechText::spoken(sentence, rules);
  }
  return 0;
}
