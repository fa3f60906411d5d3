// orvak-dev spoken TEXT: what the voice is given for one sentence (no user pronunciations).
#include <cstdio>
#include <stdexcept>
#include <string>

#include "core/speech/speech_text.h"
#include "core/text/text.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

int runSpoken(const Args& args) {
  if (args.empty()) throw std::invalid_argument("usage: orvak-dev spoken TEXT");
  std::string sentence;
  for (const auto& a : args) sentence += (sentence.empty() ? "" : " ") + a;
  sentence = text::repairUtf8(sentence);
  const std::string out = SpeechText::spoken(sentence, {});
  std::printf("%s\n", out.c_str());
  if (!SpeechText::speakable(sentence)) std::fprintf(stderr, "(not speakable: a read skips this sentence)\n");
  return 0;
}

}  // namespace orvak::dev
