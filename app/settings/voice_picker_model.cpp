#include "app/settings/voice_picker_model.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>

#include "core/text/text.h"

namespace orvak::VoicePickerModel {
namespace {

bool speaksEnglish(const VoiceCatalogItem& v) {
  return std::find(v.languages.begin(), v.languages.end(), "en") != v.languages.end();
}

std::string lowerCased(const std::string& s) {
  std::string out;
  icu::UnicodeString::fromUTF8(s).toLower(icu::Locale::getDefault()).toUTF8String(out);
  return out;
}

}  // namespace

std::string capitalised(const std::string& text) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> words(icu::BreakIterator::createWordInstance(icu::Locale::getDefault(), status));
  icu::UnicodeString s = icu::UnicodeString::fromUTF8(text);
  if (U_SUCCESS(status)) s.toTitle(words.get(), icu::Locale::getDefault());
  std::string out;
  s.toUTF8String(out);
  return out;
}

std::vector<VoiceCatalogItem> items(const VoiceCatalogList& list, const Filters& f) {
  std::vector<VoiceCatalogItem> out;
  const std::string accent = f.accent == kAnyAccent ? std::string() : lowerCased(f.accent);
  for (const auto& v : list.voices) {
    if (!f.query.empty() && !text::containsIgnoringCase(v.name + " " + v.description + " " + v.accent, f.query))
      continue;
    if (f.who != kAnyone && v.gender != (f.who == kWomen ? "female" : "male")) continue;
    if (f.accent != kAnyAccent && v.accent != accent) continue;
    if (!f.showAll && !speaksEnglish(v)) continue;
    out.push_back(v);
  }
  return out;
}

std::vector<std::string> accents(const VoiceCatalogList& list) {
  std::vector<std::string> raw;
  for (const auto& v : list.voices) {
    if (speaksEnglish(v) && !v.accent.empty()) raw.push_back(v.accent);
  }
  std::sort(raw.begin(), raw.end());
  raw.erase(std::unique(raw.begin(), raw.end()), raw.end());
  std::vector<std::string> out;
  for (const auto& a : raw) out.push_back(capitalised(a));
  return out;
}

std::optional<std::string> tag(const VoiceCatalogItem& v) {
  if (!v.languages.empty() && !speaksEnglish(v)) {
    const std::string& code = v.languages.front();
    icu::UnicodeString name;
    icu::Locale(code.c_str()).getDisplayLanguage(icu::Locale::getDefault(), name);
    std::string out;
    name.toUTF8String(out);
    return out.empty() ? code : out;
  }
  if (!v.accent.empty() && v.accent != "american") return capitalised(v.accent);
  return std::nullopt;
}

std::string previewIcon(const std::string& id, const std::optional<std::string>& playing,
                        const std::optional<std::string>& loadingPreview) {
  if (playing == id) return "stop.fill";
  if (loadingPreview == id) return "ellipsis";
  return "play.fill";
}

}  // namespace orvak::VoicePickerModel
