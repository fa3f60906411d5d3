// Feedback and crash reports from the workbench, through the same steps the application takes:
// the form's path with the answers given on the command line, a crash on purpose, and the offer
// of the newest crash report with a chosen answer.
#include <csignal>
#include <cstdio>
#include <string>

#include "app/account/account.h"
#include "app/feedback/crash_handler.h"
#include "app/feedback/feedback.h"
#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "speech/keys.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

// Answers the form and the alert as told, and prints what the user would have seen.
class AnsweringDialogs final : public Feedback::Dialogs {
 public:
  std::optional<FormAnswer> form;
  CrashAnswer crash;
  bool askedForCrash = false;

  std::optional<FormAnswer> runForm(bool askEmail) override {
    std::printf("form%s\n", askEmail ? " (with the e-mail field)" : " (signed in: no e-mail field)");
    return form;
  }
  CrashAnswer runCrashAlert() override {
    askedForCrash = true;
    std::printf("alert: Orvak quit unexpectedly last time -> %s%s\n", crash.send ? "Send Report" : "Don't Send",
                crash.always ? ", always" : "");
    return crash;
  }
  void showResult(bool sent) override { std::printf("%s\n", sent ? "sent" : "not sent"); }
};

bool pump(const bool& finished, double seconds) {
  const bool ok = dispatch::mainloop::runUntil([&] { return finished; }, seconds);
  Log::flush();
  return ok;
}

}  // namespace

int runFeedback(const Args& args) {
  const Options o(args, {"--email"}, {"--log"}, 1);
  auto dialogs = std::make_shared<AnsweringDialogs>();
  dialogs->form = Feedback::Dialogs::FormAnswer{o.plain()[0], o.value("--email").value_or(""), o.flag("--log")};
  std::optional<std::string> signedInAs;
  if (Keys::get("account")) {
    if (const auto& info = Account::make()->info()) signedInAs = info->email;
  }
  bool finished = false;
  Feedback::showForm(signedInAs, dialogs, [&finished] { finished = true; });
  if (!pump(finished, 30)) return 1;
  return 0;
}

int runCrash(const Args& args) {
  const Options o(args, {}, {"--abort"}, 0);
  const auto folder = Feedback::crashFolder();
  if (!crash::install(folder)) {
    std::fprintf(stderr, "cannot install the crash handler into %s\n", folder.c_str());
    return 1;
  }
  std::printf("crashing on purpose; the report goes to %s\n", folder.c_str());
  std::fflush(stdout);
  std::raise(o.flag("--abort") ? SIGABRT : SIGSEGV);
  return 1;  // not reached
}

int runCrashOffer(const Args& args) {
  const Options o(args, {"--answer"}, {"--always"}, 0);
  auto dialogs = std::make_shared<AnsweringDialogs>();
  const std::string answer = o.value("--answer").value_or("dont");
  if (answer != "send" && answer != "dont") throw UsageError("--answer send|dont");
  dialogs->crash = {answer == "send", o.flag("--always")};
  bool finished = false;
  Feedback::offerCrashReport(dialogs, [&finished] { finished = true; });
  if (!pump(finished, 30)) return 1;
  if (!dialogs->askedForCrash) std::printf("no alert\n");
  return 0;
}

}  // namespace orvak::dev
