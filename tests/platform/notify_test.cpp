#include "platform/notify.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/base/dispatch.h"

using namespace orvak;
using platform::Notification;
using platform::NotificationCenter;

namespace {

TEST(NotificationCenterTest, DeliversByNameOnTheMainQueueInOrder) {
  dispatch::VirtualTime vt;
  NotificationCenter center;
  std::vector<Notification> heard;
  auto a = center.observe("orvak.notesChanged", [&](const Notification& n) { heard.push_back(n); });
  auto b = center.observe("orvak.debugOnboardingStep", [&](const Notification& n) { heard.push_back(n); });

  center.post("orvak.notesChanged");
  center.post("orvak.focusAsk");
  center.post("orvak.debugOnboardingStep", 3);
  EXPECT_TRUE(heard.empty()) << "delivery waits for the main queue";
  vt.drain();
  EXPECT_EQ(heard, (std::vector<Notification>{{"orvak.notesChanged", std::nullopt}, {"orvak.debugOnboardingStep", 3}}));
}

TEST(NotificationCenterTest, AnEndedObservationHearsNothingAlreadyPosted) {
  dispatch::VirtualTime vt;
  NotificationCenter center;
  int first = 0;
  int second = 0;
  NotificationCenter::Observation two;
  // The first observer ends the second one while the same notification is being delivered.
  auto one = center.observe("n", [&](const Notification&) {
    ++first;
    two.reset();
  });
  two = center.observe("n", [&](const Notification&) { ++second; });
  center.post("n");
  vt.drain();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
  EXPECT_FALSE(two.isActive());

  center.post("n");
  one = NotificationCenter::Observation();
  vt.drain();
  EXPECT_EQ(first, 1) << "ended before delivery";

  auto three = center.observe("n", [&](const Notification&) { ++second; });
  {
    NotificationCenter gone;
    auto orphan = gone.observe("n", [&](const Notification&) { ++second; });
    gone.post("n");
  }
  vt.drain();  // the centre went away with a delivery queued
  EXPECT_EQ(second, 0);
}

}  // namespace
