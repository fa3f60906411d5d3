// Links that open a web page scrolled to a quoted passage, with a text-fragment directive
// ("#:~:text=") appended to the page's address.
//
// Pure functions; safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace orvak::QuoteLink {

// The page address with a directive for the quote: all its words when it has up to 10, else its
// first 5 and last 4 words as a start,end range. An existing fragment is replaced. The source
// comes back unchanged when no link can be made: not an http(s) address, the document editor's
// pages, or a quote of fewer than two words.
std::string url(std::string_view source, std::string_view quote);

}  // namespace orvak::QuoteLink
