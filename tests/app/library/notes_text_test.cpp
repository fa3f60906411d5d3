#include "app/library/notes_text.h"

#include <gtest/gtest.h>

#include "core/text/text.h"

using namespace orvak;

namespace {

TEST(NotesTextTest, SourceIsTheHostWithoutWwwElseTheApp) {
  const struct {
    std::optional<std::string> url;
    std::string want;
  } cases[] = {
      {"https://www.example.org/a", "example.org"},
      {"https://news.example.org/a", "news.example.org"},
      {"https://wwwexample.org/", "wwwexample.org"},
      {"file:///home/u/a.pdf", "Preview"},  // no host
      {"not an address", "Preview"},
      {std::nullopt, "Preview"},
  };
  for (const auto& c : cases) EXPECT_EQ(NotesText::source(c.url, "Preview"), c.want) << c.url.value_or("none");
}

TEST(NotesTextTest, PlainTextOfAnItem) {
  const auto stored = [](std::optional<std::string> note, std::optional<std::string> url) {
    StoredItem s;
    s.item.quote = " spaced quote ";
    s.item.note = std::move(note);
    s.item.url = std::move(url);
    s.item.app = "Firefox";
    s.item.windowTitle = "Pricing - someone@example.org";
    return s;
  };
  EXPECT_EQ(NotesText::plain(stored("mine", "https://e.org/p")),
            "\u201C spaced quote \u201D\nmine\n\u2014 Pricing, https://e.org/p");
  EXPECT_EQ(NotesText::plain(stored("", std::nullopt)), "\u201C spaced quote \u201D\n\u2014 Pricing");
}

TEST(NotesTextTest, CountsUsePlainPlurals) {
  const auto page = [](std::int64_t h, std::int64_t n) {
    DocumentSummary d;
    d.highlights = h;
    d.notes = n;
    return d;
  };
  EXPECT_EQ(NotesText::counts(page(1, 2)), "1 highlight \u00B7 2 notes");
  EXPECT_EQ(NotesText::counts(page(3, 0)), "3 highlights");
  EXPECT_EQ(NotesText::counts(page(0, 1)), "1 note");
  EXPECT_EQ(NotesText::counts(page(0, 0)), "");
  EXPECT_EQ(NotesText::plural(0, "page"), "0 pages");
}

TEST(NotesTextTest, ExportFileNames) {
  const std::string eighty(79, 'a');
  const struct {
    std::string title;
    std::string want;
  } cases[] = {
      {"A/B testing", "A-B testing.md"},
      // 79 letters and a family emoji of several scalars: the cut keeps the emoji whole.
      {eighty + "\U0001F468\u200D\U0001F469\u200D\U0001F467" + "b", eighty + "\U0001F468\u200D\U0001F469\u200D\U0001F467.md"},
      {"..hidden", "hidden.md"},
      {"", "Untitled.md"},
      {"...", "Untitled.md"},
  };
  for (const auto& c : cases) EXPECT_EQ(NotesText::exportFileName(c.title), c.want) << c.title;
}

}  // namespace

namespace {

TEST(NotesTextTest, UnavailableNamesTheFoldersFromHome) {
  const struct {
    std::string support, logs, home, want;
  } cases[] = {
      {"/home/u/.local/share/Orvak", "/home/u/.local/state/Orvak/", "/home/u",
       "Orvak couldn't open its notes database in ~/.local/share/Orvak. Highlights are still saved to research.jsonl "
       "in that folder; see orvak.log in ~/.local/state/Orvak for the error."},
      // Not under home: a folder beside it that merely starts with the same letters.
      {"/home/u2/data/Orvak", "/var/log/Orvak", "/home/u",
       "Orvak couldn't open its notes database in /home/u2/data/Orvak. Highlights are still saved to research.jsonl "
       "in that folder; see orvak.log in /var/log/Orvak for the error."},
  };
  for (const auto& c : cases) EXPECT_EQ(NotesText::unavailable(c.support, c.logs, c.home), c.want);
}

}  // namespace
