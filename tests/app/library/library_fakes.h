// Stand-ins for the services the library models reach: clipboard, save chooser, file manager,
// workspace, helper programs and the maker's library service. Each records what it was asked.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/account/library_service.h"
#include "core/base/date_format.h"
#include "core/base/dispatch.h"
#include "platform/clipboard.h"
#include "platform/file_reveal.h"
#include "platform/process.h"
#include "platform/save_chooser.h"
#include "platform/workspace.h"

namespace orvak::test {

// The library models' clock and zone: 2026-03-14T13:26:53Z, Saturday 09:26 in New York.
inline constexpr double kNow = 1773494813;
inline const dates::Zone kZone{"en_US", "America/New_York"};

struct FakeClipboard final : platform::Clipboard {
  void setText(const std::string& t) override { text_ = t; }
  std::string text() override { return text_; }
  std::string text_;
};

// Answers every request with `answer` (nothing: the user cancelled), on the main queue.
struct FakeChooser final : platform::SaveChooser {
  void chooseSaveFile(const platform::SaveRequest& request, Done done) override {
    requests.push_back(request);
    dispatch::main().async([done = std::move(done), a = answer] { done(a); });
  }
  std::optional<std::filesystem::path> answer;
  std::vector<platform::SaveRequest> requests;
};

struct FakeReveal final : platform::FileReveal {
  void reveal(const std::filesystem::path& file) override { revealed.push_back(file); }
  std::vector<std::filesystem::path> revealed;
};

struct FakeWorkspace final : platform::Workspace {
  std::optional<platform::RunningApplication> frontmostApplication() override { return std::nullopt; }
  pid_t ownPid() override { return 1; }
  std::vector<platform::WindowInfo> onScreenWindows() override { return {}; }
  std::optional<std::uint64_t> addActivationObserver(ActivationHandler) override { return std::nullopt; }
  void removeActivationObserver(std::uint64_t) override {}
  std::vector<platform::RunningApplication> runningApplications() override { return running; }
  bool activate(pid_t pid) override {
    activated.push_back(pid);
    return true;
  }
  bool openUrl(const std::string& address) override {
    opened.push_back(address);
    return opens;
  }
  std::vector<platform::RunningApplication> running;
  std::vector<pid_t> activated;
  std::vector<std::string> opened;
  bool opens = true;
};

inline platform::RunningApplication runningApp(std::string name, pid_t pid) {
  platform::RunningApplication app;
  app.name = std::move(name);
  app.pid = pid;
  return app;
}

// Holds every library request until the test answers it, in any order.
struct HeldService final : LibraryService {
  account::Exchange libraryAsk(const account::LibraryBody& body, AnswerDone done) override {
    asks.push_back({body, std::move(done)});
    return {};
  }
  account::Exchange libraryDocument(const account::LibraryBody& body, DocumentDone done) override {
    documents.push_back({body, std::move(done)});
    return {};
  }
  std::vector<std::pair<account::LibraryBody, AnswerDone>> asks;
  std::vector<std::pair<account::LibraryBody, DocumentDone>> documents;
};

}  // namespace orvak::test
