// The desktop entry that hands orvak:// links to this executable.
#include "app/system/url_handler.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/files.h"
#include "tests/support/temp_home.h"

namespace fs = std::filesystem;
using orvak::UrlHandler::Outcome;

TEST(UrlHandlerTest, TheEntryIsWrittenWhenMissingOrStaleAndLeftAloneWhenCurrent) {
  const fs::path dir = orvak::test::freshDir("applications");
  const fs::path file = dir / "orvak.desktop";
  EXPECT_EQ(orvak::UrlHandler::install("/usr/bin/orvak", dir), Outcome::written);
  const std::string text = orvak::test::readFile(file);
  EXPECT_NE(text.find("\nExec=/usr/bin/orvak %u\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nMimeType=x-scheme-handler/orvak;\n"), std::string::npos) << text;
  EXPECT_EQ(orvak::UrlHandler::install("/usr/bin/orvak", dir), Outcome::current);

  EXPECT_EQ(orvak::UrlHandler::install("/opt/new place/orvak", dir), Outcome::written) << "another executable";
  EXPECT_NE(orvak::test::readFile(file).find("\nExec=\"/opt/new place/orvak\" %u\n"), std::string::npos);

  orvak::test::writeFile(file, orvak::test::readFile(file) + "X-Extra=1\n");
  EXPECT_EQ(orvak::UrlHandler::install("/opt/new place/orvak", dir), Outcome::written) << "changed by hand";
}

TEST(UrlHandlerTest, AnUnwritableFolderFailsWithoutThrowing) {
  const fs::path blocker = orvak::test::freshDir("blocked") / "applications";
  orvak::test::writeFile(blocker, "a file where the folder should be");
  EXPECT_EQ(orvak::UrlHandler::install("/usr/bin/orvak", blocker), Outcome::failed);
  EXPECT_EQ(orvak::test::readFile(blocker), "a file where the folder should be");
}
