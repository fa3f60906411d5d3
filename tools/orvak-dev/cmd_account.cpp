// The account from the workbench: whether this computer is signed in, and each step of signing in
// and out run through the same `Account` the application uses. Log lines go to standard error as
// they are written; the messages the user would see are printed here.
#include <cstdio>
#include <string>

#include "app/account/account.h"
#include "core/base/date.h"
#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "platform/defaults.h"
#include "speech/keys.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

constexpr const char* kUsage = "account status|signin EMAIL|open URL|refresh|signout";
constexpr double kWait = Account::kBounds.deadline + 5;

std::string infoText(const std::optional<Account::Info>& info) {
  if (!info) return "none";
  return info->email + (info->name ? " (" + *info->name + ")" : "");
}

void printStatus(const Account& account) {
  const auto source = Keys::source("account");
  std::printf("token: %s\n", source ? ("stored (" + *source + ")").c_str() : "none");
  std::printf("account: %s\n", infoText(account.info()).c_str());
  std::printf("base: %s\n", Account::base().c_str());
  if (const auto asked = platform::Defaults::standard()->date(Account::kSignInRequestedKey)) {
    const double seconds = static_cast<double>(asked->time_since_epoch().count()) / 1000.0;
    std::printf("sign-in link asked for: %s\n", iso8601(Date::fromSeconds(seconds)).c_str());
  }
  std::printf("message: %s\n", account.message() ? account.message()->c_str() : "none");
}

// Runs `start` and pumps the main queue until it reports back, printing every message said.
int runStep(const std::shared_ptr<Account>& account, const std::function<void(std::function<void()>)>& start) {
  account->onMessage = [](const std::string& text) { std::printf("%s\n", text.c_str()); };
  bool finished = false;
  start([&finished] { finished = true; });
  const bool ok = dispatch::mainloop::runUntil([&] { return finished; }, kWait);
  Log::flush();
  if (!ok) {
    std::fprintf(stderr, "no answer within %.0f s\n", kWait);
    return 1;
  }
  return 0;
}

}  // namespace

int runAccount(const Args& args) {
  if (args.empty()) throw UsageError(kUsage);
  const std::string& what = args[0];
  const Args rest(args.begin() + 1, args.end());
  const auto account = Account::make();
  if (what == "status") {
    if (!rest.empty()) throw UsageError(kUsage);
    printStatus(*account);
    return 0;
  }
  if (what == "signin") {
    if (rest.size() != 1) throw UsageError(kUsage);
    bool said = false;
    return runStep(account, [&](std::function<void()> done) {
      account->addObserver([&said, done] {
        if (!said) done();
        said = true;
      });
      account->emailLink(rest[0]);
    });
  }
  if (what == "open") {
    if (rest.size() != 1) throw UsageError(kUsage);
    Account::LinkOutcome outcome = Account::LinkOutcome::ignored;
    const int status = runStep(account, [&](std::function<void()> done) {
      outcome = account->handleLink(rest[0], done);
      if (outcome == Account::LinkOutcome::ignored) done();
    });
    if (outcome == Account::LinkOutcome::ignored) std::printf("not a sign-in link: ignored\n");
    if (status == 0 && outcome == Account::LinkOutcome::activating)
      std::printf("account: %s\n", infoText(account->info()).c_str());
    return status == 0 && outcome == Account::LinkOutcome::activating && account->info() ? 0 : 1;
  }
  if (what == "refresh") {
    if (!rest.empty()) throw UsageError(kUsage);
    if (!Keys::get("account")) {
      std::printf("no account token stored: nothing sent\n");
      return 0;
    }
    const int status = runStep(account, [&](std::function<void()> done) { account->refreshThen(done); });
    std::printf("account: %s\n", infoText(account->info()).c_str());
    return status;
  }
  if (what == "signout") {
    if (!rest.empty()) throw UsageError(kUsage);
    return runStep(account, [&](std::function<void()> done) { account->signOut(done); });
  }
  throw UsageError(kUsage);
}

}  // namespace orvak::dev
