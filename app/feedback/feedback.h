// Feedback to the maker: a written message with the tail of the log, and the report of the last
// crash, offered (or sent, when the user said always) at the next launch. Both go to the service's
// "/api/feedback" as one JSON payload, with the device token only when one is stored.
//
// The logic is here, free of Qt; the form and the alerts sit behind `Feedback::Dialogs` (Qt
// dialogs in app/views/feedback/, a scripted fake in tests). Main queue, except where said.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/account/service_request.h"
#include "core/base/json_fwd.h"
#include "platform/defaults.h"

namespace orvak::Feedback {

// The body of POST "/api/feedback". Absent members are left out.
struct Payload {
  std::string kind;  // "feedback" or "crash"
  std::optional<std::string> message;
  std::optional<std::string> email;
  std::optional<std::string> log;
  std::optional<std::string> report;
  std::string version;  // the bundle's short version, else "dev"
  std::string os;       // PRETTY_NAME of /etc/os-release and the kernel release
  std::string arch;     // uname's machine
  bool operator==(const Payload&) const = default;

  // A payload of `kind` with version, os and arch of this system.
  static Payload make(std::string kind, std::optional<std::string> message = std::nullopt,
                      std::optional<std::string> email = std::nullopt, std::optional<std::string> log = std::nullopt,
                      std::optional<std::string> report = std::nullopt);
};
void to_json(json::Json& j, const Payload& p);

// The bundle entry's text when it is a non-empty text, else "dev".
std::string versionFrom(const platform::DefaultsValue& shortVersionEntry);
// uname's machine field: its bytes up to the first zero (at most 256), as UTF-8 with repair.
std::string machineText(const char* field, std::size_t size);
// "PRETTY_NAME kernel-release", from the text of /etc/os-release (either part may be missing).
std::string osText(std::string_view osRelease, std::string_view kernelRelease);

// The last `lines` pieces of `text` split at every "\n" (empty pieces kept), joined again.
std::string lastLines(std::string_view text, std::size_t lines);
// `lastLines` of the log file, scrubbed of the home folder and e-mail addresses; "" when the log
// cannot be read as UTF-8 text.
std::string recentLog(std::size_t lines);
// The same for the text file `log` and the home folder `home`.
std::string recentLogOf(const std::filesystem::path& log, std::size_t lines, std::string_view home);

// Where crash reports are written and looked for: $XDG_STATE_HOME/Orvak/crashes.
std::filesystem::path crashFolder();
// The newest report in `folder` modified after the last check ("orvak-" names, extension "crash"
// or "ips"), or none. Moves the check time ("crashReportsSeenUntil") to now first; the very first
// check only starts the clock.
std::optional<std::filesystem::path> newCrashReport(const std::filesystem::path& folder = crashFolder());
// A report as it is sent: scrubbed whole, then cut to its first 120,000 characters.
std::string preparedReport(std::string_view text, std::string_view home);

// POST "/api/feedback" within `bounds`; `done` gets, on the main queue, true only for status
// 200. The token goes along only when one is stored (and the address may carry it). The reply's
// body is not read: its status is all there is to know.
void send(const Payload& payload, std::function<void(bool sent)> done,
          account::Bounds bounds = account::bounds::kFeedback);

// The form and the alerts, each raised in front and answered modally.
class Dialogs {
 public:
  struct FormAnswer {
    std::string text;   // as typed
    std::string email;  // as typed; ignored when the form had no e-mail field
    bool includeLog = true;
  };
  struct CrashAnswer {
    bool send = false;    // "Send Report" rather than "Don't Send"
    bool always = false;  // "Always send crash reports" ticked
  };
  virtual ~Dialogs() = default;
  // The feedback form, with an e-mail field when `askEmail`; none when cancelled.
  virtual std::optional<FormAnswer> runForm(bool askEmail) = 0;
  virtual CrashAnswer runCrashAlert() = 0;
  // "Thank you — sent." or "Couldn't send just now".
  virtual void showResult(bool sent) = 0;
};

// The form: a blank text sends nothing and shows nothing; otherwise the payload is sent and the
// result shown. `finished` (optional) runs once nothing more will happen.
void showForm(const std::optional<std::string>& signedInAs, std::shared_ptr<Dialogs> dialogs,
              std::function<void()> finished = {});
// The offer of the newest unseen crash report: sent at once when "sendCrashReports" is true, else
// after the alert's "Send Report"; the log gets "crash report sent: true|false". `finished`
// (optional) runs once nothing more will happen.
void offerCrashReport(std::shared_ptr<Dialogs> dialogs, std::function<void()> finished = {},
                      const std::filesystem::path& folder = crashFolder());

inline constexpr const char* kSeenUntilKey = "crashReportsSeenUntil";
inline constexpr const char* kSendAlwaysKey = "sendCrashReports";
inline constexpr std::size_t kFormLogLines = 300;
inline constexpr std::size_t kCrashLogLines = 150;
inline constexpr int kReportCharacters = 120000;

}  // namespace orvak::Feedback
