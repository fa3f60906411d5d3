// Rules that keep the system from reading or recording what it should not: applications never to
// be read aloud, private browser windows, whether page text may appear in logs, and the digest
// that stands in for text in stored reading positions.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "core/page/ax_node.h"

namespace orvak::Privacy {

using BundleSet = std::set<std::string>;

// The password managers and keychains that are never read, by bundle identifier and by Linux
// desktop entry id (matched as `AppIds::same` matches).
const BundleSet& neverReadBundles();

// Whether the front application must never be read: its identifier is built in or (exactly) in
// the user's list, or its name is "Passwords" or contains the name of a known password manager in any
// letter case (under the user's locale).
bool neverRead(const std::optional<std::string>& bundleId, const std::optional<std::string>& appName);

// Whether a captured browser window is private, from its title or from a profile button labelled
// as private among the first 400 walked nodes.
bool isPrivateWindow(const std::optional<std::string>& title, std::span<const AXNode> nodes);

// A 128-bit non-cryptographic digest of the UTF-8 bytes of `text` as 32 lower-case hexadecimal
// digits: 64-bit FNV-1a followed by a second, differently seeded and mixed FNV lane. Stored
// reading positions depend on these exact values.
std::string digest(std::string_view text);

// The user's own never-read applications. Written on the main thread by the settings, read from
// the capture queue: each replacement swaps in a whole new set, so a reader sees the old set or
// the new one, never a mixture.
std::shared_ptr<const BundleSet> userNeverRead();
void setUserNeverRead(BundleSet bundles);

// Whether page and speech text may appear in log lines and timing records (false until launch
// sets it from the "developer" defaults flag). Safe to read from any thread.
bool keepTextInLogs();
void setKeepTextInLogs(bool keep);

}  // namespace orvak::Privacy
