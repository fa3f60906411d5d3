#include "core/page/quote_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QuoteLink = orvak::QuoteLink;

TEST(QuoteLinkTest, AppendsATextDirective) {
  struct Case {
    const char* name;
    std::string source;
    std::string quote;
    std::string url;
  };
  const std::vector<Case> cases{
      {"plain", "https://example.com/a?b=1", "Hello brave new world",
       "https://example.com/a?b=1#:~:text=Hello%20brave%20new%20world"},
      {"an existing fragment is replaced", "http://example.com/p#section-2", "two words",
       "http://example.com/p#:~:text=two%20words"},
      {"line breaks become single spaces", "https://example.com/", "two\n\n  words",
       "https://example.com/#:~:text=two%20words"},
      {"quotes and punctuation at the ends are cut", "https://example.com/",
       "\u201C(Hello, world!)\u201D.", "https://example.com/#:~:text=Hello%2C%20world"},
      {"everything but ASCII letters and digits is encoded", "https://example.com/",
       "rock-and-roll & jazz, 100% caf\u00E9",
       "https://example.com/#:~:text=rock%2Dand%2Droll%20%26%20jazz%2C%20100%25%20caf%C3%A9"},
      {"10 words: one directive",
       "https://example.com/", "w1 w2 w3 w4 w5 w6 w7 w8 w9 w10",
       "https://example.com/#:~:text=w1%20w2%20w3%20w4%20w5%20w6%20w7%20w8%20w9%20w10"},
      {"11 words: words 1-5 to words 8-11", "https://example.com/",
       "w1 w2 w3 w4 w5, w6 w7 w8 w9 w10 w11.",
       "https://example.com/#:~:text=w1%20w2%20w3%20w4%20w5,w8%20w9%20w10%20w11"},
      {"scheme and host in capitals", "HTTPS://Example.COM/x", "two words",
       "HTTPS://Example.COM/x#:~:text=two%20words"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QuoteLink::url(c.source, c.quote), c.url) << c.name;
  }
}

TEST(QuoteLinkTest, LeavesTheSourceAloneWhenNoLinkCanBeMade) {
  struct Case {
    const char* name;
    std::string source;
    std::string quote;
  };
  const std::vector<Case> cases{
      {"one word", "https://example.com/", "  word.  "},
      {"no words", "https://example.com/", " \n "},
      {"a file", "file:///home/me/notes.html", "two words"},
      {"a mail link", "mailto:someone@example.com", "two words"},
      {"the document editor", "https://docs.google.com/document/d/abc/edit", "two words"},
      {"the document editor, capitals", "https://DOCS.Google.com/document/d/abc", "two words"},
      {"not an address", "just some text", "two words"},
      {"no host", "https:///path", "two words"},
      {"white space inside", "https://exa mple.com/", "two words"},
      {"empty", "", "two words"},
      {"a directive side of punctuation only", "https://example.com/",
       "one two three four five six seven ... !!! ?? ."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QuoteLink::url(c.source, c.quote), c.source) << c.name;
  }
}
