// Resuming a reading position on a long page: the probe digested at every word start of a
// 400,000-character page, found near the end and not found at all (the two longest walks).
#include <benchmark/benchmark.h>

#include <string>

#include "core/page/clean_result.h"
#include "core/library/position_store.h"
#include "core/text/text.h"

using orvak::Date;
using orvak::PositionStore;
using orvak::ReadPosition;

namespace {

const std::string& longPage() {
  static const std::string page = [] {
    const std::string paragraph =
        "Caf\u00e9 owners in the old town (about forty of them) met on Tuesday. \u201cWe need the square back,\u201d "
        "said one; another disagreed\u2014loudly. \U0001F600 Then the vote: 31 to 9.\n";
    const int perParagraph = orvak::text::graphemeCount(paragraph);
    std::string text;
    for (int chars = 0; chars < 400'000; chars += perParagraph) text += paragraph;
    return std::string(orvak::text::graphemePrefix(text, 400'000 - 60));
  }();
  return page;
}

void resume(benchmark::State& state, bool present) {
  const std::string sentence = "The last sentence, where the listener stopped reading, is this one.";
  const std::string text = longPage() + (present ? " " + sentence : std::string(" Nothing of the kind here."));
  const auto saved = ReadPosition::make(sentence, PositionStore::snippet(text, 0), Date{1000});
  orvak::ReadStart start;
  for (auto _ : state) {
    auto offset = PositionStore::resumeOffset(saved, text, start, Date{2000});
    benchmark::DoNotOptimize(offset);
    if (present != offset.has_value()) state.SkipWithError("unexpected result");
  }
  state.counters["chars"] = double(orvak::text::graphemeCount(text));
}

void BM_ResumeOffsetFoundAtEnd(benchmark::State& state) { resume(state, true); }
void BM_ResumeOffsetNotFound(benchmark::State& state) { resume(state, false); }

}  // namespace

BENCHMARK(BM_ResumeOffsetFoundAtEnd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResumeOffsetNotFound)->Unit(benchmark::kMillisecond);
