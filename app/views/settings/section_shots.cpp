// Pictures of the account, pronunciation and keys pages.
#include <QLineEdit>
#include <cstdlib>
#include <map>
#include <stdexcept>

#include "app/prefs.h"
#include "app/settings/account_port.h"
#include "app/views/settings/keep_alive.h"
#include "app/views/settings/settings_sections.h"
#include "app/views/settings/settings_shots.h"
#include "platform/keychain.h"
#include "speech/keys.h"

namespace orvak::views::settings {
namespace {

class ShotAccount final : public AccountPort {
 public:
  bool in = false;
  std::optional<std::string> said;
  bool hasToken() const override { return in; }
  std::optional<std::string> email() const override {
    return in ? std::optional<std::string>("ada@example.org") : std::nullopt;
  }
  std::optional<std::string> message() const override { return said; }
  int observe(std::function<void()>) override { return 1; }
  void unobserve(int) override {}
  void emailLink(const std::string&) override {}
  void signOut() override {}
};

class ShotKeychain final : public platform::Keychain {
 public:
  std::map<std::string, std::string> items;
  std::optional<std::string> find(const std::string& service, const std::string&) override {
    const auto it = items.find(service);
    if (it == items.end()) return std::nullopt;
    return it->second;
  }
  bool add(const std::string& service, const std::string&, const std::string&, const std::string& secret) override {
    items[service] = secret;
    return true;
  }
  void remove(const std::string& service, const std::string&) override { items.erase(service); }
};

QImage accountShot(double scale, const ShotOptions& o) {
  ShotAccount account;
  if (o.flag("--signed-in") == o.flag("--signed-out")) throw std::invalid_argument("give --signed-in or --signed-out");
  account.in = o.flag("--signed-in");
  account.said = o.value("--message");
  ShotPaper paper(new AccountSection(account), 760);
  return renderTall(paper, 760, scale);
}

QImage pronunciationShot(double scale, const ShotOptions& o) {
  ShotPrefs prefs;
  const std::vector<Pronunciation> sample{
      {"NASA", "nassa"}, {"Nguyen", "win"}, {"Siobhan", "shiv-awn"}, {"GIF", "jiff"}, {"Worcester", "wuss-ter"}};
  int n = 3;
  if (const auto v = o.value("--rules")) {
    try {
      n = std::stoi(*v);
    } catch (const std::exception&) {
      n = -1;
    }
    if (n < 0 || n > int(sample.size())) throw std::invalid_argument("--rules takes 0 to 5");
  }
  prefs.prefs().setPronunciations(std::vector<Pronunciation>(sample.begin(), sample.begin() + n));
  auto* section = new PronunciationSection(prefs.prefs(), {});
  // A half-filled form.
  section->writtenField()->setText("Dvořák");
  ShotPaper paper(section, 760);
  return renderTall(paper, 760, scale);
}

QImage keysShot(double scale, const ShotOptions& o) {
  auto chain = std::make_shared<ShotKeychain>();
  Keys::useKeychain(chain);
  Keys::forget();
  for (const char* v : {"INWORLD_API_KEY", "CARTESIA_API_KEY"}) ::unsetenv(v);
  for (const auto& [option, name] : {std::pair{"--inworld", "inworld"}, std::pair{"--cartesia", "cartesia"}}) {
    const auto where = o.value(option).value_or("none");
    if (where == "keyring") {
      chain->items["orvak-" + std::string(name)] = "sk-test-0123456789";
    } else if (where == "env") {
      ::setenv(Keys::envName(name).c_str(), "sk-env-0123456789", 1);
    } else if (where != "none") {
      throw std::invalid_argument(std::string(option) + " takes keyring, env or none");
    }
  }
  auto* tab = new KeysTab;
  if (const auto m = o.value("--message")) tab->inworld()->say(QString::fromStdString(*m));
  ShotPaper paper(tab, 760);
  return renderTall(paper, 760, scale);
}

}  // namespace

QWidget* sampleAccountPage(bool signedIn) {
  auto* account = new ShotAccount;
  account->in = signedIn;
  auto* section = new AccountSection(*account);
  releaseWithChildren(section, [account] { delete account; });
  return section;
}

QWidget* samplePronunciationPage(Prefs& prefs) {
  prefs.setPronunciations({{"NASA", "nassa"}, {"Nguyen", "win"}, {"Siobhan", "shiv-awn"}});
  return new PronunciationSection(prefs, {});
}

std::vector<Shot> sectionShots() {
  return {
      {"account", "the account page", nullptr, {"--message"}, {"--signed-in", "--signed-out"}, accountShot},
      {"pronunciation", "the pronunciation page", nullptr, {"--rules"}, {}, pronunciationShot},
      {"keys", "the vendor keys page", nullptr, {"--inworld", "--cartesia", "--message"}, {}, keysShot},
  };
}

}  // namespace orvak::views::settings
