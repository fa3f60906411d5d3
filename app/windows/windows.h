// What the rest of the application asks of its windows (onboarding, main window, library). The
// controller and the status menu hold this interface; app/views/windows builds it with Qt, the
// controller's tests with a double.
#pragma once

#include <optional>
#include <string>

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

}  // namespace orvak
