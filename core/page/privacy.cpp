#include "core/page/privacy.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <mutex>

#include "core/page/app_ids.h"
#include "core/text/text.h"

namespace orvak::Privacy {

namespace {

// Name fragments of password managers, matched case-insensitively.
constexpr std::array<std::string_view, 10> kNameFragments{
    "1Password", "Bitwarden", "LastPass", "Dashlane", "Keeper",
    "KeePass",   "Enpass",    "Proton Pass", "NordPass", "Keychain Access"};

constexpr std::array<std::string_view, 2> kPrivateTitleSuffixes{"(Incognito)", "(Private)"};
constexpr std::array<std::string_view, 2> kPrivateTitleParts{"InPrivate", "Private Browsing"};
constexpr std::array<std::string_view, 3> kPrivateProfileLabels{"Incognito", "InPrivate", "Private"};

constexpr std::size_t kProfileButtonScanLimit = 400;

// The process-wide switches. The set is swapped whole under the lock and read by copying the
// pointer, so a lookup never holds the lock while it compares texts.
struct Shared {
  std::mutex mu;
  std::shared_ptr<const BundleSet> userNeverRead = std::make_shared<const BundleSet>();
  std::atomic<bool> keepTextInLogs{false};
};

Shared& shared() {
  static Shared s;
  return s;
}

template <std::size_t N>
bool isOneOf(std::string_view s, const std::array<std::string_view, N>& table) {
  return std::find(table.begin(), table.end(), s) != table.end();
}

}  // namespace

const BundleSet& neverReadBundles() {
  static const BundleSet bundles{
      "com.apple.keychainaccess",    "com.apple.Passwords",
      "com.1password.1password",     "com.agilebits.onepassword7",
      "com.agilebits.onepassword-osx", "com.bitwarden.desktop",
      "com.lastpass.LastPass",       "com.dashlane.dashlanephonefinal",
      "com.keepersecurity.passwordmanager", "org.keepassxc.keepassxc",
      "com.keepassium.mac",          "in.sinew.Enpass-Desktop",
      "me.proton.pass.electron",     "com.nordpass.macos.NordPass",
      // Linux desktop entry and Flatpak ids; the keyring's own manager, Secrets and KWallet
      // carry no password manager's name.
      "keepassxc",                   "keepass2",
      "org.gnome.seahorse.Application", "seahorse",
      "org.gnome.World.Secrets",     "org.gnome.PasswordSafe",
      "org.kde.kwalletmanager5",     "kwalletmanager5",
      "org.kde.kwalletmanager",      "kwalletmanager",
      "bitwarden",                   "1password",
      "enpass",                      "proton-pass",
      "me.proton.Pass",              "nordpass"};
  return bundles;
}

bool neverRead(const std::optional<std::string>& bundleId, const std::optional<std::string>& appName) {
  if (bundleId) {
    const auto& builtIn = neverReadBundles();
    if (std::any_of(builtIn.begin(), builtIn.end(), [&](const std::string& id) { return AppIds::same(id, *bundleId); })) {
      return true;
    }
    if (userNeverRead()->contains(*bundleId)) return true;
  }
  if (!appName) return false;
  if (*appName == "Passwords") return true;
  return std::any_of(kNameFragments.begin(), kNameFragments.end(), [&](std::string_view fragment) {
    return text::containsIgnoringCase(*appName, fragment);
  });
}

bool isPrivateWindow(const std::optional<std::string>& title, std::span<const AXNode> nodes) {
  if (title) {
    for (std::string_view suffix : kPrivateTitleSuffixes) {
      if (title->ends_with(suffix)) return true;
    }
    for (std::string_view part : kPrivateTitleParts) {
      if (title->find(part) != std::string::npos) return true;
    }
  }
  const auto scanned = nodes.first(std::min(nodes.size(), kProfileButtonScanLimit));
  for (const AXNode& node : scanned) {
    if (node.role != "AXButton" || !node.domClasses) continue;
    const auto& classes = *node.domClasses;
    if (std::find(classes.begin(), classes.end(), "AvatarToolbarButton") == classes.end()) continue;
    if (isOneOf(node.title.value_or(""), kPrivateProfileLabels) ||
        isOneOf(node.desc.value_or(""), kPrivateProfileLabels)) {
      return true;
    }
  }
  return false;
}

std::string digest(std::string_view text) {
  constexpr std::uint64_t kPrime = 0x100000001b3ULL;
  std::uint64_t h1 = 0xcbf29ce484222325ULL;
  std::uint64_t h2 = 0x84222325cbf29ce4ULL;
  for (const char c : text) {
    const auto b = static_cast<std::uint64_t>(static_cast<unsigned char>(c));
    h1 = (h1 ^ b) * kPrime;
    const std::uint64_t t = (h2 ^ b) * kPrime;
    h2 = t ^ (t >> 29);
  }
  char out[33];
  std::snprintf(out, sizeof out, "%016" PRIx64 "%016" PRIx64, h1, h2);
  return std::string(out, 32);
}

std::shared_ptr<const BundleSet> userNeverRead() {
  Shared& s = shared();
  std::lock_guard lock(s.mu);
  return s.userNeverRead;
}

void setUserNeverRead(BundleSet bundles) {
  auto next = std::make_shared<const BundleSet>(std::move(bundles));
  Shared& s = shared();
  std::lock_guard lock(s.mu);
  s.userNeverRead = std::move(next);
}

bool keepTextInLogs() { return shared().keepTextInLogs.load(std::memory_order_acquire); }

void setKeepTextInLogs(bool keep) { shared().keepTextInLogs.store(keep, std::memory_order_release); }

}  // namespace orvak::Privacy
