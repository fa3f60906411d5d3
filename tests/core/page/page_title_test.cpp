#include "core/page/page_title.h"

#include <gtest/gtest.h>

#include <ostream>

#include <optional>
#include <string>

namespace {

struct TitleCase {
  const char* name;
  std::string title;
  std::string app;
  std::optional<std::string> url;
  std::string expected;
};

// Shown by the test runner instead of the raw bytes of the case.
void PrintTo(const TitleCase& c, std::ostream* os) { *os << c.name; }

class PageTitleClean : public ::testing::TestWithParam<TitleCase> {};

TEST_P(PageTitleClean, Cleans) {
  const TitleCase& c = GetParam();
  EXPECT_EQ(orvak::PageTitle::clean(c.title, c.app, c.url), c.expected) << c.title;
}

INSTANTIATE_TEST_SUITE_P(
    PageTitle, PageTitleClean,
    ::testing::Values(
        TitleCase{"browser_then_site", "Budget 2025 - Google Docs - Google Chrome", "Google Chrome",
             "https://docs.google.com/document/d/1", "Budget 2025"},
        TitleCase{"application_name_cut_wherever_it_stands", "Notes \u2014 Preview \u2014 page 3", "Preview", std::nullopt,
             "Notes"},
        TitleCase{"browser_not_cut_inside_a_longer_word", "Song - Arcade Fire", "Spotify", std::nullopt,
             "Song - Arcade Fire"},
        TitleCase{"browser_cut_before_non_letter", "Home - Arc (2)", "Arc", std::nullopt, "Home"},
        TitleCase{"mailbox_address_and_site", "Inbox (3) - jane@example.com - Gmail", "Safari",
             "https://mail.google.com/mail/u/0", "Inbox (3)"},
        TitleCase{"address_only_falls_back_to_app", "jane@example.com", "Mail", std::nullopt, "Mail"},
        TitleCase{"address_only_without_app", "  jane@example.com \n", "", std::nullopt, "Untitled"},
        TitleCase{"address_inside_title_removed", "Re: plans from bob@example.com today", "Mail", std::nullopt,
             "Re: plans from today"},
        TitleCase{"at_most_two_site_suffixes", "Story - a.com | b.org \u00B7 c.com", "Firefox", std::nullopt, "Story - a.com"},
        TitleCase{"site_name_any_case", "Cats \u2013 youtube", "Firefox", std::nullopt, "Cats"},
        TitleCase{"site_named_by_host", "Great Post | The Verge", "Firefox", "https://www.theverge.com/x", "Great Post"},
        TitleCase{"site_name_kept_on_other_host", "Great Post | The Verge", "Firefox", "https://example.com/x",
             "Great Post | The Verge"},
        TitleCase{"short_tail_not_matched_by_host", "Page - ab", "Firefox", "https://ab.com/", "Page - ab"},
        TitleCase{"no_host_without_scheme", "Great Post | The Verge", "Firefox", "theverge.com/x", "Great Post | The Verge"},
        TitleCase{"separator_at_start_never_cut", "jane@example.com - Reddit", "Firefox", std::nullopt, "Reddit"},
        TitleCase{"debris_and_spaces", "|  Weekly   report \u00B7", "Firefox", std::nullopt, "Weekly report"},
        TitleCase{"nothing_to_clean", "A plain title", "", std::nullopt, "A plain title"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
