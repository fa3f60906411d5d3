// The `appearance` setting put into effect on the whole application: "dark", "light", or
// "system", which follows the desktop's colour-scheme preference (the desktop portal's, read over
// the session bus) and, when the desktop states none, the palette of the application's style.
// Values match exactly: "Dark" is light, as is anything unknown.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include <QPalette>

namespace orvak::AppLook {

enum class Scheme { light, dark };

// The scheme `value` asks for; `desktop` is asked only for "system", and `fallback` only when the
// desktop states no preference.
Scheme resolve(std::string_view value, const std::function<std::optional<Scheme>()>& desktop,
               const std::function<Scheme()>& fallback);

// The desktop portal's colour-scheme preference; none without a session bus, a portal, or a
// preference.
std::optional<Scheme> desktopScheme();
// Light when the window colour of `palette` is lighter than mid-grey.
Scheme schemeOf(const QPalette& palette);
// The application's palette for a scheme.
QPalette palette(Scheme scheme);

// Sets the application's palette for `value`. Needs the QApplication; main thread.
void apply(std::string_view value);

}  // namespace orvak::AppLook
