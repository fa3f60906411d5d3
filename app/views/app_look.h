// The `appearance` setting put into effect on the whole application: "dark", "light", or
// "system", which follows what the desktop says (look/appearance.h). Values match exactly:
// "Dark" is light, as is anything unknown.
#pragma once

#include <functional>
#include <string_view>

#include <QPalette>

#include "app/views/look/appearance.h"

namespace orvak::views::AppLook {

// The look `value` asks for; `desktop` is asked only for "system".
look::Appearance resolve(std::string_view value, const std::function<look::Appearance()>& desktop);

// The widgets' palette for a light or dark look.
QPalette palette(look::Appearance appearance);

// Whether `value` leaves the look to the desktop ("system"), so that a change there matters.
bool followsDesktop(std::string_view value);

// Sets the process's look, the stock controls' style (look/stock_style.h) and the application's
// palette for `value`; a desktop that states no preference keeps the style's own palette.
// `desktop` (asked only for "system") defaults to reading the desktop's setting. Needs the
// QApplication; main thread.
void apply(std::string_view value,
           const std::function<look::Appearance()>& desktop = look::readDesktopAppearance);

}  // namespace orvak::views::AppLook
