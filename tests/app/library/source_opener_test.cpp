#include "app/library/source_opener.h"

#include <gtest/gtest.h>

#include "tests/app/library/library_fakes.h"
#include "tests/support/files.h"
#include "tests/support/temp_home.h"

using namespace orvak;
namespace fs = std::filesystem;

namespace {

class SourceOpenerTest : public ::testing::Test {
 protected:
  SourceOpenerTest() {
    apps = test::freshDir("apps");
    test::writeFile(apps / "notes-editor.desktop", "[Desktop Entry]\nType=Application\nName=Notes Editor\nExec=ne\n");
    test::writeFile(apps / "sub/hidden.desktop", "[Desktop Entry]\nType=Application\nName=Hidden One\nHidden=true\n");
    test::writeFile(apps / "link.desktop", "[Desktop Entry]\nType=Link\nName=A Link\nURL=https://e.org\n");
    test::writeFile(apps / "other.desktop", "[Other Group]\nName=Elsewhere\n[Desktop Entry]\nName=Real Name\nType=Application\n");
    files = test::freshDir("files");
    test::writeFile(files / "paper one.pdf", "%PDF");
    test::writeFile(files / "run.sh", "#!/bin/sh\n");
    fs::permissions(files / "run.sh", fs::perms::owner_exec, fs::perm_options::add);
    test::writeFile(files / "app.desktop", "[Desktop Entry]\nType=Application\nName=X\nExec=x\n");
    workspace->running = {test::runningApp("Firefox", 42)};
  }

  std::optional<OpenedSource> open(std::optional<std::string> url, std::string app,
                                   std::optional<std::string> quote = std::nullopt) {
    SourceOpener opener(workspace, [this](const std::vector<std::string>& argv) {
      launched.push_back(argv);
      return platform::ProcessResult{0, ""};
    }, {apps});
    return opener.open(url, app, quote);
  }

  std::string fileUrl(const std::string& name) {
    std::string path = (files / name).string();
    std::string out = "file://";
    for (char c : path) out += c == ' ' ? std::string("%20") : std::string(1, c);
    return out;
  }

  fs::path apps;
  fs::path files;
  std::shared_ptr<test::FakeWorkspace> workspace = std::make_shared<test::FakeWorkspace>();
  std::vector<std::vector<std::string>> launched;
};

TEST_F(SourceOpenerTest, OpensSafeAddressesElseTheApplication) {
  using Kind = OpenedSource::Kind;
  const struct {
    std::optional<std::string> url;
    std::string app;
    std::optional<OpenedSource> want;
  } cases[] = {
      {"https://example.org/a", "Firefox", OpenedSource{Kind::address, "https://example.org/a"}},
      {fileUrl("paper one.pdf"), "", OpenedSource{Kind::address, fileUrl("paper one.pdf")}},
      {"javascript:alert(1)", "Firefox", OpenedSource{Kind::runningApp, "Firefox"}},
      {"javascript:alert(1)", "", std::nullopt},
      {fileUrl("run.sh"), "", std::nullopt},
      {fileUrl("app.desktop"), "", std::nullopt},
      {fileUrl("missing.pdf"), "", std::nullopt},
      {"file://elsewhere.example/etc/hosts", "", std::nullopt},
      {"smb://host/share", "Notes Editor", OpenedSource{Kind::desktopEntry, (apps / "notes-editor.desktop").string()}},
      {std::nullopt, "Real Name", OpenedSource{Kind::desktopEntry, (apps / "other.desktop").string()}},
      {std::nullopt, "Hidden One", std::nullopt},
      {std::nullopt, "A Link", std::nullopt},
      {std::nullopt, "Elsewhere", std::nullopt},
      {std::nullopt, "../notes-editor", std::nullopt},
      {std::nullopt, "sub/hidden", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(open(c.url, c.app), c.want) << c.url.value_or("none") << " / " << c.app;
  }
  EXPECT_EQ(workspace->activated, std::vector<pid_t>{42});
  ASSERT_EQ(launched.size(), 2u);
  EXPECT_EQ(launched[0], (std::vector<std::string>{"gio", "launch", (apps / "notes-editor.desktop").string()}));
}

TEST_F(SourceOpenerTest, AQuoteScrollsAWebPageAndAFailedOpenFallsThrough) {
  const auto opened = open("https://example.org/a", "Firefox", "the price rose again");
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->what, "https://example.org/a#:~:text=the%20price%20rose%20again");

  workspace->opens = false;
  EXPECT_EQ(open("https://example.org/a", "Firefox"), (OpenedSource{OpenedSource::Kind::runningApp, "Firefox"}));
}

}  // namespace
