// Named secrets: the vendors' API keys ("inworld", "cartesia") and the account token ("account").
// A lookup tries an in-memory cache, then the environment variable <NAME>_API_KEY, then the login
// keychain (service "orvak-<name>", account "orvak"). Names found missing are remembered too, so
// an absent key costs one keychain look-up until save, remove or forget. Any thread may call.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/keychain.h"

namespace orvak::Keys {

std::optional<std::string> get(const std::string& name);
bool has(const std::string& name);
// The source of a key found in the keychain (or the cache), as `source` reports it.
inline constexpr const char* kKeychainSource = "Keychain";
// "environment (<VAR>)" when the variable holds a value, else kKeychainSource when get finds one.
std::optional<std::string> source(const std::string& name);
// Stores a key (trimmed); nullopt on success, else the sentence to show.
std::optional<std::string> save(const std::string& name, const std::string& key);
// What `save` says when the keyring refuses the key (or no keyring answers).
inline constexpr const char* kWriteFailed = "Couldn't save to your login keyring.";
// Deletes the keychain item and forgets everything cached.
void remove(const std::string& name);
void forget();

std::string envName(std::string_view name);
// 8 to 512 characters, each a letter, a digit or one of - _ + / = . :
bool isPlausible(std::string_view key);
// Key names are short lower-case words: [a-z0-9-]{1,32}. Others never reach the keychain.
bool isValidName(std::string_view name);

// The keychain used from now on (the desktop's secret service by default). Set at start-up, or
// by tests to a fake.
void useKeychain(std::shared_ptr<platform::Keychain> keychain);

}  // namespace orvak::Keys
