#include "platform/keychain.h"
#include "platform/process.h"

namespace orvak::platform {

namespace {

class SecretToolKeychain final : public Keychain {
 public:
  explicit SecretToolKeychain(std::string program) : program_(std::move(program)) {}

  std::optional<std::string> find(const std::string& service, const std::string& account) override {
    const auto r = runProcess({program_, "lookup", "service", service, "account", account}, std::nullopt);
    if (!r || r->status != 0) return std::nullopt;
    return r->output;
  }

  bool add(const std::string& service, const std::string& account, const std::string& label,
           const std::string& secret) override {
    const auto r =
        runProcess({program_, "store", "--label=" + label, "service", service, "account", account}, secret);
    return r && r->status == 0;
  }

  void remove(const std::string& service, const std::string& account) override {
    (void)runProcess({program_, "clear", "service", service, "account", account}, std::nullopt);
  }

 private:
  std::string program_;
};

}  // namespace

std::shared_ptr<Keychain> makeSecretToolKeychain(std::string program) {
  return std::make_shared<SecretToolKeychain>(std::move(program));
}

}  // namespace orvak::platform
