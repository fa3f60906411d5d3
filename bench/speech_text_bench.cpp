// Splitting a long page and rewriting every sentence for the voice, as a read of a whole page
// does. The goal is well under 150 ms for 400,000 characters.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/speech/pronunciation.h"
#include "core/speech/sentence_splitter.h"
#include "core/speech/speech_text.h"
#include "core/text/text.h"

namespace {

// A page of ordinary prose with the usual sprinkling of what the rewriting handles, repeated to
// about `chars` characters.
std::string page(std::size_t chars) {
  static const std::vector<std::string> paragraphs{
      "The committee met on 2024-03-05 to review the budget. Dr. Smith presented the figures, e.g. the "
      "cost of the new wing, which came to $5bn over ten years. \"We cannot afford delays,\" she said.",
      "Readers can find the full report at https://www.example.com/reports/2024?id=7 or write to "
      "press.office@example.org for a copy. The U.S. Army also commented; its statement ran to 12 pages.",
      "In Chapter IV the author turns to Henry VIII and his court \u2014 a period of roughly 1509\u20131547. "
      "The weather was mild, about 20 \u00B0C, and the roads were 5 km long\u2026 Wait... What happened next?",
      "Most of this paragraph is plain text without anything special in it, the kind of sentence that "
      "makes up the bulk of any article, essay or story; it should pass through quickly and unchanged.",
      "Follow @orvak and #reading for news \U0001F4DA! The device has 16 GB of memory, weighs 1.2 kg and "
      "costs \u00A3499 vs. the older model, i.e. a little more than last year.",
  };
  std::string out;
  std::size_t count = 0;
  for (std::size_t i = 0; count < chars; ++i) {
    const std::string& p = paragraphs[i % paragraphs.size()];
    out += p;
    out += '\n';
    count += static_cast<std::size_t>(orvak::text::graphemeCount(p)) + 1;
  }
  return out;
}

const std::vector<orvak::Pronunciation> kPronunciations{{"SQL", "sequel"}, {"GIF", "jiff"}};

void BM_SplitPage(benchmark::State& state) {
  const std::string text = page(400'000);
  for (auto _ : state) {
    auto sentences = orvak::SentenceSplitter::split(text, 400);
    benchmark::DoNotOptimize(sentences);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SplitPage)->Unit(benchmark::kMillisecond);

void BM_SplitAndSpeakPage(benchmark::State& state) {
  const std::string text = page(400'000);
  std::size_t count = 0;
  for (auto _ : state) {
    const auto sentences = orvak::SentenceSplitter::split(text, 400);
    count = sentences.size();
    for (const auto& s : sentences) {
      auto spoken = orvak::SpeechText::spoken(s, kPronunciations);
      benchmark::DoNotOptimize(spoken);
    }
  }
  state.counters["sentences"] = static_cast<double>(count);
}
BENCHMARK(BM_SplitAndSpeakPage)->Unit(benchmark::kMillisecond);

}  // namespace
