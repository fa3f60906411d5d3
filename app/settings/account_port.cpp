#include "app/settings/account_port.h"

#include "app/account/account.h"
#include "speech/keys.h"

namespace orvak {
namespace {

class AccountOnPort final : public AccountPort {
 public:
  explicit AccountOnPort(std::shared_ptr<Account> account) : account_(std::move(account)) {}
  bool hasToken() const override { return Keys::get("account").has_value(); }
  std::optional<std::string> email() const override {
    if (!account_->info()) return std::nullopt;
    return account_->info()->email;
  }
  std::optional<std::string> message() const override { return account_->message(); }
  int observe(std::function<void()> changed) override { return account_->addObserver(std::move(changed)); }
  void unobserve(int token) override { account_->removeObserver(token); }
  void emailLink(const std::string& address) override { account_->emailLink(address); }
  void signOut() override { account_->signOut(); }

 private:
  std::shared_ptr<Account> account_;
};

}  // namespace

std::unique_ptr<AccountPort> accountPortOver(std::shared_ptr<Account> account) {
  return std::make_unique<AccountOnPort>(std::move(account));
}

}  // namespace orvak
