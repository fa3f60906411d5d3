// Splits cleaned page text into the sentences the system reads, highlights and seeks by.
//
// Sentence numbers key saved reading positions, word timings and highlights, so the rules here
// are part of the stored format: the same text must always give the same list. Lengths are in
// user-perceived characters (grapheme clusters). Pure and safe to call from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvak::SentenceSplitter {

// The sentences of `text` in reading order, none longer than `maxLen` characters (callers pass
// 400). A newline always ends a sentence. Each sentence is trimmed of horizontal white space and
// non-empty, except that a cut landing on a double space can leave one empty piece (see `cap`).
std::vector<std::string> split(std::string_view text, int maxLen);

// The sentences of one line (no newlines, already trimmed), each trimmed and non-empty.
std::vector<std::string> splitParagraph(std::string_view paragraph);

// Cuts an over-long sentence into pieces of at most `maxLen` characters, preferring to cut after
// "; ", then ", ", then " ". A `maxLen` below 1 is taken as 1, so every cut makes progress.
std::vector<std::string> cap(std::string_view sentence, int maxLen);

// A sentence of `split` and where it lies in the text: [byteStart, byteEnd) in bytes and
// [start, end) in characters, so that the text's bytes there are the sentence.
struct Placed {
  std::string text;
  std::size_t byteStart = 0;
  std::size_t byteEnd = 0;
  int start = 0;
  int end = 0;
  bool operator==(const Placed&) const = default;
};

// Splits a long text a stretch at a time: one after the other, the stretches give exactly the
// sentences `split` gives for the whole text, so a reader can start on the first ones before the
// rest is split. A stretch that ends inside a line keeps back that line's last two sentences (what
// follows can still join or move their ends) for the next stretch; a line with fewer than three
// sentences in reach makes the stretch longer, so one very long line is split at once.
// Holds a view of the text, which must outlive the stream unchanged; not thread-safe.
class Stream {
 public:
  // Character offsets count from `firstChar`, the position of the text within a longer one.
  Stream(std::string_view text, int maxLen, int firstChar = 0);

  // Splits about `bytes` more of the text (more when a line needs it; at least one character)
  // and returns the sentences it completed, in order. Nothing once done().
  std::vector<Placed> next(std::size_t bytes);
  bool done() const { return at_ >= text_.size(); }
  // Characters split so far, from `firstChar` on: the end of the text in characters once done().
  int chars() const { return chars_; }

 private:
  std::string_view text_;
  int maxLen_;
  std::size_t at_ = 0;
  int chars_ = 0;
};

}  // namespace orvak::SentenceSplitter
