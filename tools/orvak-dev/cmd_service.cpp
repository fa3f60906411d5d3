// The maker's service from the workbench: a fake one to run on this machine, and single calls
// through the account client's request path.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/account/account.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "tools/fake_service/fake_service.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

void printFailure(const Account::Failure& f) {
  std::printf("failure: %s\ndescribe: %s\nexplain: %s\n", account::failureText(f).c_str(), Account::describe(f).c_str(),
              Account::explain(f).c_str());
}

int serviceCall(const Args& args) {
  Args plain;
  bool auth = false;
  for (const auto& a : args) {
    if (a == "--auth") {
      auth = true;
    } else {
      plain.push_back(a);
    }
  }
  if (plain.size() < 2 || plain.size() > 3) throw UsageError("service call METHOD PATH [JSON] [--auth]");
  std::optional<json::Json> body;
  if (plain.size() == 3) body = json::parse(plain[2]);
  constexpr double kTimeout = 15;
  std::optional<Account::Result<json::Json>> got;
  Account::call<json::Json>(plain[0], plain[1], body, auth, kTimeout, [&](Account::Result<json::Json> r) { got.emplace(std::move(r)); });
  if (!dispatch::mainloop::runUntil([&] { return got.has_value(); }, kTimeout + 5)) {
    std::fprintf(stderr, "no answer\n");
    return 1;
  }
  if (!*got) {
    printFailure(got->failure());
    return 1;
  }
  std::printf("%s\n", json::dumpPretty(got->value()).c_str());
  return 0;
}

}  // namespace

int runService(const Args& args) {
  if (args.empty()) throw UsageError("service call METHOD PATH [JSON] [--auth]");
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "call") return serviceCall(rest);
  throw UsageError("unknown service command \"" + args[0] + "\"");
}

int runFakeService(const Args& args) {
  const Options o(args, {"--port", "--fail"}, {}, 0);
  int port = 0;
  if (auto p = o.number("--port")) port = static_cast<int>(*p);
  fake::FakeService service(port);
  if (!service.listening()) {
    std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  if (auto f = o.value("--fail")) {
    const auto eq = f->rfind('=');
    if (eq == std::string::npos) throw UsageError("--fail PATH=STATUS");
    service.fail(f->substr(0, eq), std::stoi(f->substr(eq + 1)));
  }
  service.onEvent([](const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  });
  std::printf("fake service on %s\n", service.base().c_str());
  std::printf("point Orvak at it: orvak-dev defaults write apiBase -string %s\n", service.base().c_str());
  std::printf("(and back: orvak-dev defaults delete apiBase)\n");
  std::fflush(stdout);
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));  // until interrupted
}

}  // namespace orvak::dev
