// The result of reading the front window once: what was in front, what the walk saw, the cleaned
// page, how long each step took, and the live elements the highlighter and the click tracker map
// offsets back onto. Or, when nothing could be read, a `CaptureError` whose description is the
// sentence shown to the user.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/page/ax_node.h"
#include "core/page/clean_result.h"
#include "platform/ax.h"

namespace orvak {

struct Capture {
  std::string appName;  // "App" when the application has no name
  std::optional<std::string> bundleId;
  pid_t pid = 0;
  std::uint64_t launchedAt = 0;            // the program's launch stamp (platform/workspace.h)
  std::optional<std::string> windowTitle;  // from the last walk
  std::optional<std::string> url;          // from the last walk
  CleanResult clean;
  std::int64_t rawChars = 0;  // characters of every node's text in the last walk
  std::int64_t nodes = 0;     // nodes in the last walk
  double axWalkMs = 0;        // the last walk alone
  double axWalkTotalMs = 0;   // first walk to last, with every wait and the document-editor step
  int attempts = 1;           // walks made, 1 to 23
  double cleanMs = 0;
  double hotkeyToTextMs = 0;  // from the triggering event to the end of cleaning
  std::optional<std::string> docsSetup;  // what the document-editor step did, when it ran
  std::vector<ax::Element> elements;     // the last walk's elements, by node id
  std::vector<std::optional<std::string>> nodeTexts;  // each node's text, by node id
  std::optional<Frame> windowFrame;
  bool isPrivate = false;
  std::optional<ax::Element> window;  // the window that was walked
  std::optional<std::string> selectedText;
  // Set when the last walk stopped at its node limit: the page was cut, its end not read.
  std::optional<std::int64_t> cutAtNodes;
  // The walk ran out of time before the end of the window: the read holds what was walked.
  bool cutByTime = false;

  bool operator==(const Capture&) const = default;
};

// Why a capture found nothing to read. Only these six reach the caller: every Accessibility
// failure along the way is absorbed.
struct CaptureError {
  enum class Kind { neverRead, noWindow, nothingReadable, notTrusted, noFrontApp, frontIsOrvak };

  Kind kind = Kind::noFrontApp;
  std::string appName;        // neverRead, noWindow, nothingReadable
  bool behindDialog = false;  // nothingReadable: a dialog covers the page

  static CaptureError neverRead(std::string app) { return {Kind::neverRead, std::move(app), false}; }
  static CaptureError noWindow(std::string app) { return {Kind::noWindow, std::move(app), false}; }
  static CaptureError nothingReadable(std::string app, bool behindDialog) {
    return {Kind::nothingReadable, std::move(app), behindDialog};
  }
  static CaptureError notTrusted() { return {Kind::notTrusted, {}, false}; }
  static CaptureError noFrontApp() { return {Kind::noFrontApp, {}, false}; }
  static CaptureError frontIsOrvak() { return {Kind::frontIsOrvak, {}, false}; }

  // The sentence shown to the user.
  std::string description() const;

  bool operator==(const CaptureError&) const = default;
};

// What a capture hands back: the page or the reason there is none.
using CaptureOutcome = std::variant<Capture, CaptureError>;

}  // namespace orvak
