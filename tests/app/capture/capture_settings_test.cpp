#include "app/capture/capture_settings.h"

#include <gtest/gtest.h>

#include "tests/app/capture/capture_test_support.h"
#include "tests/support/temp_home.h"

namespace orvak {
namespace {

TEST(CaptureSettings, DumpsNeedBothTheSettingAndTheDeveloperFlag) {
  test::CaptureHarness h(test::sceneWith(json::Json::object(), json::Json::array({test::para(test::kRiver)})));
  auto defaults = std::make_shared<platform::Defaults>(test::freshDir("capture-settings") / "defaults.json");
  Prefs prefs(defaults);
  const struct {
    bool saveCaptures;
    platform::DefaultsValue developer;
    bool dumps;
  } cases[] = {
      {true, true, true},
      {true, false, false},
      {true, std::monostate{}, false},
      {true, std::string("yes"), false},  // only a stored Boolean true counts
      {false, true, false},
      {false, false, false},
  };
  for (const auto& c : cases) {
    h.capturer->saveDumps = !c.dumps;  // a stale value that each application must replace
    defaults->set(Prefs::kDeveloperFlag, c.developer);
    prefs.setSaveCaptures(c.saveCaptures);
    applyCaptureSettings(*h.capturer, prefs);
    EXPECT_EQ(h.capturer->saveDumps.load(), c.dumps) << c.saveCaptures << " " << defaults->flag("developer");
  }
}

}  // namespace
}  // namespace orvak
