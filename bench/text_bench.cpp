// Grapheme maps and regular expressions over a page-sized text (400,000 characters), the size the
// cleaner and the sentence splitter meet on long pages.
#include <benchmark/benchmark.h>

#include <string>

#include "core/text/regex.h"
#include "core/text/text.h"

namespace text = orvak::text;

namespace {

constexpr int32_t kPageCharacters = 400'000;

// Mixed scripts: Latin with precomposed and decomposed accents, Cyrillic, Greek, CJK, Arabic,
// Devanagari, emoji (supplementary, ZWJ sequences, flags) and CR LF line ends.
std::string makePage(bool asciiOnly) {
  const char* paragraphs[] = {
      "The quick brown fox jumps over the lazy dog. Mr. Smith wasn't there! Was he? ",
      "Caf\u00E9 cre\u0300me, na\u00EFve fa\u00E7ade and r\u00E9sume\u0301 \u2014 \u201Cquoted\u201D. ",
      "\u0421\u044A\u0435\u0448\u044C \u0436\u0435 \u0435\u0449\u0451 \u044D\u0442\u0438\u0445 "
      "\u043C\u044F\u0433\u043A\u0438\u0445 \u0431\u0443\u043B\u043E\u043A. ",
      "\u039E\u03B5\u03C3\u03BA\u03B5\u03C0\u03AC\u03B6\u03C9 \u03C4\u03B7\u03BD "
      "\u03C8\u03C5\u03C7\u03BF\u03C6\u03B8\u03CC\u03C1\u03B1. ",
      "\u6211\u80FD\u541E\u4E0B\u73BB\u7483\u800C\u4E0D\u4F24\u8EAB\u4F53\u3002"
      "\u4ECA\u5929\u5929\u6C14\u5F88\u597D\uFF01",
      "\u0623\u0646\u0627 \u0642\u0627\u062F\u0631 \u0639\u0644\u0649 \u0623\u0643\u0644 "
      "\u0627\u0644\u0632\u062C\u0627\u062C. ",
      "\u0928\u092E\u0938\u094D\u0924\u0947 \u0926\u0941\u0928\u093F\u092F\u093E\u0964 ",
      "Emoji \U0001F600 \U0001F468\u200D\U0001F469\u200D\U0001F467 \U0001F1EB\U0001F1F7 "
      "\U0001F44D\U0001F3FD done.\r\n",
  };
  const char* english[] = {
      "The quick brown fox jumps over the lazy dog. Mr. Smith wasn't there! Was he? ",
      "It was 3.14 p.m. on the 2nd of May; nobody (not even Ann) noticed. Then: silence.\r\n",
  };
  std::string page;
  while (static_cast<int32_t>(page.size()) < kPageCharacters * 2) {
    if (asciiOnly) {
      for (const char* p : english) page += p;
    } else {
      for (const char* p : paragraphs) page += p;
    }
  }
  return std::string(text::graphemePrefix(page, kPageCharacters));
}

const std::string& mixedPage() {
  static const std::string page = makePage(false);
  return page;
}

const std::string& englishPage() {
  static const std::string page = makePage(true);
  return page;
}

void setCharacters(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kPageCharacters);
}

void BM_GraphemeCount(benchmark::State& state) {
  const std::string& page = mixedPage();
  for (auto _ : state) benchmark::DoNotOptimize(text::graphemeCount(page));
  setCharacters(state);
}
BENCHMARK(BM_GraphemeCount)->Unit(benchmark::kMillisecond);

void BM_GraphemeMapFromUtf8(benchmark::State& state) {
  const std::string& page = state.range(0) ? mixedPage() : englishPage();
  for (auto _ : state) {
    text::GraphemeMap map(page);
    benchmark::DoNotOptimize(map.count());
  }
  setCharacters(state);
}
BENCHMARK(BM_GraphemeMapFromUtf8)->Arg(1)->Arg(0)->ArgName("mixed")->Unit(benchmark::kMillisecond);

// Conversion to UTF-16 plus the map: what a caller pays once per page before matching.
void BM_U16TextFromUtf8(benchmark::State& state) {
  const std::string& page = mixedPage();
  for (auto _ : state) {
    text::U16Text t(page);
    benchmark::DoNotOptimize(t.graphemeCount());
  }
  setCharacters(state);
}
BENCHMARK(BM_U16TextFromUtf8)->Unit(benchmark::kMillisecond);

void BM_GraphemeLookups(benchmark::State& state) {
  const text::U16Text t(mixedPage());
  const int32_t length = t.length();
  int32_t offset = 0;
  for (auto _ : state) {
    offset = (offset + 7919) % length;
    benchmark::DoNotOptimize(t.map().graphemeAtUtf16(offset));
  }
}
BENCHMARK(BM_GraphemeLookups);

// Sentence ends: terminal punctuation, optional closing quotes or brackets, then white space
// before a capital or an ideograph, or the end.
constexpr const char* kSentenceEnd =
    R"([.!?\x{3002}\x{FF01}\x{FF1F}\x{0964}]+["'\x{201D}\x{2019})\]]*(?:\s+(?=[\p{Lu}\p{Lo}"\x{201C}(])|\s*$))";

void BM_RegexFindAllSentenceEnds(benchmark::State& state) {
  const text::U16Text t(mixedPage());
  const text::Regex re = text::Regex::cached(kSentenceEnd);
  size_t matches = 0;
  for (auto _ : state) {
    const auto all = re.findAll(t.str());
    matches = all.size();
    benchmark::DoNotOptimize(all.data());
  }
  state.counters["matches"] = static_cast<double>(matches);
  setCharacters(state);
}
BENCHMARK(BM_RegexFindAllSentenceEnds)->Unit(benchmark::kMillisecond);

// The same from UTF-8 with texts copied out, for callers that only want strings.
void BM_RegexAllMatchesUtf8(benchmark::State& state) {
  const std::string& page = mixedPage();
  const text::Regex re = text::Regex::cached(kSentenceEnd);
  for (auto _ : state) benchmark::DoNotOptimize(re.allMatches(page).size());
  setCharacters(state);
}
BENCHMARK(BM_RegexAllMatchesUtf8)->Unit(benchmark::kMillisecond);

void BM_RegexCollapseBlanks(benchmark::State& state) {
  const std::string& page = mixedPage();
  const text::Regex re = text::Regex::cached(R"([ \t]+)");
  for (auto _ : state) benchmark::DoNotOptimize(re.replaceAll(page, " ").size());
  setCharacters(state);
}
BENCHMARK(BM_RegexCollapseBlanks)->Unit(benchmark::kMillisecond);

void BM_RegexCachedLookup(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(&text::Regex::cached(kSentenceEnd).pattern());
}
BENCHMARK(BM_RegexCachedLookup);

}  // namespace
