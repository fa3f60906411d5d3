// What the controller asks of the parts other pieces of the application build: the windows, the
// status menu and the account client (app/account/account_client.h). Each is a small interface,
// so the controller's tests answer it with doubles and the application with its Qt views.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/account/account_client.h"
#include "app/main_model.h"

namespace orvak {

class Windows {
 public:
  virtual ~Windows() = default;
  // Opens the onboarding window or brings it to the front.
  virtual void showOnboarding() = 0;
  // Opens the main window (made once) on `page`.
  virtual void showMain(MainModel::Page page) = 0;
  // Opens the library (reloaded) on the highlights, or on the pages list at the page `key`.
  virtual void showNotes(const std::optional<std::string>& key) = 0;
  // Whether the library window is the front window.
  virtual bool libraryInFront() const = 0;
  // Whether any of our windows is on screen.
  virtual bool hasVisibleWindows() const = 0;
  // Reloads the library window's view models, when they exist.
  virtual void reloadModels() = 0;
  // Puts `question` in the notes' search and asks the library about it.
  virtual void askLibrary(const std::string& question) = 0;
};

class MenuBar {
 public:
  virtual ~MenuBar() = default;
  // Brings the status menu up to date with the controller's state.
  virtual void refresh() = 0;

  // The speed label, shared with the pill's speed button and the voice settings: "1×" for a whole
  // number, else two significant digits: 1.25 gives "1.2×", 1.75 "1.8×".
  static std::string speed(float value);
};

}  // namespace orvak
