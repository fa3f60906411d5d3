// The login keychain: generic secrets found by service and account. On Linux the desktop's secret
// service through its command-line tool, secret-tool (the secret travels on standard input only).
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace orvak::platform {

class Keychain {
 public:
  virtual ~Keychain() = default;
  // The secret, or nullopt when there is none or no secret service answers.
  virtual std::optional<std::string> find(const std::string& service, const std::string& account) = 0;
  // Adds or replaces a secret; false when it could not be stored.
  virtual bool add(const std::string& service, const std::string& account, const std::string& label,
                   const std::string& secret) = 0;
  virtual void remove(const std::string& service, const std::string& account) = 0;
};

// A keychain reached through a secret-tool compatible program ("secret-tool" by default; tests
// pass a fake one).
std::shared_ptr<Keychain> makeSecretToolKeychain(std::string program = "secret-tool");

}  // namespace orvak::platform
