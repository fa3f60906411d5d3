#include "app/settings/help_text.h"

#include "platform/bundle.h"

namespace orvak::HelpText {

std::string introduction(const std::string& key) {
  return "Click into any article, email or PDF and double-tap " + key +
         ". Hold the same key and just say what you want: while Orvak reads, or before it starts (“what's this "
         "about?”, “read me the conclusion”).";
}

std::string versionLabel(const platform::DefaultsValue& shortVersion) {
  const auto* text = std::get_if<std::string>(&shortVersion);
  return "Orvak " + (text ? *text : std::string("dev"));
}

std::string versionLabel() { return versionLabel(platform::bundle::info(platform::bundle::kShortVersion)); }

}  // namespace orvak::HelpText
