#include "app/library/notes_text.h"

#include "core/page/page_title.h"
#include "core/text/text.h"
#include "core/text/url.h"

namespace orvak::NotesText {

std::string when(Date d, const dates::Zone& zone) { return dates::relativeDateTime(d, zone); }

std::string ago(Date d, Date now, const dates::Zone& zone) { return dates::relativeAge(d, now, zone); }

std::string source(const std::optional<std::string>& url, std::string_view app) {
  if (url) {
    if (const auto parsed = url::parse(*url); parsed && !parsed->host.empty()) {
      const std::string_view host = parsed->host;
      return std::string(host.substr(0, 4) == "www." ? host.substr(4) : host);
    }
  }
  return std::string(app);
}

std::string plain(const StoredItem& stored) {
  const ResearchItem& i = stored.item;
  std::string out = "\u201C" + i.quote + "\u201D";
  if (i.note && !i.note->empty()) out += "\n" + *i.note;
  out += "\n\u2014 " + PageTitle::clean(i.windowTitle, i.app, i.url);
  if (i.url) out += ", " + *i.url;
  return out;
}

std::string plural(std::int64_t n, std::string_view noun) {
  return std::to_string(n) + " " + std::string(noun) + (n == 1 ? "" : "s");
}

std::string counts(const DocumentSummary& page) {
  std::string out;
  if (page.highlights >= 1) out = plural(page.highlights, "highlight");
  if (page.notes >= 1) out += (out.empty() ? "" : " \u00B7 ") + plural(page.notes, "note");
  return out;
}

std::string exportFileName(std::string_view title) {
  std::string name(title);
  for (char& c : name) {
    if (c == '/') c = '-';
  }
  const auto firstKept = name.find_first_not_of('.');
  name.erase(0, firstKept == std::string::npos ? name.size() : firstKept);
  name = std::string(text::graphemePrefix(name, 80));
  if (text::trim(name).empty()) name = "Untitled";
  return name + ".md";
}

namespace {

std::string tildeFolder(const std::filesystem::path& folder, const std::filesystem::path& home) {
  const auto withoutTrailingSlash = [](std::filesystem::path p) {
    p = p.lexically_normal();
    return !p.has_filename() && p.has_relative_path() ? p.parent_path() : p;
  };
  const auto f = withoutTrailingSlash(folder);
  const auto h = withoutTrailingSlash(home);
  if (!h.empty() && h != "/") {
    const auto rel = f.lexically_relative(h);
    if (!rel.empty() && *rel.begin() != "..") return rel == "." ? "~" : "~/" + rel.string();
  }
  return f.string();
}

}  // namespace

std::string unavailable(const std::filesystem::path& support, const std::filesystem::path& logs,
                        const std::filesystem::path& home) {
  return "Orvak couldn't open its notes database in " + tildeFolder(support, home) +
         ". Highlights are still saved to research.jsonl in that folder; see orvak.log in " + tildeFolder(logs, home) +
         " for the error.";
}

}  // namespace orvak::NotesText
