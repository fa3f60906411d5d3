// The maker's service from the workbench: a fake one to run on this machine, single calls through
// the account client's request path, a streamed question, the voice list and a voice's sample.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "app/account/account.h"
#include "app/voice_catalog/account_voice_source.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/read_file.h"
#include "tools/fake_service/fake_service.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

constexpr const char* kServiceUsage = "service call METHOD PATH [JSON] [--auth] | voices | sample ID OUT";

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
  if (plain.size() < 2 || plain.size() > 3) throw UsageError(kServiceUsage);
  std::optional<json::Json> body;
  if (plain.size() == 3) body = json::parse(plain[2]);
  constexpr account::Bounds kBounds = account::bounds::kAccount;
  std::optional<Account::Result<json::Json>> got;
  Account::call<json::Json>(plain[0], plain[1], body, auth, kBounds,
                            [&](Account::Result<json::Json> r) { got.emplace(std::move(r)); });
  if (!dispatch::mainloop::runUntil([&] { return got.has_value(); }, kBounds.deadline + 5)) {
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

int serviceVoices(const Args& args) {
  if (!args.empty()) throw UsageError(kServiceUsage);
  const auto account = Account::make();
  AccountVoiceSource source(*account);
  std::optional<std::optional<VoiceCatalogList>> got;
  source.voices(
      [&](std::optional<VoiceCatalogList> list) { dispatch::main().async([&got, list] { got.emplace(list); }); });
  dispatch::mainloop::runUntil([&] { return got.has_value(); }, AccountVoiceSource::kListBounds.deadline + 5);
  if (!got || !*got) {
    std::printf("no voice list from %s\n", Account::base().c_str());
    return 1;
  }
  std::printf("%s\n", json::dumpPretty(json::Json(**got)).c_str());
  return 0;
}

int serviceSample(const Args& args) {
  if (args.size() != 2) throw UsageError(kServiceUsage);
  const auto account = Account::make();
  AccountVoiceSource source(*account);
  std::optional<std::optional<std::vector<std::uint8_t>>> got;
  source.voiceSample(args[0], [&](std::optional<std::vector<std::uint8_t>> bytes) {
    dispatch::main().async([&got, bytes] { got.emplace(bytes); });
  });
  dispatch::mainloop::runUntil([&] { return got.has_value(); }, AccountVoiceSource::kSampleBounds.deadline + 5);
  if (!got || !*got) {
    std::printf("no sample of \"%s\" from %s\n", args[0].c_str(), Account::base().c_str());
    return 1;
  }
  std::ofstream out(args[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>((*got)->data()), static_cast<std::streamsize>((*got)->size()));
  if (!out.flush()) {
    std::fprintf(stderr, "cannot write %s\n", args[1].c_str());
    return 1;
  }
  std::printf("%zu bytes written to %s\n", (*got)->size(), args[1].c_str());
  return 0;
}

}  // namespace

int runAsk(const Args& args) {
  const Options o(args, {"--kind", "--text", "--title"}, {"--before"}, 1);
  account::AskQuestion q;
  q.kind = o.value("--kind").value_or("ask");
  if (q.kind != "ask" && q.kind != "summary" && q.kind != "section") throw UsageError("--kind ask|summary|section");
  q.question = o.plain()[0];
  if (auto file = o.value("--text")) {
    auto text = readWholeFile(*file);
    if (!text) {
      std::fprintf(stderr, "cannot read %s\n", file->c_str());
      return 1;
    }
    q.text = *text;
  }
  q.title = o.value("--title").value_or("");
  q.before = o.flag("--before");
  const auto account = Account::make();
  std::optional<Account::Result<Account::AskReply>> got;
  account->askStream(
      q,
      [](const std::string& piece) {
        std::printf("piece: %s\n", piece.c_str());
        std::fflush(stdout);
      },
      [&](Account::Result<Account::AskReply> r) { got.emplace(std::move(r)); });
  if (!dispatch::mainloop::runUntil([&] { return got.has_value(); }, account->askBounds.deadline + 5)) return 1;
  if (!*got) {
    printFailure(got->failure());
    return 1;
  }
  const auto& reply = got->value();
  std::printf("answer: %s\n", reply.answer.c_str());
  std::printf("actions: %s\n", reply.actions ? json::dump(json::Json(*reply.actions)).c_str() : "none");
  std::printf("refused: %s\n", reply.refused ? (*reply.refused ? "true" : "false") : "none");
  return 0;
}

int runService(const Args& args) {
  if (args.empty()) throw UsageError(kServiceUsage);
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "call") return serviceCall(rest);
  if (args[0] == "voices") return serviceVoices(rest);
  if (args[0] == "sample") return serviceSample(rest);
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
