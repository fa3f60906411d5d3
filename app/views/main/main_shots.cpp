#include "app/views/main/main_shots.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <stdexcept>

#include "app/views/library/library_widgets.h"
#include "app/views/main/main_view.h"
#include "app/views/settings/settings_sections.h"
#include "app/windows/held_windows_host.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_microphone.h"
#include "platform/sim/sim_workspace.h"

namespace orvak::views::main {

namespace {

// The pictures' "now": a fixed instant, so saved times read the same everywhere.
constexpr double kNow = 1773494813;

// A host over temporary files and a simulated desktop.
struct ShotHost final : HeldWindowsHost {
  QTemporaryDir dir;

  ShotHost(bool trusted, bool notes) {
    const std::filesystem::path folder = dir.path().toStdString();
    prefsPtr = std::make_shared<Prefs>(std::make_shared<platform::Defaults>(folder / "defaults.json"));
    auto desktop = sim::SimDesktop::fromJson(json::parse(trusted ? R"({"trusted": true, "applications": []})"
                                                                 : R"({"trusted": false, "applications": []})"));
    permsPtr = Permissions::make(desktop, std::make_shared<sim::SimMicrophone>(platform::MicAccess::granted));
    workspacePtr = std::make_shared<sim::SimWorkspace>(desktop);
    testerPtr = HotkeyTester::make(workspacePtr);
    if (notes) store = std::make_shared<NotesStore>(folder / "notes.sqlite", std::nullopt);
  }
};

void addItems(NotesStore& store, int n) {
  static const char* const quotes[] = {
      "Maps were drawn to be argued with, not obeyed.",
      "Every coastline is longer than the last survey said.",
      "The river moved; the border stayed where the ink was.",
      "A blank space on a chart was an invitation, and a warning.",
  };
  static const char* const pages[][2] = {{"The quiet history of maps", "https://example.org/maps"},
                                         {"Rivers that changed course", "https://example.org/rivers"},
                                         {"Surveyors of the north", "https://example.org/north"}};
  for (int i = 0; i < n; ++i) {
    ResearchItem it;
    it.ts = Date{kNow - 3600.0 * (i * 7 + 1)};
    it.kind = i % 3 == 2 ? ResearchItem::Kind::note : ResearchItem::Kind::highlight;
    it.quote = quotes[i % 4];
    if (it.kind == ResearchItem::Kind::note) it.note = "Compare with the 1820 survey.";
    it.app = "Firefox";
    it.windowTitle = pages[i % 3][0];
    it.url = pages[i % 3][1];
    it.sentenceIndex = i;
    store.insert(it);
  }
}

QImage renderMain(double scale, const ShotOptions& o) {
  dispatch::VirtualTime time;
  time.setWallMillis(static_cast<std::int64_t>(kNow * 1000));
  const auto pageName = o.value("--page").value_or("library");
  const auto page = MainModel::page(pageName);
  if (!page) throw std::invalid_argument("--page takes a page's name: library, pages, ..., help");
  const auto ax = o.value("--ax").value_or("on");
  if (ax != "on" && ax != "off") throw std::invalid_argument("--ax takes on or off");
  const int items = o.value("--items") ? std::stoi(*o.value("--items")) : 0;
  if (items < 0 || items > 500) throw std::invalid_argument("--items takes 0 to 500");
  QSize size(1120, 720);
  if (const auto given = o.value("--size")) {
    const QStringList wh = QString::fromStdString(*given).split('x');
    const bool ok = wh.size() == 2 && wh[0].toInt() >= MainView::kMinWidth && wh[1].toInt() >= MainView::kMinHeight &&
                    wh[0].toInt() <= 4000 && wh[1].toInt() <= 4000;
    if (!ok) throw std::invalid_argument("--size takes WIDTHxHEIGHT, at least 900x560");
    size = QSize(wh[0].toInt(), wh[1].toInt());
  }

  ShotHost host(ax == "on", !o.flag("--no-notes"));
  host.prefs().setOnboardingDone(o.flag("--onboarding-done"));
  if (const auto vendor = o.value("--vendor")) {
    if (*vendor == "natural") {
      host.prefs().setVendor(Vendor::inworld);
    } else if (*vendor == "alternate") {
      host.prefs().setVendor(Vendor::cartesia);
    } else if (*vendor == "on-device") {
      host.prefs().setVendor(Vendor::onDevice);
    } else {
      throw std::invalid_argument("--vendor takes natural, alternate or on-device");
    }
  }
  if (o.flag("--developer")) host.prefs().d->set(Prefs::kDeveloperFlag, true);
  if (host.store) addItems(*host.store, items);
  MainModel model;
  std::shared_ptr<NotesModel> notes;
  std::shared_ptr<LibraryModel> library;
  if (host.store) {
    notes = NotesModel::make(host.store, {host.center, nullptr, nullptr, nullptr, nullptr});
    library = LibraryModel::make(notes, {host.center, nullptr, nullptr, nullptr});
  }
  // A developer page without the flag shows General, as the window manager does.
  model.setPage(MainModel::info(*page).developerOnly && !o.flag("--developer") ? MainModel::Page::general : *page);
  MainView::Parts parts;
  parts.model = &model;
  parts.host = &host;
  parts.notes = notes;
  parts.library = library;
  MainView view(parts);
  view.resize(size);
  if (const auto message = o.value("--message")) {
    // The Keys page's first row says it, as after a refused save; the rebuilt row is laid out as
    // the running window's event loop would before the picture is taken.
    for (QWidget* w : view.findChildren<QWidget*>()) {
      if (auto* row = dynamic_cast<settings::KeyRow*>(w)) {
        row->say(QString::fromStdString(*message));
        break;
      }
    }
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    QCoreApplication::sendPostedEvents();
  }
  library::freezeMotion(&view, 1.2);
  QImage img = renderWidget(view, scale);
  time.drain();
  return img;
}

}  // namespace

std::vector<Shot> mainShots() {
  return {{"main",
           "the main window: sidebar and page (--page NAME, --items N, --size 900x560, --vendor on-device, --message "
           "TEXT on Keys ...)",
           [](double s) { return renderMain(s, {}); },
           {"--page", "--ax", "--items", "--size", "--vendor", "--message"},
           {"--developer", "--no-notes", "--onboarding-done"},
           renderMain}};
}

}  // namespace orvak::views::main
