// The logic of three small settings pages: signing in and out, the user's pronunciation rules,
// and the voice vendors' keys.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/speech/pronunciation.h"

namespace orvak {

class Prefs;

namespace AccountState {

// Signed in only with both a device token and the account's information.
bool signedIn(bool hasToken, bool hasInfo);
// Whether a typed address may be sent: it holds an "@" (nothing else is checked, nothing trimmed).
bool canSend(const std::string& address);

}  // namespace AccountState

namespace PronunciationRules {

// Horizontal white space off both ends: any Unicode space (a pasted no-break space too) and tabs;
// line breaks stay.
std::string trimmed(const std::string& s);
// Both fields hold something besides that white space.
bool valid(const std::string& written, const std::string& spoken);
// "Hear" is offered unless both fields are empty as typed.
bool canHear(const std::string& written, const std::string& spoken);
// Replaces every rule for the same written form (ignoring case) with the trimmed new one at the
// end: two stores. Nothing when not valid; returns whether it added.
bool add(Prefs& prefs, const std::string& written, const std::string& spoken);
// Drops every rule equal to `rule`: one store.
void remove(Prefs& prefs, const Pronunciation& rule);
// What "Hear It" reads for a rule, and what "Hear" reads for the form.
std::string hearRule(const Pronunciation& rule);
std::string hearForm(const std::string& written, const std::string& spoken);
// A rule's caption.
std::string caption(const Pronunciation& rule);

}  // namespace PronunciationRules

namespace KeyStatus {

// "Saved (<source>)" with the keychain's source called the keyring; "No key" without a source.
std::string status(const std::optional<std::string>& source);
// Only a key kept in the keyring can be removed from here.
bool canRemove(const std::optional<std::string>& source);
// What the row says after "Remove": "Removed", unless the keyring still gives the key.
std::string afterRemove(const std::optional<std::string>& sourceNow);

}  // namespace KeyStatus

}  // namespace orvak
