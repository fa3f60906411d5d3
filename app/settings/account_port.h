// What the account page needs of the account client: whether this computer is signed in and as
// whom, the account's last message, and the two actions. The client implements it through
// `AccountPortOver`; tests use a fake. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace orvak {

class Account;

class AccountPort {
 public:
  virtual ~AccountPort() = default;
  virtual bool hasToken() const = 0;                       // the key store finds "account"
  virtual std::optional<std::string> email() const = 0;    // of the account's information
  virtual std::optional<std::string> message() const = 0;  // the last account message
  // `changed` runs after the information or the message changed; the token removes it.
  virtual int observe(std::function<void()> changed) = 0;
  virtual void unobserve(int token) = 0;
  virtual void emailLink(const std::string& address) = 0;
  virtual void signOut() = 0;
};

// The port over the application's account client.
std::unique_ptr<AccountPort> accountPortOver(std::shared_ptr<Account> account);

}  // namespace orvak
