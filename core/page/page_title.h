// The short document title shown and stored wherever a page is named, cleaned from the window
// title: without the browser's or application's name, the site's name, e-mail addresses and the
// separator debris window titles carry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvak::PageTitle {

// Never empty: falls back to `app`, then to "Untitled". `app` may be empty; `url` is the page
// address as text, used to recognise a trailing site name.
std::string clean(std::string_view title, std::string_view app, const std::optional<std::string>& url);

}  // namespace orvak::PageTitle
