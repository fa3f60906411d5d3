// The library as Markdown, for export.
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>

#include "core/library/notes_store.h"
#include "core/text/text.h"

namespace orvak {

namespace {

// Medium date, short time, in the user's locale and time zone (ICU's defaults, from the
// environment). The exact spelling is ICU's.
class SaveTimeFormat {
 public:
  SaveTimeFormat()
      : format_(icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium, icu::DateFormat::kShort,
                                                        icu::Locale::getDefault())) {}

  std::string operator()(Date d) const {
    if (!format_) return iso8601(d);
    icu::UnicodeString out;
    format_->format(static_cast<UDate>(d.sinceEpoch * 1000.0), out);
    return text::toUtf8(out);
  }

 private:
  std::unique_ptr<icu::DateFormat> format_;
};

std::string quoteLines(std::string_view quote) {
  std::string out = "> ";
  for (const char c : quote) {
    out += c;
    if (c == '\n') out += "> ";
  }
  return out;
}

}  // namespace

std::string NotesStore::markdown(std::optional<std::string_view> docKey) {
  const SaveTimeFormat formatTime;
  std::string out;
  for (const auto& doc : documents()) {
    if (docKey && doc.key != *docKey) continue;
    out += "## " + (doc.title.empty() ? doc.app : doc.title) + "\n\n";
    if (doc.url) {
      out += "<" + *doc.url + ">\n\n";
    } else if (!doc.app.empty()) {
      out += "_" + doc.app + "_\n\n";
    }
    for (const auto& stored : items(doc.key)) {
      out += quoteLines(stored.item.quote) + "\n\n";
      if (stored.item.note && !stored.item.note->empty()) out += *stored.item.note + "\n\n";
      out += "<sub>" + formatTime(stored.item.ts) + "</sub>\n\n";
    }
  }
  return out;
}

}  // namespace orvak
