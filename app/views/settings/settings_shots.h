// Pictures of the settings pages and their pieces, for `orvak-dev shot`.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "app/views/shots.h"

namespace orvak {
class Prefs;
}

namespace orvak::views::settings {

std::vector<Shot> settingsShots();
// The voice picker and the Voice page.
std::vector<Shot> voiceShots();
// The account, pronunciation and keys pages.
std::vector<Shot> sectionShots();

// Settings over a store in a temporary folder that lives as long as the object.
class ShotPrefs {
 public:
  ShotPrefs();
  ~ShotPrefs();
  Prefs& prefs() { return *prefs_; }

 private:
  struct Folder;
  std::unique_ptr<Folder> folder_;
  std::unique_ptr<Prefs> prefs_;
};

// The paper behind a page, `width` wide, with the content inside margins.
class ShotPaper : public QWidget {
 public:
  ShotPaper(QWidget* content, int width, int margin = 32);

 protected:
  void paintEvent(QPaintEvent*) override;
};

// The other pages' contents over sample data, for pictures of the settings pane.
QWidget* sampleAccountPage(bool signedIn);
QWidget* samplePronunciationPage(Prefs& prefs);
QWidget* sampleVoicePage(Prefs& prefs);

// The hotkey code of a --key option; throws std::invalid_argument for anything but a number
// from 0 to 65535.
std::uint16_t shotKeyCode(const ShotOptions& options, std::uint16_t fallback);

}  // namespace orvak::views::settings
