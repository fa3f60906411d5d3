// The light or dark look the whole process draws in, and whether motion is allowed.
//
// One process-wide value each: the application's appearance setting sets the look, tests and the
// shot command set both. Until someone sets them they are read once from the desktop.
#pragma once

#include <optional>

namespace orvak::look {

// `other` stands for a look that is neither light nor dark (a portal answering "no preference");
// colours resolve it to their light values.
enum class Appearance { light, dark, other };

Appearance appearance();
void setAppearance(Appearance appearance);

// True when the desktop asks for reduced motion; animated pieces then stop redrawing.
bool reducedMotion();
void setReducedMotion(bool reduced);

// What the desktop says: the portal's "org.freedesktop.appearance" "color-scheme" (1 dark,
// 2 light, anything else other) when the portal answers, else the lightness of the application
// palette's window colour. Needs a QGuiApplication.
Appearance readDesktopAppearance();
// The portal's "color-scheme" alone: nothing when the portal does not answer.
std::optional<Appearance> readPortalAppearance();
// The portal's "org.gnome.desktop.interface" "enable-animations" turned off; false when the
// portal does not answer.
bool readDesktopReducedMotion();

// The appearance a portal "color-scheme" value stands for.
Appearance appearanceFromColorScheme(unsigned value);

// Takes note of the look and the motion setting when made and puts both back when it goes: for
// pictures and tests that change them for a while in a process that goes on drawing.
class KeptLook {
 public:
  KeptLook() : appearance_(appearance()), reduced_(reducedMotion()) {}
  ~KeptLook() {
    setAppearance(appearance_);
    setReducedMotion(reduced_);
  }
  KeptLook(const KeptLook&) = delete;
  KeptLook& operator=(const KeptLook&) = delete;

 private:
  Appearance appearance_;
  bool reduced_;
};

}  // namespace orvak::look
