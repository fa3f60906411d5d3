#include "core/speech/sentence_splitter.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

#include "core/text/text.h"

namespace {

using orvak::SentenceSplitter::cap;
using orvak::SentenceSplitter::split;
using orvak::SentenceSplitter::splitParagraph;
using Sentences = std::vector<std::string>;

struct SplitCase {
  const char* name;
  std::string text;
  Sentences expected;
};

// Shown by the test runner instead of the raw bytes of the case.
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class Boundaries : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Boundaries, Split) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(split(c.text, 400), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    SentenceSplitter, Boundaries,
    ::testing::Values(
        SplitCase{"empty", "", {}},
        SplitCase{"blank", " \n\n \t\n", {}},
        SplitCase{"two_sentences", "Hello world. This is it.", {"Hello world.", "This is it."}},
        SplitCase{"title_abbreviation", "See Dr. Smith today. He left.", {"See Dr. Smith today.", "He left."}},
        SplitCase{"dotted_abbreviation_before_starter", "In the U.S. The law changed.", {"In the U.S.", "The law changed."}},
        SplitCase{"dotted_abbreviation_before_name", "The U.S. Army won.", {"The U.S. Army won."}},
        SplitCase{"etc_before_capital", "Apples, pears etc. The list goes on.", {"Apples, pears etc. The list goes on."}},
        SplitCase{"figure_number", "As Fig. 3 shows, it works.", {"As Fig. 3 shows, it works."}},
        SplitCase{"initials", "Written by J. K. Rowling here.", {"Written by J. K. Rowling here."}},
        SplitCase{"no_is_abbreviation_without_starter_test", "He said no. 42 people came.", {"He said no. 42 people came."}},
        SplitCase{"dotted_acronym_before_starter", "It runs on a.b.c. It works.", {"It runs on a.b.c.", "It works."}},
        SplitCase{"dotted_acronym_before_name", "It runs on a.b.c. Linux works.", {"It runs on a.b.c. Linux works."}},
        SplitCase{"dotted_long_parts_split", "See www.example.com. Then go.", {"See www.example.com.", "Then go."}},
        SplitCase{"ellipsis_run", "Wait... What?", {"Wait...", "What?"}},
        SplitCase{"ellipsis_character", "Wait\u2026 What?", {"Wait\u2026", "What?"}},
        SplitCase{"mixed_run", "Really?! Yes.", {"Really?!", "Yes."}},
        SplitCase{"decimal", "Price is 3.50 today. ok then.", {"Price is 3.50 today. ok then."}},
        SplitCase{"number_starts_sentence", "It ended. 42 people left.", {"It ended.", "42 people left."}},
        SplitCase{"no_space_after_terminator", "Hello.World and end.)Next one.", {"Hello.World and end.)Next one."}},
        SplitCase{"lower_case_next_word", "It is 5 p.m. now. ok.", {"It is 5 p.m. now. ok."}},
        SplitCase{"closing_quote_stays_with_sentence", "He said \"Stop.\" Then he left.",
             {"He said \"Stop.\"", "Then he left."}},
        SplitCase{"curly_quotes_and_brackets", "It was over.\u201D (Then it began.) Again.",
             {"It was over.\u201D", "(Then it began.)", "Again."}},
        SplitCase{"opener_starts_next_sentence", "He waited. \u201CGo now,\u201D she said.",
             {"He waited.", "\u201CGo now,\u201D she said."}},
        // The back-walk stops at "(", so "Dr" is recognised; without that stop "(Dr" would split.
        SplitCase{"word_tested_without_opener", "Ask (Dr. Smith) now.", {"Ask (Dr. Smith) now."}},
        SplitCase{"quoted_word_tested_without_quote", "She said \"Hello.\" Then left.",
             {"She said \"Hello.\"", "Then left."}},
        SplitCase{"terminator_at_end_of_line", "One. Two.", {"One.", "Two."}},
        SplitCase{"trailing_text_without_terminator", "One. Two", {"One.", "Two"}},
        SplitCase{"lines_without_punctuation", "first line\nsecond line", {"first line", "second line"}},
        SplitCase{"newline_ends_sentence_after_abbreviation", "See Dr.\nSmith", {"See Dr.", "Smith"}},
        SplitCase{"all_newline_kinds", "a\r\nb\rc\u2028d\u2029e\u0085f\x0B" "g\x0Ch",
             {"a", "b", "c", "d", "e", "f", "g", "h"}},
        SplitCase{"lines_are_trimmed", "  \t indented. Line.\u00A0 \n\n  next  ", {"indented.", "Line.", "next"}},
        SplitCase{"unicode_capital_starts_sentence", "Il pleut. \u00C9t\u00E9 fini.", {"Il pleut.", "\u00C9t\u00E9 fini."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SentenceSplitter, SplitParagraphMatchesSplitForOneLine) {
  const std::string line = "Hello world. See Dr. Smith today. He left.";
  EXPECT_EQ(splitParagraph(line), split(line, 400));
}

std::string repeated(std::string_view unit, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += unit;
  return s;
}

std::vector<int32_t> lengths(const Sentences& pieces) {
  std::vector<int32_t> out;
  for (const auto& p : pieces) out.push_back(orvak::text::graphemeCount(p));
  return out;
}

TEST(SentenceSplitter, LongSentenceIsCutAtTheLastSpaceOfEachWindow) {
  // 200 words of four letters: each 400-character window ends just after a space.
  const std::string text = repeated("word ", 200);
  const Sentences pieces = split(text, 400);
  EXPECT_EQ(lengths(pieces), (std::vector<int32_t>{399, 399, 199}));
  for (const auto& p : pieces) EXPECT_TRUE(p.starts_with("word") && p.ends_with("word")) << p;
}

TEST(SentenceSplitter, LongSentenceWithoutSpacesIsCutHard) {
  EXPECT_EQ(lengths(split(repeated("x", 1000), 400)), (std::vector<int32_t>{400, 400, 200}));
}

TEST(SentenceSplitter, CapCountsCharactersNotBytes) {
  // Decomposed "é" (two scalars, three bytes) and a flag (two scalars, eight bytes) are one each.
  EXPECT_EQ(lengths(cap(repeated("e\u0301", 500), 400)), (std::vector<int32_t>{400, 100}));
  EXPECT_EQ(lengths(cap(repeated("\U0001F1EB\U0001F1F7", 7), 3)), (std::vector<int32_t>{3, 3, 1}));
}

TEST(SentenceSplitter, CapPrefersSemicolonThenCommaThenSpace) {
  EXPECT_EQ(cap("aa; bb, cc dd", 12), (Sentences{"aa;", "bb, cc dd"}));
  EXPECT_EQ(cap("aa bb, cc dd", 11), (Sentences{"aa bb,", "cc dd"}));
  EXPECT_EQ(cap("aa bb cc dd", 10), (Sentences{"aa bb cc", "dd"}));
  // The separator must lie inside the window: a "; " just past it does not count.
  EXPECT_EQ(cap("aaaa bbbb; cc", 9), (Sentences{"aaaa", "bbbb; cc"}));
}

TEST(SentenceSplitter, CapKeepsShortSentencesWhole) {
  EXPECT_EQ(cap("  short one  ", 400), (Sentences{"short one"}));
  EXPECT_EQ(cap("   ", 400), Sentences{});
  EXPECT_EQ(cap("exactly10!", 10), (Sentences{"exactly10!"}));
}

TEST(SentenceSplitter, DoubleSpaceAtACutLeavesOneEmptyPiece) {
  // The first cut lands between the two spaces; the rest then starts with a space and has no
  // other space in its window, so that window yields an empty piece before the text goes on.
  EXPECT_EQ(cap("abc  defgh", 4), (Sentences{"abc", "", "defg", "h"}));
}

TEST(SentenceSplitter, DegenerateLimitsStillFinish) {
  // A limit below 1 cuts one character at a time instead of looping forever.
  EXPECT_EQ(cap("abc", 0), (Sentences{"a", "b", "c"}));
  EXPECT_EQ(cap("ab", -7), (Sentences{"a", "b"}));
  EXPECT_EQ(split("Hi. Yo", 0), (Sentences{"H", "i", ".", "Y", "o"}));
}

TEST(SentenceSplitter, NoTextIsLostOrReordered) {
  const std::string text =
      "Mr. Jones met Dr. Who at 3.30 p.m. on Jan. 5. \"Hello!\" he said... She left?! It was over.\u201D\n"
      "Second paragraph, with a list: one; two; three. " +
      repeated("filler words without end ", 40) + "\n\u00BFQu\u00E9? \u00A1S\u00ED! Fin.";
  std::string joined;
  for (const auto& s : split(text, 120)) joined += s;
  std::string expected;
  for (const char c : text) {
    if (c != ' ' && c != '\n') expected += c;
  }
  std::string actual;
  for (const char c : joined) {
    if (c != ' ') actual += c;
  }
  EXPECT_EQ(actual, expected);
}

TEST(SentenceSplitter, SameTextAlwaysGivesTheSameSentences) {
  // Sentence numbers key saved positions, so the list must not depend on anything but the text.
  const std::string text = repeated("Dr. Smith arrived at 10 a.m. The U.S. Army left. Wait... ", 50);
  const Sentences first = split(text, 400);
  EXPECT_EQ(first.size(), 150u);  // "... 10 a.m." | "The U.S. Army left." | "Wait..."
  for (int i = 0; i < 3; ++i) EXPECT_EQ(split(text, 400), first);
}

// Split a stretch at a time, with every stretch size from one byte up, a text gives the sentences
// of the whole text, each placed where its bytes and characters are.
TEST(SentenceSplitter, StreamGivesTheSentencesOfTheWholeTextWhereverTheStretchesEnd) {
  const struct {
    const char* name;
    std::string text;
    int maxLen;
  } cases[] = {
      // "The" starts a sentence after "U.S.", "Therefore" does not: a stretch ending inside it must
      // not decide.
      {"starter_word_cut", "Ok. Go on. In the U.S. Therefore we stayed. In the U.S. The law changed. Dr. Smith came. Ok.", 400},
      {"quotes_and_brackets", repeated("He said \"Stop.\" Then he left. (It was late.) Again... ", 4), 400},
      {"abbreviations_and_initials", repeated("See Dr. Smith at 10 a.m. today. J. K. Rowling wrote it. ", 3), 400},
      {"lines", "One. Two.\r\nThree. Four.\r\n\n  Five\u2028Six. Seven.\n", 400},
      {"marks_and_flags",
       "Caf\u00E9 e\u0301t\u00E9. \U0001F1EB\U0001F1F7\U0001F1EB\U0001F1F7 Flags here. \u00C9t\u00E9 fini. Oui.", 400},
      {"capped_line_without_ends", repeated("word, more; and then some ", 12), 12},
      {"capped_sentences", repeated("A fairly long sentence goes on and on. Short. ", 6), 16},
      {"empty_piece_from_a_double_space", "aaaa  bbbb. Cc dd. Ee ff.", 4},
      {"only_blank_lines", " \n\n \t\n", 400},
  };
  for (const auto& c : cases) {
    const Sentences expected = split(c.text, c.maxLen);
    for (std::size_t budget = 1; budget <= c.text.size() + 1; ++budget) {
      orvak::SentenceSplitter::Stream stream(c.text, c.maxLen, 7);
      Sentences got;
      for (int guard = 0; !stream.done() && guard < 10000; ++guard) {
        for (const auto& s : stream.next(budget)) {
          got.push_back(s.text);
          ASSERT_EQ(c.text.substr(s.byteStart, s.byteEnd - s.byteStart), s.text) << c.name << " @" << budget;
          EXPECT_EQ(s.start - 7, orvak::text::graphemeCount(std::string_view(c.text).substr(0, s.byteStart)))
              << c.name << " @" << budget << ": " << s.text;
          EXPECT_EQ(s.end - s.start, orvak::text::graphemeCount(s.text)) << c.name << " @" << budget;
        }
      }
      ASSERT_TRUE(stream.done()) << c.name << " @" << budget;
      EXPECT_EQ(got, expected) << c.name << " @" << budget;
      EXPECT_EQ(stream.chars() - 7, orvak::text::graphemeCount(c.text)) << c.name << " @" << budget;
      EXPECT_TRUE(stream.next(budget).empty());
    }
  }
}

// A stretch that ends inside a line never hands out the two sentences next to its end, and a line
// with more sentences than that is not split past what was asked for.
TEST(SentenceSplitter, StreamStopsNearTheStretchItWasAsked) {
  const std::string text = repeated("Sentence one is here. ", 1000);
  orvak::SentenceSplitter::Stream stream(text, 400);
  const auto first = stream.next(220);  // ten sentences in reach
  ASSERT_FALSE(first.empty());
  EXPECT_LE(first.size(), 8u);
  EXPECT_LE(first.back().byteEnd, 220u);
  EXPECT_FALSE(stream.done());
}

}  // namespace
