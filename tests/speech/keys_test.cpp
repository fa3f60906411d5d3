#include "speech/keys.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/files.h"
#include "tests/support/temp_home.h"

namespace fs = std::filesystem;
using namespace orvak;

namespace {


// A stand-in for secret-tool that keeps secrets as files and logs every command line it gets.
class FakeKeychain : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::freshDir("keychain");
    const auto tool = dir_ / "fake-secret-tool";
    std::ofstream(tool) << "#!/bin/sh\n"
                           "store='" << dir_.string() << "'\n"
                           "echo \"$@\" >> \"$store/argv.log\"\n"
                           "cmd=$1; shift\n"
                           "case $cmd in\n"
                           "  lookup) f=\"$store/$2.$4\"; [ -f \"$f\" ] || exit 1; cat \"$f\";;\n"
                           "  store) f=\"$store/$3.$5\"; cat > \"$f\"; echo \"$1\" > \"$f.label\";;\n"
                           "  clear) rm -f \"$store/$2.$4\";;\n"
                           "  *) exit 2;;\n"
                           "esac\n";
    fs::permissions(tool, fs::perms::owner_all);
    Keys::useKeychain(platform::makeSecretToolKeychain(tool.string()));
    unsetenv("CARTESIA_API_KEY");
    unsetenv("INWORLD_API_KEY");
    unsetenv("ACCOUNT_API_KEY");
  }
  void TearDown() override { Keys::useKeychain(nullptr); }

  void putItem(const std::string& name, const std::string& secret) {
    std::ofstream(dir_ / ("orvak-" + name + ".orvak")) << secret;
  }
  int toolRuns() const {
    std::ifstream in(dir_ / "argv.log");
    int n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
  }
  fs::path dir_;
};

}  // namespace

TEST_F(FakeKeychain, LookupOrderIsCacheThenEnvironmentThenKeychain) {
  putItem("cartesia", "  sk-keychain-value\n");
  EXPECT_EQ(Keys::get("cartesia"), "sk-keychain-value") << "the tool's output is trimmed";
  EXPECT_EQ(Keys::source("cartesia"), "Keychain");

  setenv("CARTESIA_API_KEY", "sk-from-environment", 1);
  EXPECT_EQ(Keys::get("cartesia"), "sk-keychain-value") << "the cache answers first";
  Keys::forget();
  EXPECT_EQ(Keys::get("cartesia"), "sk-from-environment");
  EXPECT_EQ(Keys::source("cartesia"), "environment (CARTESIA_API_KEY)");

  setenv("CARTESIA_API_KEY", "", 1);
  Keys::forget();
  EXPECT_EQ(Keys::get("cartesia"), "sk-keychain-value") << "an empty variable counts as absent";
  EXPECT_EQ(Keys::source("inworld"), std::nullopt);
}

TEST_F(FakeKeychain, AMissingKeyIsLookedUpOnceUntilForgotten) {
  EXPECT_FALSE(Keys::has("inworld"));
  const int runs = toolRuns();
  EXPECT_FALSE(Keys::has("inworld"));
  EXPECT_FALSE(Keys::get("inworld"));
  EXPECT_EQ(toolRuns(), runs);
  putItem("inworld", "iw-12345678");
  EXPECT_FALSE(Keys::has("inworld")) << "added from outside: seen only after forget";
  Keys::forget();
  EXPECT_EQ(Keys::get("inworld"), "iw-12345678");
}

TEST_F(FakeKeychain, ToolOutputThatIsNotUtf8IsNoKey) {
  putItem("inworld", "sk-\xff\xfe-12345678");
  EXPECT_FALSE(Keys::get("inworld"));
  const int runs = toolRuns();
  EXPECT_FALSE(Keys::has("inworld")) << "remembered as missing";
  EXPECT_EQ(toolRuns(), runs);
}

TEST_F(FakeKeychain, SaveValidatesTrimsAndKeepsTheSecretOffTheCommandLine) {
  const std::string refused = "That doesn't look like an API key (unexpected characters or length).";
  struct Case {
    std::string key;
    bool ok;
  };
  const Case cases[] = {
      {"1234567", false},
      {std::string(513, 'a'), false},
      {"abcd efgh", false},
      {"abcd\"efgh", false},
      {"abcd\\efgh", false},
      {"12345678", true},
      {std::string(512, 'Z'), true},
      {"sk-_+/=.:AZaz09", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Keys::save("cartesia", c.key), c.ok ? std::nullopt : std::optional<std::string>(refused))
        << c.key.substr(0, 20);
  }
  EXPECT_EQ(Keys::save("cartesia", "  sk-secret-0001 \n"), std::nullopt);
  EXPECT_EQ(Keys::get("cartesia"), "sk-secret-0001");
  EXPECT_EQ(test::readFile(dir_ / "orvak-cartesia.orvak"), "sk-secret-0001");
  EXPECT_EQ(test::readFile(dir_ / "orvak-cartesia.orvak.label"), "--label=Orvak cartesia API key\n");
  EXPECT_EQ(test::readFile(dir_ / "argv.log").find("sk-secret-0001"), std::string::npos);
}

TEST_F(FakeKeychain, RemoveDeletesTheItemAndRereadsEveryName) {
  putItem("account", "token-aaaaaaaa");
  putItem("cartesia", "sk-cccccccc");
  EXPECT_EQ(Keys::get("account"), "token-aaaaaaaa");
  EXPECT_EQ(Keys::get("cartesia"), "sk-cccccccc");
  putItem("account", "token-bbbbbbbb");
  Keys::remove("cartesia");
  EXPECT_FALSE(Keys::get("cartesia"));
  EXPECT_EQ(Keys::get("account"), "token-bbbbbbbb") << "the cached token is read afresh";
}

TEST_F(FakeKeychain, BadNamesNeverReachTheTool) {
  for (const std::string& name : std::vector<std::string>{"", "Cartesia", "a b", "x;rm -rf /", "../etc", std::string(33, 'a')}) {
    EXPECT_FALSE(Keys::get(name)) << name;
    EXPECT_EQ(Keys::save(name, "sk-12345678"), "Couldn't save to your login keyring.") << name;
    Keys::remove(name);
  }
  EXPECT_EQ(toolRuns(), 0);
  EXPECT_EQ(Keys::envName("my-key"), "MY_KEY_API_KEY");
  EXPECT_EQ(Keys::envName("inworld"), "INWORLD_API_KEY");
}

TEST(KeysWithoutService, AToolThatCannotRunMeansNoKey) {
  Keys::useKeychain(platform::makeSecretToolKeychain("/nonexistent/secret-tool"));
  EXPECT_FALSE(Keys::get("cartesia"));
  EXPECT_EQ(Keys::save("cartesia", "sk-12345678"), "Couldn't save to your login keyring.");
  Keys::useKeychain(nullptr);
}
