#include "core/text/url.h"

#include <gtest/gtest.h>

namespace {

TEST(Url, ReadsSchemeHostAndPath) {
  struct Case {
    const char* text;
    bool parses;
    const char* scheme;
    const char* host;
    const char* path;
  };
  const Case cases[]{
      {"https://www.Example.com/path?q=1#top", true, "https", "www.Example.com", "/path"},
      {"http://user:pw@host.org:8080/x", true, "http", "host.org", "/x"},
      {"https://[::1]:443/", true, "https", "::1", "/"},
      {"https://host.org#/document/", true, "https", "host.org", ""},
      {"https://host.org/a/b?next=/document/x", true, "https", "host.org", "/a/b"},
      {"mailto:jane@example.com", true, "mailto", "", "jane@example.com"},
      {"file:///tmp/a.txt", true, "file", "", "/tmp/a.txt"},
      {"example.com/path", false, "", "", ""},
      {"/just/a/path", false, "", "", ""},
      {"https://exa mple.com", false, "", "", ""},
      {"https://host:80a/", false, "", "", ""},
      {"1http://x", false, "", "", ""},
      {"", false, "", "", ""},
  };
  for (const auto& c : cases) {
    const auto u = orvak::url::parse(c.text);
    ASSERT_EQ(u.has_value(), c.parses) << c.text;
    if (!u) continue;
    EXPECT_EQ(u->scheme, c.scheme) << c.text;
    EXPECT_EQ(u->host, c.host) << c.text;
    EXPECT_EQ(u->path, c.path) << c.text;
  }
}

}  // namespace
