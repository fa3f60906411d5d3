// Opening where a saved thing came from: its address (scrolled to the quote for web pages), else
// the running application of that name, else the application installed under that name.
//
// Only safe addresses are opened: http and https, and file addresses of existing files that are
// neither executable nor desktop entries (opening those would run a program). Anything else
// falls through to the application. An application name is only ever compared with the names
// the desktop gives, never made into a path.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/workspace.h"

namespace orvak {

struct OpenedSource {
  enum class Kind { address, runningApp, desktopEntry };
  Kind kind;
  std::string what;  // the address, the application's name, or the desktop entry's file
  bool operator==(const OpenedSource&) const = default;
};

class SourceOpener {
 public:
  // Runs a helper program (argument list, never a shell); `platform::runProcess` in the program.
  using Run = std::function<std::optional<platform::ProcessResult>(const std::vector<std::string>&)>;

  // `applicationFolders`: where desktop entries are looked for, first match wins; by default the
  // XDG applications folders.
  SourceOpener(std::shared_ptr<platform::Workspace> workspace, Run run,
               std::vector<std::filesystem::path> applicationFolders = defaultApplicationFolders());

  // $XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS (default /usr/local/share:/usr/share)
  // + "/applications".
  static std::vector<std::filesystem::path> defaultApplicationFolders();

  // What was opened, or nothing.
  std::optional<OpenedSource> open(const std::optional<std::string>& url, const std::string& app,
                                   const std::optional<std::string>& quote);

  // Whether an address may be opened: http(s), or a file address of a plain, non-executable file
  // that is not a desktop entry.
  static bool isSafeAddress(const std::string& address);
  // The desktop entry of a visible application whose Name is exactly `app`, first folder first.
  std::optional<std::filesystem::path> desktopEntryNamed(const std::string& app) const;

 private:
  std::shared_ptr<platform::Workspace> workspace_;
  Run run_;
  std::vector<std::filesystem::path> folders_;
};

}  // namespace orvak
