#include "app/capture/capturer.h"

#include <algorithm>
#include <utility>

#include "app/capture/capture_dump.h"
#include "core/base/log.h"
#include "core/page/app_ids.h"
#include "core/page/cleaner.h"
#include "core/page/document_editor.h"
#include "core/page/privacy.h"
#include "core/page/selection.h"
#include "core/text/text.h"
#include "core/base/timing.h"

namespace orvak {

namespace {

constexpr std::string_view kBraillePrefix = "Braille support ";
constexpr std::string_view kBrailleEnabled = "Braille support enabled";
constexpr std::string_view kBrailleDisabled = "Braille support disabled";
constexpr std::string_view kDocumentArea = "Document content";

// Linux workspaces list the executable's folder: Electron keeps its application in
// "resources/app.asar", Chromium-family browsers keep "chrome_*.pak" files beside the executable.
bool isElectron(const std::vector<std::string>& frameworks) {
  return std::any_of(frameworks.begin(), frameworks.end(), [](const std::string& f) {
    return f.starts_with("Electron Framework") || f == "resources/app.asar";
  });
}

bool isChromiumFamily(const std::vector<std::string>& frameworks) {
  return std::any_of(frameworks.begin(), frameworks.end(), [](const std::string& f) {
    return f.find("Chrom") != std::string::npos || f.find("Edge Framework") != std::string::npos ||
           f.find("Brave") != std::string::npos || (f.starts_with("chrome_") && f.ends_with(".pak"));
  });
}

// WebKit browsers show their page's text some time after the page.
bool isSafari(const std::optional<std::string>& bundleId) { return AppIds::isOneOf(bundleId, AppIds::webkitBrowsers); }

bool hasWebArea(const std::vector<AXNode>& nodes) {
  return std::any_of(nodes.begin(), nodes.end(), [](const AXNode& n) { return n.role == "AXWebArea"; });
}

bool behindDialog(const std::vector<AXNode>& nodes) {
  return std::any_of(nodes.begin(), nodes.end(), [](const AXNode& n) {
    return n.subrole && std::find(Capturer::dialogSubroles.begin(), Capturer::dialogSubroles.end(), *n.subrole) !=
                            Capturer::dialogSubroles.end();
  });
}

// A request that failed for another reason than the attribute having no value.
bool unanswered(const ax::Result<ax::Value>& r) {
  return !r && r.error != ax::Error::noValue && r.error != ax::Error::attributeUnsupported;
}

bool onDocumentPage(const WalkResult& walk) { return walk.url && documentEditor::isDocumentAddress(*walk.url); }

// Whether a walk shows enough web content to stop waiting for more.
bool webContentShown(const WalkResult& walk, bool safari, bool newlyEnabledElectron) {
  if (safari) return Capturer::webChars(walk.nodes) >= 200;
  if (newlyEnabledElectron) return Capturer::webChars(walk.nodes) >= 300;
  return !hasWebArea(walk.nodes) || Capturer::webChars(walk.nodes) > 0;
}

}  // namespace

std::shared_ptr<Capturer> Capturer::make(std::shared_ptr<ax::System> ax, std::shared_ptr<platform::Workspace> workspace,
                                         std::shared_ptr<platform::Events> events) {
  return std::make_shared<Capturer>(Token{}, std::move(ax), std::move(workspace), std::move(events));
}

Capturer::Capturer(Token, std::shared_ptr<ax::System> ax, std::shared_ptr<platform::Workspace> workspace,
                   std::shared_ptr<platform::Events> events)
    : ax_(std::move(ax)),
      workspace_(std::move(workspace)),
      events_(std::move(events)),
      queue_(dispatch::makeQueue("orvak.capture")) {
  ax_->systemWide().setMessagingTimeout(kProcessTimeout);
}

void Capturer::capture(std::uint64_t handlerTime, Done done) {
  queue_->async([self = shared_from_this(), handlerTime, done = std::move(done)]() mutable {
    CaptureOutcome outcome = self->run(handlerTime);
    // Let go of the capturer before the caller hears of the outcome: a caller that then drops
    // its own reference (a command that returns and exits) must be the one to end it, on its
    // thread, rather than this queue at some moment during the process's exit, while the
    // exit handlers tear down what the capturer's X connection still needs.
    self.reset();
    dispatch::main().async([done = std::move(done), outcome = std::move(outcome)] { done(outcome); });
  });
}

std::int64_t Capturer::webChars(const std::vector<AXNode>& nodes) {
  std::int64_t chars = 0;
  std::optional<std::int64_t> areaDepth;  // depth of the web area we are inside, if any
  for (const AXNode& n : nodes) {
    if (areaDepth && n.depth <= *areaDepth) areaDepth.reset();
    if (areaDepth) {
      if (n.text) chars += text::graphemeCount(*n.text);
    } else if (n.role == "AXWebArea") {
      areaDepth = n.depth;
    }
  }
  return chars;
}

std::string Capturer::docsState(const std::vector<AXNode>& nodes) {
  for (const AXNode& n : nodes) {
    if (n.role == "AXTextArea" && n.title == kDocumentArea && n.text && *n.text != kDocumentArea &&
        text::graphemeCount(*n.text) >= 40) {
      return "ready";
    }
  }
  const auto log = brailleLog(nodes);
  if (!log.empty() && log.back() == kBrailleEnabled) return "brailleOnButEmpty";
  return "off";
}

std::vector<std::string> Capturer::brailleLog(const std::vector<AXNode>& nodes) {
  std::vector<std::string> log;
  for (const AXNode& n : nodes) {
    if (n.text && n.text->starts_with(kBraillePrefix)) log.push_back(*n.text);
  }
  return log;
}

std::optional<std::string> Capturer::selectedText(const ax::Element& application) const {
  const auto focused = application.attribute("AXFocusedUIElement");
  if (!focused) return std::nullopt;
  const ax::Element* element = focused.value.as<ax::Element>();
  if (!element || !*element) return std::nullopt;
  const auto role = element->attribute("AXRole");
  const auto subrole = element->attribute("AXSubrole");
  // A password field's selection is never read, not even to be thrown away; nor is the selection
  // of a field that did not answer what kind it is (a time-out can hide a password field).
  if (unanswered(role) || unanswered(subrole)) return std::nullopt;
  const std::string* roleText = role ? role.value.as<std::string>() : nullptr;
  const std::string* subroleText = subrole ? subrole.value.as<std::string>() : nullptr;
  if (AXWalker::isSecure(roleText ? *roleText : "", subroleText ? std::optional(*subroleText) : std::nullopt)) {
    return std::nullopt;
  }
  // Read like every other text from the application, so it arrives as valid UTF-8.
  return Selection::meaningful(AXWalker::string(*element, "AXSelectedText"));
}

std::string Capturer::prepareDocument(pid_t pid, const ax::Element& window, WalkResult& walk, int& attempts) {
  // The chord must not merge with keys the user is still holding from the hotkey.
  const std::uint64_t waitStart = Clock::now();
  while (!events_->modifierFlags().empty() && Clock::ms(waitStart) < kKeyReleaseLimitMs) {
    dispatch::blockFor(kKeyReleasePoll);
  }
  const double waitedMs = Clock::ms(waitStart);

  // Control+Alt+H: the editor's braille switch on Linux (the Super key is the desktop's own).
  const platform::Modifiers chord{platform::Modifiers::control, platform::Modifiers::option};
  const std::vector<std::string> recorded = brailleLog(walk.nodes);
  events_->postKeyChord(pid, kBrailleKeyCode, chord);
  int chords = 1;
  std::string state = "off";
  for (int tries = 0; tries < kMaxDocumentTries; ++tries) {
    dispatch::blockFor(kDocumentTryDelay);
    walk = AXWalker::walk(window);
    ++attempts;
    if (!onDocumentPage(walk)) {
      state = "left-doc";
      break;
    }
    state = docsState(walk.nodes);
    if (state != "off") break;
    // The chord toggles: when it switched braille mode off (it was on already), switch it back.
    const std::vector<std::string> log = brailleLog(walk.nodes);
    if (chords == 1 && log != recorded && !log.empty() && log.back() == kBrailleDisabled) {
      events_->postKeyChord(pid, kBrailleKeyCode, chord);
      chords = 2;
    }
  }
  std::string summary = chords == 2 ? "⌘⌥H ×2" : "⌘⌥H";
  summary += " → " + state;
  if (waitedMs >= 20) {
    summary += " (waited " + Log::whole(waitedMs) + " ms for key release)";
  }
  return summary;
}

CaptureOutcome Capturer::run(std::uint64_t handlerTime) {
  if (!ax_->isProcessTrusted()) return CaptureError::notTrusted();
  const auto front = workspace_->frontmostApplication();
  if (!front) return CaptureError::noFrontApp();
  if (front->pid == workspace_->ownPid() && !allowSelf.load()) return CaptureError::frontIsOrvak();
  const std::string name = front->name.value_or("App");
  if (Privacy::neverRead(front->bundleId, front->name)) return CaptureError::neverRead(name);

  const ax::Element application = ax_->application(front->pid);
  bool web = false;
  bool newlyEnabled = false;
  if (isElectron(front->frameworks)) {
    // A process id the system handed to a new process after the old one quit is a new
    // application: it gets the first-time wait again.
    const auto known = enabledPids_.find(front->pid);
    newlyEnabled = known == enabledPids_.end() || known->second != front->launchedAt;
    application.setAttribute("AXManualAccessibility", true);
    enabledPids_[front->pid] = front->launchedAt;
    web = true;
  } else {
    // Browsers known by identifier get the web wait too: Firefox, and a sandboxed Chromium whose
    // executable folder cannot be seen from outside.
    web = isChromiumFamily(front->frameworks) || AppIds::isOneOf(front->bundleId, AppIds::chromiumBrowsers) ||
          AppIds::isOneOf(front->bundleId, AppIds::geckoBrowsers);
  }
  const bool safari = isSafari(front->bundleId);

  const auto window = AXWalker::pickWindow(application);
  if (!window) return CaptureError::noWindow(name);

  const std::uint64_t walkStart = Clock::now();
  WalkResult walk = AXWalker::walk(*window);
  int attempts = 1;
  if (web || safari) {
    for (int extra = 0; extra < kMaxWebRewalks && !webContentShown(walk, safari, newlyEnabled); ++extra) {
      dispatch::blockFor(kWebRewalkDelay);
      walk = AXWalker::walk(*window);
      ++attempts;
    }
  }

  std::optional<std::string> docsSetup;
  if (web && onDocumentPage(walk) && docsState(walk.nodes) == "off") {
    docsSetup = prepareDocument(front->pid, *window, walk, attempts);
  }
  const double axWalkTotalMs = Clock::ms(walkStart);

  const std::uint64_t cleanStart = Clock::now();
  CleanResult clean = Cleaner::clean(walk.nodes, walk.windowFrame, front->bundleId, walk.url);
  const std::uint64_t cleaned = Clock::now();

  Capture c;
  c.appName = name;
  c.bundleId = front->bundleId;
  c.pid = front->pid;
  c.launchedAt = front->launchedAt;
  c.windowTitle = walk.windowTitle;
  c.url = walk.url;
  c.clean = std::move(clean);
  c.rawChars = walk.rawChars();
  c.nodes = static_cast<std::int64_t>(walk.nodes.size());
  if (walk.truncatedReason == "maxNodes") c.cutAtNodes = c.nodes;
  c.cutByTime = walk.truncatedReason == "timeBudget";
  c.axWalkMs = walk.ms;
  c.axWalkTotalMs = axWalkTotalMs;
  c.attempts = attempts;
  c.cleanMs = Clock::ms(cleanStart, cleaned);
  c.hotkeyToTextMs = Clock::ms(handlerTime, cleaned);
  c.docsSetup = std::move(docsSetup);
  c.elements = walk.elements;
  c.nodeTexts.reserve(walk.nodes.size());
  for (const AXNode& n : walk.nodes) c.nodeTexts.push_back(n.text);
  c.windowFrame = walk.windowFrame;
  c.isPrivate = Privacy::isPrivateWindow(walk.windowTitle, walk.nodes);
  c.window = *window;
  c.selectedText = selectedText(application);

  if (saveDumps.load() && !c.isPrivate) CaptureDump::write(c, walk);
  if (c.clean.chars >= 1) return c;
  return CaptureError::nothingReadable(name, behindDialog(walk.nodes));
}

}  // namespace orvak
