#include "speech/keys.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

#include "core/text/text.h"

namespace orvak::Keys {

namespace {

constexpr std::string_view kAccount = "orvak";

struct State {
  std::mutex lock;
  std::map<std::string, std::string> cache;
  std::set<std::string> missing;
  std::shared_ptr<platform::Keychain> keychain;
};

State& state() {
  static State s;
  return s;
}

std::shared_ptr<platform::Keychain> keychain() {
  auto& s = state();
  std::lock_guard lock(s.lock);
  if (!s.keychain) s.keychain = platform::makeSecretToolKeychain();
  return s.keychain;
}

std::string service(const std::string& name) { return "orvak-" + name; }

std::optional<std::string> environmentValue(const std::string& name) {
  const char* v = std::getenv(envName(name).c_str());
  if (v == nullptr || v[0] == '\0') return std::nullopt;
  return std::string(v);
}

}  // namespace

std::string envName(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '-') {
      out.push_back('_');
    } else if (c >= 'a' && c <= 'z') {
      out.push_back(static_cast<char>(c - 'a' + 'A'));
    } else {
      out.push_back(c);
    }
  }
  return out + "_API_KEY";
}

bool isPlausible(std::string_view key) {
  static constexpr std::string_view kAllowed =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_+/=.:";
  // Every allowed character is ASCII, so bytes and characters count alike here.
  if (key.size() < 8 || key.size() > 512) return false;
  return key.find_first_not_of(kAllowed) == std::string_view::npos;
}

bool isValidName(std::string_view name) {
  if (name.empty() || name.size() > 32) return false;
  for (char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
  }
  return true;
}

std::optional<std::string> get(const std::string& name) {
  if (!isValidName(name)) return std::nullopt;
  auto& s = state();
  {
    std::lock_guard lock(s.lock);
    if (auto it = s.cache.find(name); it != s.cache.end()) return it->second;
    if (s.missing.count(name) != 0) return std::nullopt;
  }
  std::optional<std::string> found = environmentValue(name);
  if (!found) {
    // Output that is not UTF-8 counts as no output: a key is text.
    if (auto secret = keychain()->find(service(name), std::string(kAccount)); secret && text::isValidUtf8(*secret)) {
      const auto trimmed = text::trim(*secret);
      if (!trimmed.empty()) found = std::string(trimmed);
    }
  }
  std::lock_guard lock(s.lock);
  if (found) {
    s.cache[name] = *found;
  } else {
    s.missing.insert(name);
  }
  return found;
}

bool has(const std::string& name) { return get(name).has_value(); }

std::optional<std::string> source(const std::string& name) {
  if (isValidName(name) && environmentValue(name)) return "environment (" + envName(name) + ")";
  if (has(name)) return std::string(kKeychainSource);
  return std::nullopt;
}

std::optional<std::string> save(const std::string& name, const std::string& key) {
  const std::string trimmed(text::trim(key));
  if (!isPlausible(trimmed)) return std::string("That doesn't look like an API key (unexpected characters or length).");
  if (!isValidName(name)) return std::string(kWriteFailed);
  if (!keychain()->add(service(name), std::string(kAccount), "Orvak " + name + " API key", trimmed)) {
    return std::string(kWriteFailed);
  }
  auto& s = state();
  std::lock_guard lock(s.lock);
  s.cache[name] = trimmed;
  s.missing.erase(name);
  return std::nullopt;
}

void remove(const std::string& name) {
  if (isValidName(name)) keychain()->remove(service(name), std::string(kAccount));
  forget();
}

void forget() {
  auto& s = state();
  std::lock_guard lock(s.lock);
  s.cache.clear();
  s.missing.clear();
}

void useKeychain(std::shared_ptr<platform::Keychain> chain) {
  auto& s = state();
  std::lock_guard lock(s.lock);
  s.keychain = std::move(chain);
  s.cache.clear();
  s.missing.clear();
}

}  // namespace orvak::Keys
