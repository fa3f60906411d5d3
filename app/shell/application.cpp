#include "app/voice/app_voice.h"
#include "app/shell/application.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDesktopServices>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <csignal>
#include <cstdlib>

#include "app/account/account.h"
#include "app/controller/app_controller.h"
#include "app/feedback/crash_handler.h"
#include "app/feedback/feedback.h"
#include "app/prefs.h"
#include "app/shell/dbus_debug_bus.h"
#include "app/shell/dbus_session.h"
#include "app/shell/portal_look.h"
#include "app/shell/qt_network.h"
#include "app/shell/single_instance.h"
#include "app/system/url_handler.h"
#include "app/views/app_look.h"
#include "app/views/feedback/feedback_dialogs.h"
#include "app/views/highlight/qt_overlay.h"
#include "app/views/menu/qt_tray.h"
#include "app/views/onboarding/onboarding_view.h"
#include "app/views/pill/pill_window.h"
#include "app/views/qt_main_queue.h"
#include "app/views/windows/qt_windows.h"
#include "app/voice_catalog/account_voice_source.h"
#include "app/voice_catalog/voice_catalog.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/log.h"
#include "platform/activation.h"
#include "platform/bundle.h"
#include "platform/desktop.h"
#include "platform/keychain.h"
#include "platform/microphone.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_workspace.h"
#include "speech/keys.h"

namespace orvak::shell {

namespace {

namespace fs = std::filesystem;

// SIGINT and SIGTERM end the event loop: the handler only writes a byte, the loop reads it.
int gSignalFds[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto n = ::write(gSignalFds[1], &byte, 1);
}

void quitOnSignals(QObject* parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalFds) != 0) return;
  auto* notifier = new QSocketNotifier(gSignalFds[0], QSocketNotifier::Read, parent);
  QObject::connect(notifier, &QSocketNotifier::activated, parent, [] {
    char byte = 0;
    [[maybe_unused]] const auto n = ::read(gSignalFds[0], &byte, 1);
    Log::write("quit: signal");
    QCoreApplication::quit();
  });
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
}

// Regular: our windows appear in the task bar; accessory: they stay out of it. Only the windows
// that ask for it (the onboarding and main windows) follow; the pill and the band keep their
// own flags. Changing a window's flags hides it, so a shown window is shown again.
void applyActivationPolicy(platform::activation::Policy policy) {
  const bool tool = policy == platform::activation::Policy::accessory;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->property("orvakTaskbar").toBool() || w->windowFlags().testFlag(Qt::Tool) == tool) continue;
    const bool shown = w->isVisible();
    w->setWindowFlag(Qt::Tool, tool);
    if (shown) w->show();
  }
}

// The scene the workbench names, else the desktop the environment asks for (platform/desktop.h).
platform::Desktop loadDesktop(const Options& options) {
  if (options.scene) {
    auto scene = sim::SimDesktop::load(*options.scene);
    Log::write("desktop: simulated, " + options.scene->string());
    return {scene, std::make_shared<sim::SimWorkspace>(scene), std::make_shared<sim::SimEvents>(scene), scene, "sim"};
  }
  auto desktop = platform::makeDesktop();
  Log::write("desktop: " + desktop.kind);
  return desktop;
}

fs::path executablePath() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe;
}

}  // namespace

void quit() { QCoreApplication::quit(); }

int run(int argc, char** argv, const std::vector<std::string>& args, const Options& options) {
  // Without a display the windows are drawn offscreen, so the rest still runs (and says so).
  const bool headless = std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr;
  if (headless) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Our own windows on the accessibility bus whether or not the desktop's switch was on at start:
  // the first-run window reads itself on its try-it step, right after the user switched it on.
  setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 0);
  // Made before anything else: the engines' network thread would otherwise make a plain core
  // application of its own.
  QApplication qapp(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  views::useQtMainQueue();
  if (headless) Log::write("display: none, windows are drawn offscreen");
  // The system writes no crash reports for us: a crash leaves one of ours, offered next launch.
  if (!crash::install(Feedback::crashFolder())) Log::write("launch: crash reports unavailable");

  std::shared_ptr<AppController> controller;
  std::vector<std::vector<std::string>> early;  // arguments that arrived before the controller
  auto onOpen = [&](std::vector<std::string> urls) {
    if (!controller) {
      early.push_back(std::move(urls));
    } else if (urls.empty()) {
      controller->reopen();
    } else {
      controller->open(urls);
    }
  };
  std::optional<SingleInstance> instance;
  if (options.singleInstance) {
    instance.emplace(platform::bundle::identifier(), args, onOpen);
    if (instance->role() == SingleInstance::Role::forwarded) return 0;
    if (const fs::path exe = executablePath(); !exe.empty()) UrlHandler::install(exe);
  }

  Prefs& prefs = Prefs::shared();
  platform::activation::setHandler(applyActivationPolicy);
  platform::activation::setPolicy(prefs.showInDock() ? platform::activation::Policy::regular
                                                     : platform::activation::Policy::accessory);
  views::AppLook::apply(prefs.appearance());
  Keys::useKeychain(platform::makeSecretToolKeychain());

  const platform::Desktop desktop = loadDesktop(options);
  AppServices services;
  services.ax = desktop.ax;
  const auto keyboard = std::dynamic_pointer_cast<sim::SimEvents>(desktop.events);
  services.events = desktop.events;
  services.workspace = desktop.workspace;
  services.microphone = options.microphone ? options.microphone : platform::makePulseMicrophone("Orvak");
  services.network = std::make_shared<QtNetwork>();
  services.session = options.session
                         ? options.session
                         : std::make_shared<DbusSession>(QDBusConnection::systemBus(), QDBusConnection::sessionBus(),
                                                         static_cast<std::uint32_t>(::getpid()));
  services.audioHardware = options.audioHardware;
  services.notifications = std::make_shared<platform::NotificationCenter>();
  const auto pillWindow = std::make_shared<views::pill::PillWindow>();
  services.pillPanel = pillWindow;
  services.screens = pillWindow;
  services.prefs = std::shared_ptr<Prefs>(std::shared_ptr<Prefs>{}, &prefs);
  services.makeOverlay = views::highlight::QtHighlightOverlay::factory();
  services.makeVoice = [makeInput = options.makeMicInput](const VoiceCommandParts& parts) {
    return makeAppVoice(parts, makeInput ? makeInput() : nullptr);
  };
  const auto account = Account::make();
  services.account = account;
  if (QDBusConnection::sessionBus().isConnected()) services.debugBus = std::make_shared<DbusDebugBus>();
  services.reloadVoices = [account] {
    static AccountVoiceSource source(*account);
    VoiceCatalog::shared().load(source);
  };
  services.offerCrashReport = [] { Feedback::offerCrashReport(std::make_shared<views::feedback::QtFeedbackDialogs>()); };
  services.makeWindows = [](WindowsHosts hosts) {
    views::windows::QtWindows::Roots roots;
    roots.onboarding = [onboarding = std::move(hosts.onboarding)](WindowsHost&, std::function<void()> finish) -> QWidget* {
      return new views::onboarding::OnboardingView(
          onboarding(std::move(finish), [] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    };
    views::windows::QtWindows::Hooks hooks;
    hooks.desktopLook = [] { return std::make_unique<PortalLook>(QDBusConnection::sessionBus()); };
    return std::make_unique<views::windows::QtWindows>(std::move(hosts.windows), std::move(roots), std::move(hooks));
  };
  services.menuHooks.open = [](const fs::path& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path.string())));
  };
  services.menuHooks.quit = [] { QCoreApplication::quit(); };
  services.menuHooks.feedback = [](std::optional<std::string> email) {
    Feedback::showForm(email, std::make_shared<views::feedback::QtFeedbackDialogs>());
  };
  services.makeStatusMenu = [](std::unique_ptr<MenuHost> host) -> std::unique_ptr<StatusMenu> {
    auto tray = std::make_shared<views::menu::QtTray>();
    tray->followDesktopLook(std::make_unique<PortalLook>(QDBusConnection::sessionBus()));
    auto menu = std::make_unique<TrayStatusMenu>(std::move(host), tray);
    TrayStatusMenu* m = menu.get();
    tray->attach([m] { return m->rows(); }, [m](menu::Action a, const std::string& v) { m->perform(a, v); });
    return menu;
  };
  controller = AppController::make(std::move(services));
  pillWindow->attach(controller->pill().model(), [weak = std::weak_ptr(controller)](bool inside) {
    if (auto c = weak.lock()) c->pill().hovered(inside);
  });

  QObject::connect(&qapp, &QGuiApplication::applicationStateChanged, &qapp,
                   [weak = std::weak_ptr(controller)](Qt::ApplicationState s) {
                     if (auto c = weak.lock(); c && s == Qt::ApplicationActive) c->becameActive();
                   });
  quitOnSignals(&qapp);
  dispatch::main().async([&] {
    controller->launch();
    for (auto& urls : early) onOpen(std::move(urls));
    early.clear();
    if (!args.empty()) controller->open(args);
    if (options.onLaunched) options.onLaunched(*controller, keyboard.get(), desktop.simulated.get());
  });
  if (options.runFor) QTimer::singleShot(static_cast<int>(*options.runFor * 1000), &qapp, &QCoreApplication::quit);
  const int status = QApplication::exec();
  Log::flush();
  return status;
}

}  // namespace orvak::shell
