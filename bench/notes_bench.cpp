// The notes database at library scale: 100,000 saved items, 2,000 kept page texts of 50,000
// characters. Save rate; search latency (p50 / p99 over many different queries) for one- and
// three-word queries, with the full-text index and with the LIKE fallback; ranked page search
// with excerpts; the cost of recording a listen with its page text.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/notes_corpus.h"
#include "core/library/notes_store.h"

namespace fs = std::filesystem;
using orvak::NotesStore;
using orvak::ResearchItem;

namespace {

using namespace orvak::bench;

// A library of kItems items, built once per mode inside one transaction.
NotesStore& library(bool fullText) {
  static std::unique_ptr<NotesStore> stores[2];
  auto& store = stores[fullText ? 1 : 0];
  if (!store) {
    store = std::make_unique<NotesStore>(scratchDir() / (fullText ? "fts.sqlite" : "like.sqlite"), std::nullopt,
                                         NotesStore::Options{.simulateMissingFullTextSearch = !fullText});
    WordPicker pick(42);
    store->exec("BEGIN");
    for (int i = 0; i < kItems; ++i) store->insert(makeItem(pick, i));
    store->exec("COMMIT");
  }
  return *store;
}

// One query per iteration, different each time; p50 and p99 are reported as counters (ms).
void searchBench(benchmark::State& state, bool fullText) {
  NotesStore& store = library(fullText);
  const int words = static_cast<int>(state.range(0));
  WordPicker pick(99);
  std::vector<std::string> queries;
  for (int q = 0; q < 512; ++q) {
    std::string query;
    for (int w = 0; w < words; ++w) query += (w ? " " : "") + pick();
    queries.push_back(query);
  }
  std::vector<double> ms;
  std::size_t found = 0;
  std::size_t q = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    auto result = store.search(queries[q++ % queries.size()], std::nullopt, 100);
    const auto t1 = std::chrono::steady_clock::now();
    found += result.size();
    benchmark::DoNotOptimize(result);
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  state.counters["p50_ms"] = percentile(ms, 0.50);
  state.counters["p99_ms"] = percentile(ms, 0.99);
  state.counters["hits_per_query"] = double(found) / double(std::max<std::size_t>(ms.size(), 1));
}

void BM_NotesSearchFullText(benchmark::State& state) { searchBench(state, true); }
void BM_NotesSearchLike(benchmark::State& state) { searchBench(state, false); }

// One save per iteration into the 100,000-item library, each its own commit as in the app.
void BM_NotesSave(benchmark::State& state) {
  NotesStore& store = library(true);
  WordPicker pick(5);
  int i = kItems;
  for (auto _ : state) store.insert(makeItem(pick, i++));
  state.SetItemsProcessed(state.iterations());
}

constexpr int kPages = 2'000;
constexpr int kPageChars = 50'000;

std::string pageText(WordPicker& pick) {
  std::string text;
  int words = 0;
  while (static_cast<int>(text.size()) < kPageChars) {
    text += pick();
    text += ++words % 14 == 0 ? ". " : " ";
    if (words % 90 == 0) text += "\n";
  }
  text.resize(kPageChars);  // ASCII: bytes are characters
  return text;
}

NotesStore& pageLibrary() {
  static std::unique_ptr<NotesStore> store;
  if (!store) {
    store = std::make_unique<NotesStore>(scratchDir() / "pages.sqlite", std::nullopt);
    WordPicker pick(11);
    store->exec("BEGIN");
    for (int i = 0; i < kPages; ++i) {
      store->savePageText("https://example.org/page/" + std::to_string(i), "Page " + std::to_string(i), "Firefox",
                          std::nullopt, pageText(pick), orvak::Date{1.7e9 + i * 600.0});
    }
    store->exec("COMMIT");
  }
  return *store;
}

// What the library asks when answering a question: 5 hits with 1,400-character excerpts.
void BM_SearchPages(benchmark::State& state) {
  NotesStore& store = pageLibrary();
  const int terms = static_cast<int>(state.range(0));
  WordPicker pick(123);
  // Mid-frequency words: the query words a person types are rarely the commonest ones.
  std::vector<std::vector<std::string>> queries;
  for (int q = 0; q < 256; ++q) {
    std::vector<std::string> query;
    while (static_cast<int>(query.size()) < terms) {
      const auto& w = pick();
      if (&w - vocabulary().data() > 50) query.push_back(w);
    }
    queries.push_back(query);
  }
  std::vector<double> ms;
  std::size_t q = 0;
  std::size_t hits = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    auto result = store.searchPages(queries[q++ % queries.size()], 5, 1400);
    const auto t1 = std::chrono::steady_clock::now();
    hits += result.size();
    benchmark::DoNotOptimize(result);
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  state.counters["p50_ms"] = percentile(ms, 0.50);
  state.counters["p99_ms"] = percentile(ms, 0.99);
  state.counters["hits_per_query"] = double(hits) / double(std::max<std::size_t>(ms.size(), 1));
}

// The end of a read: the page's 50,000-character text re-stored (and re-indexed) and the history
// row merged, on one of the 2,000 kept pages.
void BM_RecordListen(benchmark::State& state) {
  NotesStore& store = pageLibrary();
  WordPicker pick(77);
  const std::string text = pageText(pick);
  int i = 0;
  for (auto _ : state) {
    const auto n = i++ % kPages;
    store.recordListen("Firefox", "Page " + std::to_string(n), "https://example.org/page/" + std::to_string(n), 42,
                       0.5, "somewhere", false, text, orvak::Date{1.8e9 + i});
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_SearchPages)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_RecordListen)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_NotesSearchFullText)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(2000);
BENCHMARK(BM_NotesSearchLike)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_NotesSave)->Unit(benchmark::kMicrosecond);
