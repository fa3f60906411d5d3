#include "app/settings/settings_sections.h"

#include <algorithm>

#include "app/prefs.h"
#include "core/text/text.h"
#include "speech/keys.h"

namespace orvak {

namespace AccountState {

bool signedIn(bool hasToken, bool hasInfo) { return hasToken && hasInfo; }

bool canSend(const std::string& address) { return address.find('@') != std::string::npos; }

}  // namespace AccountState

namespace PronunciationRules {

std::string trimmed(const std::string& s) { return std::string(text::trim(s, text::TrimSet::whitespaces)); }

bool valid(const std::string& written, const std::string& spoken) {
  return !trimmed(written).empty() && !trimmed(spoken).empty();
}

bool canHear(const std::string& written, const std::string& spoken) { return !written.empty() || !spoken.empty(); }

bool add(Prefs& prefs, const std::string& written, const std::string& spoken) {
  if (!valid(written, spoken)) return false;
  const std::string w = trimmed(written), s = trimmed(spoken);
  auto rules = prefs.pronunciations();
  rules.erase(std::remove_if(rules.begin(), rules.end(),
                             [&](const Pronunciation& r) { return text::equalsIgnoringCase(r.written, w); }),
              rules.end());
  prefs.setPronunciations(rules);
  rules.push_back({w, s});
  prefs.setPronunciations(std::move(rules));
  return true;
}

void remove(Prefs& prefs, const Pronunciation& rule) {
  auto rules = prefs.pronunciations();
  rules.erase(std::remove(rules.begin(), rules.end(), rule), rules.end());
  prefs.setPronunciations(std::move(rules));
}

std::string hearRule(const Pronunciation& rule) { return rule.written + "."; }

std::string hearForm(const std::string& written, const std::string& spoken) {
  return spoken.empty() ? written : spoken;
}

std::string caption(const Pronunciation& rule) { return "says “" + rule.spoken + "”"; }

}  // namespace PronunciationRules

namespace KeyStatus {

std::string status(const std::optional<std::string>& source) {
  if (!source) return "No key";
  return "Saved (" + (*source == Keys::kKeychainSource ? std::string("keyring") : *source) + ")";
}

bool canRemove(const std::optional<std::string>& source) { return source == std::string(Keys::kKeychainSource); }

std::string afterRemove(const std::optional<std::string>& sourceNow) {
  return canRemove(sourceNow) ? "Couldn't remove the key from the keyring." : "Removed";
}

}  // namespace KeyStatus

}  // namespace orvak
