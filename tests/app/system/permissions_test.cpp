// The two grants, polled once a second in virtual time against a simulated desktop and microphone.
#include "app/system/permissions.h"

#include <gtest/gtest.h>

#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_microphone.h"

namespace {

using orvak::Permissions;
using Mic = orvak::platform::MicAccess;
namespace dispatch = orvak::dispatch;

struct Grants {
  dispatch::VirtualTime vt;
  std::shared_ptr<orvak::sim::SimDesktop> desktop;
  std::shared_ptr<orvak::sim::SimMicrophone> mic;
  std::shared_ptr<Permissions> perms;
  int changes = 0;

  Grants(bool trusted, Mic access)
      : desktop(orvak::sim::SimDesktop::fromJson(orvak::json::parse(trusted ? R"({"trusted": true})" : R"({"trusted": false})"))),
        mic(std::make_shared<orvak::sim::SimMicrophone>(access)),
        perms(Permissions::make(desktop, mic)) {
    perms->onChange = [this] { ++changes; };
  }
};

}  // namespace

TEST(PermissionsTest, PollingReportsEachRealChangeOnceAndStopsWhenBothAreGranted) {
  Grants s(false, Mic::denied);
  EXPECT_FALSE(s.perms->accessibility());
  EXPECT_EQ(s.perms->mic(), Mic::denied);
  s.perms->startPolling();
  s.perms->startPolling();
  EXPECT_EQ(s.vt.pending(), 1u) << "one timer for two calls";

  s.vt.advance(3.5);
  EXPECT_EQ(s.changes, 0) << "unchanged polls are silent";
  s.desktop->setTrusted(true);
  s.vt.advance(1);
  EXPECT_TRUE(s.perms->accessibility());
  EXPECT_EQ(s.changes, 1);
  EXPECT_TRUE(s.perms->isPolling()) << "the microphone is still missing";

  // Both change between two polls: one notice, with both values in place when it comes.
  s.desktop->setTrusted(false);
  s.mic->setAccess(Mic::granted);
  s.perms->onChange = [&] {
    ++s.changes;
    EXPECT_FALSE(s.perms->accessibility());
    EXPECT_EQ(s.perms->mic(), Mic::granted);
  };
  s.vt.advance(1);
  EXPECT_EQ(s.changes, 2);
  s.perms->onChange = [&] { ++s.changes; };

  s.desktop->setTrusted(true);
  s.vt.advance(1);
  EXPECT_EQ(s.changes, 3);
  EXPECT_FALSE(s.perms->isPolling());
  EXPECT_EQ(s.vt.pending(), 0u);
  s.desktop->setTrusted(false);
  s.vt.advance(5);
  EXPECT_EQ(s.changes, 3) << "no polling once both were granted";
}

TEST(PermissionsTest, BothGrantedAtTheStartStopsAtTheFirstTickWithoutANotice) {
  Grants s(true, Mic::granted);
  s.perms->startPolling();
  s.vt.advance(1);
  EXPECT_FALSE(s.perms->isPolling());
  EXPECT_EQ(s.changes, 0);
}

TEST(PermissionsTest, AMicrophoneRequestIsReadBackOnTheMainQueue) {
  const std::vector<std::pair<std::optional<Mic>, Mic>> answers{
      {Mic::denied, Mic::denied}, {Mic::granted, Mic::granted}, {std::nullopt, Mic::notAsked}};
  for (const auto& [answer, after] : answers) {
    Grants s(true, Mic::notAsked);
    s.mic->setAnswer(answer);
    s.perms->requestMic();
    EXPECT_EQ(s.mic->requests(), 1);
    EXPECT_EQ(s.perms->mic(), Mic::notAsked) << "the answer comes later";
    s.vt.drain();
    EXPECT_EQ(s.perms->mic(), after);
    EXPECT_EQ(s.changes, after == Mic::notAsked ? 0 : 1);
  }
}
