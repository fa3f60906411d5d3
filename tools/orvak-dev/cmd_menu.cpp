// Prints the status menu for a described state, as indented text: what a user would see on
// opening it. Also `orvak-dev tray`, the real tray icon on a desktop with a scripted read.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/menu/status_menu.h"
#include "app/prefs.h"
#include "app/views/menu/qt_tray.h"
#include "app/views/qt_main_queue.h"
#include "tools/orvak-dev/commands.h"
#include "tools/orvak-dev/options.h"

namespace orvak::dev {

namespace {

constexpr const char* kUsage =
    "usage: orvak-dev menu [--reading|--paused] [--no-access] [--developer] [--mic granted|denied] "
    "[--voice-status TEXT] [--recent N] [--last-error TEXT] [--no-notes]\n";

PlayerState sampleState(bool paused) {
  PlayerState st;
  st.label = "Natural";
  st.sentence = 14;
  st.total = 52;
  st.paused = paused;
  return st;
}

menu::Snapshot sampleSnapshot(bool reading, bool paused) {
  menu::Snapshot s;
  s.accessibility = true;
  s.mic = platform::MicAccess::granted;
  s.voiceStatus = "on";
  s.inworldKey = true;
  s.notesOpen = true;
  if (reading || paused) {
    s.player = true;
    s.state = sampleState(paused);
    s.reading = menu::readingNow("The quiet history of maps", "Firefox", *s.state);
  }
  return s;
}

}  // namespace

int runMenu(const Args& args) {
  menu::Snapshot s;
  try {
    const Options o(args, {"--mic", "--voice-status", "--recent", "--last-error"},
                    {"--reading", "--paused", "--no-access", "--developer", "--no-notes"}, 0);
    s = sampleSnapshot(o.flag("--reading"), o.flag("--paused"));
    s.accessibility = !o.flag("--no-access");
    s.developer = o.flag("--developer");
    s.notesOpen = !o.flag("--no-notes");
    if (const auto mic = o.value("--mic")) {
      if (*mic == "granted") {
        s.mic = platform::MicAccess::granted;
      } else if (*mic == "denied") {
        s.mic = platform::MicAccess::denied;
      } else {
        throw UsageError("--mic takes granted or denied");
      }
    }
    if (const auto status = o.value("--voice-status")) s.voiceStatus = *status;
    s.lastError = o.value("--last-error");
    const int recent = int(o.number("--recent").value_or(0));
    if (recent < 0 || recent > 5) throw UsageError("--recent takes 0 to 5");
    for (int i = 0; i < recent && s.notesOpen; ++i) {
      const bool note = i % 2 == 1;
      s.recent.push_back({note, "A sentence worth keeping, number " + std::to_string(i + 1),
                          note ? std::optional<std::string>("Check this against the atlas") : std::nullopt,
                          "https://example.org/maps", "The quiet history of maps"});
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "orvak-dev menu: %s\n%s", e.what(), kUsage);
    return 2;
  }
  const auto look = menu::iconLook(s.accessibility, s.player, s.hotkeyCode);
  std::printf("icon: %s · %s\n", look.icon == menu::Icon::reading ? "reading" : look.icon == menu::Icon::idle ? "idle" : "needs setup",
              look.toolTip.c_str());
  std::printf("%s", menu::describe(menu::build(s)).c_str());
  return 0;
}

namespace {

// A host with a scripted state: idle, then a read that advances, pauses and ends.
class ScriptedHost final : public MenuHost {
 public:
  explicit ScriptedHost(Prefs& prefs) : prefs_(prefs) {}
  menu::Snapshot state = sampleSnapshot(false, false);
  menu::Snapshot snapshot() override { return state; }
  Prefs& prefs() override { return prefs_; }
  Windows& windows() override { return windows_; }
  void trigger(const std::string& source, double, const ReadOptions&) override {
    std::printf("trigger: %s\n", source.c_str());
  }
  void control(const std::string& what) override { std::printf("control: %s\n", what.c_str()); }
  void post(const std::string& name) override { std::printf("post: %s\n", name.c_str()); }
  void open(const std::filesystem::path& path) override { std::printf("open: %s\n", path.c_str()); }
  void feedback() override { std::printf("feedback\n"); }
  void quit() override { QCoreApplication::quit(); }

 private:
  struct PrintWindows final : Windows {
    void showOnboarding() override { std::printf("windows: onboarding\n"); }
    void showMain(MainModel::Page p) override { std::printf("windows: main %s\n", MainModel::raw(p).data()); }
    void showNotes(const std::optional<std::string>& k) override {
      std::printf("windows: notes %s\n", k.value_or("-").c_str());
    }
    bool libraryInFront() const override { return false; }
    bool hasVisibleWindows() const override { return false; }
    void reloadModels() override {}
    void askLibrary(const std::string& q) override { std::printf("windows: ask %s\n", q.c_str()); }
  };
  Prefs& prefs_;
  PrintWindows windows_;
};

}  // namespace

int runTray(const Args&) {
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
    std::fprintf(stderr, "orvak-dev tray: needs a desktop session; orvak-dev shot menu-… draws it offscreen\n");
    return 1;
  }
  static int argc = 1;
  static char name[] = "orvak-dev";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  views::useQtMainQueue();
  auto tray = std::make_shared<views::menu::QtTray>();
  auto hostOwned = std::make_unique<ScriptedHost>(Prefs::shared());
  ScriptedHost* host = hostOwned.get();
  TrayStatusMenu menu(std::move(hostOwned), tray);
  tray->attach([&menu] { return menu.rows(); }, [&menu](menu::Action a, const std::string& v) { menu.perform(a, v); });
  if (!menu.available()) {
    std::fprintf(stderr, "orvak-dev tray: this desktop has no system tray\n");
    return 1;
  }
  std::printf("tray: idle; a read starts in 3 s, pauses at 12 s and ends at 16 s (quit from the menu)\n");
  QTimer step;
  int t = 0;
  QObject::connect(&step, &QTimer::timeout, [&] {
    ++t;
    if (t == 3 || (t > 3 && t < 12)) {
      host->state = sampleSnapshot(true, false);
      host->state.state->sentence = t;
      host->state.reading->sentence = t;
    } else if (t == 12) {
      host->state = sampleSnapshot(false, true);
    } else if (t == 16) {
      host->state = sampleSnapshot(false, false);
      t = 0;
    }
    menu.refresh();
  });
  step.start(1000);
  return QApplication::exec();
}

}  // namespace orvak::dev
