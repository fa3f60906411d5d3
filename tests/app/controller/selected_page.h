// A page as the capturer would hand it over for the controller's reads, with its second and third
// sentences selected: a read of it covers characters 16 to 55 only.
#pragma once

#include <string>

#include "app/capture/capture.h"
#include "app/controller/app_controller.h"

namespace orvak::test {

inline const std::string kSelectedPageText =
    "First one here. Second one there. Third one everywhere. Fourth and last.";

inline Capture selectedPage(const AppController& app) {
  Capture c;
  c.appName = "Firefox";
  c.bundleId = "org.mozilla.firefox";
  // The scene's browser, still running: the read is not taken for one whose application quit.
  if (const auto front = app.workspace()->frontmostApplication()) {
    c.pid = front->pid;
    c.launchedAt = front->launchedAt;
  }
  c.windowTitle = "Rivers";
  c.url = "https://example.org/rivers";
  c.axWalkTotalMs = 40;
  c.attempts = 2;
  c.cleanMs = 5;
  c.clean.text = kSelectedPageText;
  c.clean.chars = static_cast<int>(kSelectedPageText.size());
  c.clean.regionStrategy = "article";
  c.clean.score.score = 80;
  c.selectedText = "Second one there. Third one everywhere.";
  return c;
}

}  // namespace orvak::test
