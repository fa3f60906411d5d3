#include <gtest/gtest.h>
#include <stdlib.h>

#include "app/account/account.h"
#include "platform/bundle.h"
#include "platform/defaults.h"
#include "speech/keys.h"
#include "tests/vendor_servers/memory_keychain.h"

using namespace orvak;

namespace {

std::string bundleApi() { return std::get<std::string>(platform::bundle::info(platform::bundle::kApi)); }

class AccountBaseTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::Defaults::standard()->remove("apiBase"); }
  void TearDown() override {
    platform::Defaults::standard()->remove("apiBase");
    Keys::useKeychain(nullptr);
  }
};

TEST_F(AccountBaseTest, TheBaseComesFromTheDefaultsThenTheBundle) {
  EXPECT_EQ(Account::base(), bundleApi()) << "the bundle entry when the defaults hold none";
  platform::Defaults::standard()->set("apiBase", std::string("http://localhost:8787/"));
  EXPECT_EQ(Account::base(), "http://localhost:8787/") << "taken as it is, trailing slash and all";
  platform::Defaults::standard()->set("apiBase", std::string(""));
  EXPECT_EQ(Account::base(), "") << "an empty text is a value too";
  platform::Defaults::standard()->set("apiBase", true);  // not a text: ignored
  EXPECT_EQ(Account::base(), bundleApi());
}

TEST_F(AccountBaseTest, TheVoiceProxyNeedsAnAccountTokenAndAnAddressAndAsksForTheTokenAnew) {
  auto chain = test::useMemoryKeychain({});
  EXPECT_FALSE(Account::voiceProxy()) << "signed out";

  chain->add("orvak-account", "orvak", "account", "tok-1");
  Keys::forget();
  platform::Defaults::standard()->set("apiBase", std::string("https://example.test"));
  const auto proxy = Account::voiceProxy();
  ASSERT_TRUE(proxy);
  EXPECT_EQ(proxy->url, "https://example.test/api/voice/stream");
  EXPECT_EQ(proxy->token(), "tok-1");
  Keys::remove("account");
  EXPECT_EQ(proxy->token(), std::nullopt) << "the token follows sign-out";

  chain->add("orvak-account", "orvak", "account", "tok-2");
  Keys::forget();
  platform::Defaults::standard()->set("apiBase", std::string("not an address"));
  EXPECT_FALSE(Account::voiceProxy());
}

TEST_F(AccountBaseTest, TheVoiceProxyTakesTheTokenOnlyToHttpsOrThisMachine) {
  test::useMemoryKeychain({{"account", "tok-12345678"}});
  const struct {
    const char* base;
    bool proxied;
  } cases[] = {
      {"https://service.example", true},
      {"http://127.0.0.1:8787", true},
      {"http://localhost:8787", true},
      {"http://[::1]:8787", true},
      {"http://service.example", false},
      {"http://127.0.0.2:8787", false},
      {"http://192.168.1.4:8787", false},
      {"ftp://service.example", false},
  };
  for (const auto& c : cases) {
    platform::Defaults::standard()->set("apiBase", std::string(c.base));
    EXPECT_EQ(Account::voiceProxy().has_value(), c.proxied) << c.base;
  }
}

}  // namespace
