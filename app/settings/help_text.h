// The help page's texts that depend on something: the introduction names the hotkey, the last
// setup row the version.
#pragma once

#include <string>

#include "platform/defaults.h"

namespace orvak::HelpText {

std::string introduction(const std::string& key);

// "Orvak " and the short version when the bundle's entry is a text, else "Orvak dev".
std::string versionLabel(const platform::DefaultsValue& shortVersion);
// The same for this build's bundle.
std::string versionLabel();

}  // namespace orvak::HelpText
