#include "app/audio/audio_route.h"

#include <gtest/gtest.h>

#include <ostream>
#include <unistd.h>

#include "core/base/dispatch.h"
#include "platform/sim/sim_audio_hardware.h"

namespace orvak {
namespace {

using platform::OutputDevice;
using platform::RecordingProcess;

struct PersonalCase {
  const char* what;
  OutputDevice device;
  bool personal;
};

// Shown by the test runner instead of the raw bytes of the case.
void PrintTo(const PersonalCase& c, std::ostream* os) { *os << c.what; }

class Personal : public ::testing::TestWithParam<PersonalCase> {};

TEST_P(Personal, FollowsHowTheDeviceIsAttached) {
  EXPECT_EQ(AudioRoute::isPersonal(GetParam().device), GetParam().personal) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Devices, Personal,
    ::testing::Values(PersonalCase{"bluetooth headset", {1, "WH-1000XM4", "bluetooth", false}, true},
                      PersonalCase{"bluetooth speaker", {1, "JBL Flip", "bluetooth", false}, true},
                      PersonalCase{"built-in, headphones jack", {2, "Built-in Audio Analog Stereo", "pci", true}, true},
                      PersonalCase{"built-in speakers", {2, "Built-in Audio Analog Stereo", "pci", false}, false},
                      PersonalCase{"SoC audio on headphones", {2, "Built-in Audio", "platform", true}, true},
                      PersonalCase{"HDMI port of the built-in card", {3, "HDMI / DisplayPort", "pci", false}, false},
                      PersonalCase{"USB headset", {4, "Jabra Evolve2 65", "usb", false}, true},
                      PersonalCase{"USB speaker", {4, "Creative Pebble SPEAKER", "usb", false}, false},
                      PersonalCase{"USB display", {4, "Dell U2720Q Display Audio", "usb", false}, false},
                      PersonalCase{"USB monitor", {4, "Studio MONITOR 5", "usb", false}, false},
                      PersonalCase{"USB studio interface", {4, "Focusrite Studio 2i2", "usb", false}, false},
                      PersonalCase{"virtual sink", {5, "Null Output", "", true}, false},
                      PersonalCase{"network sink", {6, "Living room", "network", false}, false}));

TEST(AudioRoute, OutputNamesTheDefaultDeviceOrNothing) {
  platform::SimAudioHardware hw;
  EXPECT_FALSE(AudioRoute::output(hw).has_value());
  hw.setDefaultOutput(OutputDevice{7, "", "bluetooth", false});
  EXPECT_EQ(AudioRoute::output(hw), (AudioRoute::Output{7, "?", true}));
  hw.setDefaultOutput(OutputDevice{8, "Speakers", "pci", false});
  EXPECT_EQ(AudioRoute::output(hw), (AudioRoute::Output{8, "Speakers", false}));
}

TEST(AudioRoute, OthersRecordingKeepsKnownCallersAndBrowsersButNeverThisProcess) {
  platform::SimAudioHardware hw;
  const int own = static_cast<int>(getpid());
  hw.setRecorders({
      {4001, "zoom", "Zoom Meetings"},
      {4002, "nerd-dictation", "Dictation"},     // not a caller
      {own, "firefox", "Firefox"},               // this process
      {0, "slack", "Slack"},                     // no process id
      {4003, "", "Microsoft Teams - Preview"},   // no binary: the application name
      {4004, "Google-Chrome", "Google Chrome"},  // letter case does not matter, the name is kept
      {4005, "", ""},                            // nothing known: "pid 4005", not a caller
      {4006, "audacity", "Audacity"},
  });
  EXPECT_EQ(AudioRoute::othersRecording(hw),
            (std::vector<std::string>{"zoom", "Microsoft Teams - Preview", "Google-Chrome"}));
  hw.setRecorders({});
  EXPECT_TRUE(AudioRoute::othersRecording(hw).empty());
}

TEST(AudioRoute, AProgramRecordingOnSeveralStreamsIsListedOnce) {
  platform::SimAudioHardware hw;
  // The sound server lists streams: a call with an echo-cancelled and a raw capture, two tabs.
  hw.setRecorders({{4001, "zoom", "Zoom Meetings"},
                   {4002, "firefox", "Firefox"},
                   {4001, "zoom", "Zoom Meetings"},
                   {4003, "firefox", "Firefox"}});
  EXPECT_EQ(AudioRoute::othersRecording(hw), (std::vector<std::string>{"zoom", "firefox", "firefox"}));
}

TEST(AudioRoute, AppNamePrefersTheRecordersOwnNameThenTheTable) {
  platform::SimAudioHardware hw;
  hw.setRecorders({{4001, "zoom", "Zoom Meetings"}, {4002, "firefox", ""}});
  EXPECT_EQ(AudioRoute::appName("zoom", hw), "Zoom Meetings");
  EXPECT_EQ(AudioRoute::appName("firefox", hw), "Firefox");
  EXPECT_EQ(AudioRoute::appName("skypeforlinux", hw), "Skype");  // no longer recording: the table
  EXPECT_EQ(AudioRoute::appName("pid 4005", hw), "another app");
}

TEST(AudioRoute, WatchCallsBackOnTheMainQueueWhenTheOutputChanges) {
  dispatch::VirtualTime vt;
  platform::SimAudioHardware hw;
  int calls = 0;
  bool onMain = false;
  AudioRoute::watch(
      [&] {
        ++calls;
        onMain = dispatch::main().isCurrent();
      },
      hw);
  hw.setDefaultOutput(OutputDevice{1, "Speakers", "pci", false});
  EXPECT_EQ(calls, 0);
  vt.drain();
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(onMain);
  hw.setDefaultOutput(OutputDevice{1, "Speakers", "pci", false});  // unchanged
  vt.drain();
  EXPECT_EQ(calls, 1);
  hw.setDefaultOutput(OutputDevice{1, "Speakers", "pci", true});  // headphones plugged in
  vt.drain();
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace orvak
