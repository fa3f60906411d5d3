// A simulated desktop behind the Accessibility interface, for tests, demos and tools.
//
// It holds applications (name, bundle identifier, process id, the entries of their frameworks
// folder), their windows with element trees, the frontmost application and the trust flag, and
// answers every `ax::Element` request from that model: attributes stored in the scene, derived
// ones (children, parent, position and size, text lengths, selected text), parameterised text
// queries over a fixed-pitch text layout, scrolling, and hit-testing by frame.
//
// Scenes are JSON files (NAME.scene.json; format and an example in platform/sim/README.md); a
// capture dump's node list loads as well. Tests can change a scene between reads: attributes,
// injected errors, slow elements (latency on the dispatch clock, so virtual time sees it), removed
// elements, held modifier keys, relaunched applications, and scripted changes that fire after N
// walks of a window, after some time, on a posted key chord or when an attribute is set.
//
// Thread-safe: requests may come from any queue; each is answered under one lock, and the
// element's latency is then spent outside it with `dispatch::blockFor`.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/json_fwd.h"
#include "platform/ax.h"

namespace orvak::sim {

// A scene that cannot be loaded: the message names the file, where in it, and what is wrong.
struct SceneError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct SimApp {
  std::optional<std::string> name;      // the localized name; some applications have none
  std::optional<std::string> bundleId;
  pid_t pid = 0;
  std::uint64_t launchedAt = 0;         // a new value after each relaunch under the same pid
  std::vector<std::string> frameworks;  // entry names of the bundle's frameworks folder
  bool operator==(const SimApp&) const = default;
};

// A window as the window server lists it; `number` is unique within the desktop.
struct SimWindow {
  std::int64_t number = 0;
  std::optional<std::string> owner;  // the application's name
  pid_t pid = 0;
  std::optional<ax::Rect> frame;
  std::optional<double> alpha;
  bool operator==(const SimWindow&) const = default;
};

struct KeyChord {
  pid_t pid = 0;
  int keyCode = 0;
  std::vector<std::string> flags;  // "command", "option", "shift", "control", "function"
  bool operator==(const KeyChord&) const = default;
};

class SimDesktop final : public ax::System {
 public:
  // Loads a scene file or a capture dump. Throws SceneError naming the file and the problem.
  static std::shared_ptr<SimDesktop> load(const std::filesystem::path& file);
  // The largest scene or dump file `load` reads: far above any page a walk records (its node
  // limit keeps dumps to a few megabytes), far below what would exhaust memory once parsed.
  static constexpr std::uintmax_t maxFileBytes = 64u << 20;
  // Builds a desktop from a parsed scene; `origin` names it in error messages.
  static std::shared_ptr<SimDesktop> fromJson(const json::Json& scene, const std::string& origin = "scene");

  SimDesktop(const SimDesktop&) = delete;
  SimDesktop& operator=(const SimDesktop&) = delete;
  ~SimDesktop() override;

  // ---- ax::System ----
  bool isProcessTrusted(bool prompt = false) override;
  bool holdsOwnWindows() const override { return false; }
  ax::Element systemWide() override;
  // An unknown process gives a handle whose every request answers invalidUIElement.
  ax::Element application(pid_t pid) override;

  // ---- Workspace facts ----
  std::vector<SimApp> applications() const;
  std::optional<SimApp> frontmost() const;
  // A change of application tells every front observer (below).
  void setFrontmost(std::optional<pid_t> pid);
  // Every window of every application, the front application's first; scripts due by the clock
  // fire first.
  std::vector<SimWindow> windows() const;
  // `observer` hears on the main queue of every application that comes to the front, by
  // `setFrontmost` or a script; none is told of the front application the scene starts with.
  std::uint64_t addFrontObserver(std::function<void(const SimApp&)> observer);
  void removeFrontObserver(std::uint64_t token);
  void setTrusted(bool trusted);
  // How often the user was asked to grant trust.
  int trustPrompts() const;
  // The process id this program runs as: the scene's "self" application, else the real one.
  pid_t ownPid() const;

  // ---- Elements by their scene reference ("ref") ----
  // Throws SceneError when no element or application has that reference.
  ax::Element element(std::string_view ref) const;

  // ---- Changing the scene between reads ----
  // Stores an attribute (overriding what the element would derive, e.g. "AXChildren").
  void setAttribute(std::string_view ref, std::string_view name, const ax::Value& value);
  // Makes one attribute answer `error` (Error::success clears it).
  void setError(std::string_view ref, std::string_view attribute, ax::Error error);
  // Makes batched reads of the element fail as a whole (Error::success clears it).
  void setBatchError(std::string_view ref, ax::Error error);
  // Each request to the element takes this long on the dispatch clock.
  void setLatency(std::string_view ref, double seconds);
  // The element is gone: it leaves its parent's children and its handles answer invalidUIElement.
  void remove(std::string_view ref);
  // Runs a list of scene changes, as a script's "do" list.
  void apply(const json::Json& changes);
  // Adds one script entry ({"when": ..., "do": [...]}).
  void addScript(const json::Json& entry);
  // Scrolls a window's content by `dy` points (positive: content moves up), never above the top.
  void scroll(std::string_view windowRef, double dy);

  // ---- Events the desktop answers ----
  void postKeyChord(pid_t pid, int keyCode, std::vector<std::string> flags);
  std::vector<KeyChord> postedKeyChords() const;
  // The modifier keys held down ("command", "option", "shift", "control", "function"), sorted.
  // Asking counts as a request: scripts due by the clock fire first.
  std::vector<std::string> modifiers() const;
  void setModifiers(std::vector<std::string> keys);

  // ---- Observation ----
  // Requests answered so far (a batched read counts once).
  std::size_t requestCount() const;
  // How many walks began at the window (batched reads of the window element).
  int walkCount(std::string_view windowRef) const;
  double scrollOffset(std::string_view windowRef) const;
  // The process-wide messaging time-out set on the system-wide element; 0 when never set.
  double messagingTimeout() const;
  // Actions performed, as "ref action" (or "#node action" for elements without a reference).
  std::vector<std::string> performedActions() const;

  struct State;

 private:
  explicit SimDesktop(std::shared_ptr<State> state);
  std::shared_ptr<State> state_;
};

}  // namespace orvak::sim
