#include <gtest/gtest.h>

#include "app/capture/capture.h"

namespace orvak {
namespace {

TEST(CaptureError, DescriptionsAreTheSentencesShownToTheUser) {
  const struct {
    CaptureError error;
    const char* description;
  } cases[] = {
      {CaptureError::neverRead("1Password"), "Orvak never reads 1Password"},
      {CaptureError::noWindow("App"), "App has no window Orvak can read"},
      {CaptureError::nothingReadable("Firefox", false), "Nothing readable in Firefox"},
      {CaptureError::nothingReadable("Firefox", true), "Nothing readable — close the dialog covering the page"},
      {CaptureError::notTrusted(), "Orvak needs Accessibility access"},
      {CaptureError::noFrontApp(), "No app in front"},
      {CaptureError::frontIsOrvak(), "Click into the window you want read first"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.error.description(), c.description);
}

}  // namespace
}  // namespace orvak
