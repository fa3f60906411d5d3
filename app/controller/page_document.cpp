#include "app/controller/page_document.h"

#include <algorithm>
#include <map>

#include "core/text/text.h"
#include "core/text/url.h"

namespace orvak::PageDocument {

std::string site(const std::optional<std::string>& url, const std::string& app) {
  if (url) {
    if (const auto parsed = url::parse(*url); parsed && !parsed->host.empty()) return parsed->host;
  }
  return app;
}

std::vector<account::LibraryItem> items(const Page& page, const std::string& today) {
  std::vector<account::LibraryItem> out;
  out.push_back({1, "listened", "", "", page.excerpt, page.title, page.site, today});
  const std::size_t sent = std::min(page.saved.size(), kMaxSavedSent);
  for (std::size_t i = 0; i < sent; ++i) {
    const ResearchItem& item = page.saved[i].item;
    out.push_back({static_cast<std::int64_t>(i) + 2, "saved", item.quote, item.note.value_or(""), "", page.title,
                   page.site, today});
  }
  return out;
}

std::string question(const std::string& topic, const std::string& title) {
  return topic.empty() ? "this part of " + title : topic + " (from " + title + ")";
}

std::string storedQuestion(const std::string& topic, const std::string& title) {
  return topic.empty() ? "Written while reading " + title : topic;
}

Stored fromReply(const account::LibraryDoc& reply, const Page& page) {
  Stored out;
  std::map<std::int64_t, std::int64_t> renumbered;  // old number -> new number
  std::vector<std::int64_t> firstCited;             // old numbers in order of first citation
  for (const auto& p : reply.paragraphs) {
    WrittenDoc::Para para{p.text, {}};
    for (const std::int64_t old : p.cites) {
      auto [it, added] = renumbered.try_emplace(old, static_cast<std::int64_t>(renumbered.size()) + 1);
      if (added) firstCited.push_back(old);
      para.cites.push_back(it->second);
    }
    out.paragraphs.push_back(std::move(para));
  }
  // Only numbers that were sent rest on something: a saved item beyond those sent was never seen
  // by the service, whatever number it cites.
  const auto sentSaved = static_cast<std::int64_t>(std::min(page.saved.size(), kMaxSavedSent));
  for (const std::int64_t old : firstCited) {
    const std::int64_t n = renumbered.at(old);
    if (old == 1) {
      out.sources.push_back({n, std::nullopt, std::string(text::graphemePrefix(page.excerpt, kPageQuoteChars)),
                             std::nullopt, page.title, page.url});
    } else if (old >= 2 && old <= 1 + sentSaved) {
      const StoredItem& saved = page.saved[static_cast<std::size_t>(old - 2)];
      out.sources.push_back({n, saved.id, saved.item.quote, saved.item.note, page.title, page.url});
    }
  }
  return out;
}

}  // namespace orvak::PageDocument
