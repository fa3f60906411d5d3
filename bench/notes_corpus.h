// A made-up library for the benchmarks: pronounceable words with a Zipf-like skew, saved items
// spread over pages, a scratch folder, and percentiles of timings.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/library/research_item.h"

namespace orvak::bench {

namespace fs = std::filesystem;
using orvak::ResearchItem;


constexpr int kItems = 100'000;
constexpr int kVocabulary = 20'000;

inline fs::path scratchDir() {
  static const fs::path dir = [] {
    std::string tmpl = (fs::temp_directory_path() / "orvak-notes-bench-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp");
    return fs::path(tmpl);
  }();
  return dir;
}

// Pronounceable made-up words; drawn with a Zipf-like skew so some words are common and most rare,
// as in real text.
inline const std::vector<std::string>& vocabulary() {
  static const std::vector<std::string> words = [] {
    static const char* syllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "te", "vo", "pri", "ster",
                                      "con", "ion", "al", "ber", "dor", "fin", "gra", "hul", "ix", "jen"};
    std::mt19937 rng(7);
    std::vector<std::string> out;
    for (int i = 0; i < kVocabulary; ++i) {
      std::string w;
      const int n = 2 + static_cast<int>(rng() % 3);
      for (int k = 0; k < n; ++k) w += syllables[rng() % 20];
      out.push_back(w + std::to_string(i % 97));
    }
    return out;
  }();
  return words;
}

class WordPicker {
 public:
  explicit WordPicker(unsigned seed) : rng_(seed), zipf_(0.0, std::log(double(kVocabulary))) {}
  const std::string& operator()() {
    const auto i = static_cast<std::size_t>(std::exp(zipf_(rng_))) - 1;
    return vocabulary()[std::min<std::size_t>(i, kVocabulary - 1)];
  }
  std::mt19937& rng() { return rng_; }

 private:
  std::mt19937 rng_;
  std::uniform_real_distribution<double> zipf_;
};

inline ResearchItem makeItem(WordPicker& pick, int i) {
  ResearchItem item;
  item.ts = orvak::Date{1.7e9 + i * 60.0};
  item.kind = i % 5 == 0 ? ResearchItem::Kind::note : ResearchItem::Kind::highlight;
  const int words = 12 + static_cast<int>(pick.rng()() % 25);
  for (int w = 0; w < words; ++w) item.quote += (w ? " " : "") + pick();
  if (item.kind == ResearchItem::Kind::note) item.note = pick() + " " + pick() + " " + pick();
  item.transcript = "highlight that";
  item.app = "Firefox";
  item.windowTitle = "Page " + std::to_string(i / 40);
  item.url = "https://example.org/page/" + std::to_string(i / 40);
  item.sentenceIndex = i % 40;
  item.engine = "apple";
  return item;
}

inline double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(p * double(v.size() - 1))];
}

}  // namespace orvak::bench
