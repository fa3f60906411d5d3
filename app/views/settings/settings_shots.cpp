#include "app/views/settings/settings_shots.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/prefs.h"
#include "app/settings/cheat_sheet.h"
#include "app/settings/settings_host.h"
#include "app/views/look/controls.h"
#include "app/views/look/palette.h"
#include "app/views/look/text_styles.h"
#include "app/views/settings/cheat_sheet_view.h"
#include "app/views/settings/help_page.h"
#include "app/views/settings/rows.h"
#include "app/views/settings/settings_pane.h"
#include "app/views/settings/settings_sections.h"

namespace orvak::views::settings {

struct ShotPrefs::Folder {
  QTemporaryDir dir;
};

ShotPrefs::ShotPrefs() : folder_(std::make_unique<Folder>()) {
  const auto file = std::filesystem::path(folder_->dir.path().toStdString()) / "defaults.json";
  prefs_ = std::make_unique<Prefs>(std::make_shared<platform::Defaults>(file));
}

ShotPrefs::~ShotPrefs() = default;

ShotPaper::ShotPaper(QWidget* content, int width, int margin) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(margin, margin, margin, margin);
  content->setParent(this);
  column->addWidget(content);
  resize(width, 1);
}

void ShotPaper::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), look::Margin::paper.color());
}

std::uint16_t shotKeyCode(const ShotOptions& options, std::uint16_t fallback) {
  const auto v = options.value("--key");
  if (!v) return fallback;
  std::size_t used = 0;
  unsigned long code = 0;
  try {
    code = std::stoul(*v, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != v->size() || code > 65535) {
    throw std::invalid_argument("--key takes a key code from 0 to 65535");
  }
  return static_cast<std::uint16_t>(code);
}

namespace {

QImage render(QWidget* content, int width, double scale) {
  ShotPaper paper(content, width);
  return renderTall(paper, width, scale);
}

// The whole page, scrolled to the top, as tall as its content at `width`.
QImage renderPane(SettingsPane& pane, int width, double scale) {
  pane.setAttribute(Qt::WA_DontShowOnScreen);
  pane.show();
  pane.resize(width, 800);
  QApplication::processEvents();
  const int inner = pane.viewport()->width();
  const int height =
      pane.widget()->hasHeightForWidth() ? pane.widget()->heightForWidth(inner) : pane.widget()->sizeHint().height();
  pane.resize(width, height + (pane.height() - pane.viewport()->height()));
  QApplication::processEvents();
  QImage img((QSizeF(pane.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
  img.setDevicePixelRatio(scale);
  img.fill(Qt::transparent);
  pane.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
  return img;
}

// The answers a settings page gets in a picture.
class ShotHost final : public SettingsHost {
 public:
  bool ax = true;
  platform::MicAccess micAccess = platform::MicAccess::granted;
  bool installed = true;
  bool accessibility() const override { return ax; }
  platform::MicAccess mic() const override { return micAccess; }
  std::uint64_t observePermissions(std::function<void()>) override { return 1; }
  void unobservePermissions(std::uint64_t) override {}
  void showOnboarding() override {}
  void showFeedback(std::optional<std::string>) override {}
  std::optional<std::string> signedInEmail() const override { return std::nullopt; }
  std::optional<ReadTiming> lastRead() const override {
    ReadTiming t;
    t.engine = "inworld";
    t.firstAudioSampleMs = 412.6;
    return t;
  }
  bool loginItemCanRegister() const override { return installed; }
  void chooseApplications(std::function<void(std::vector<std::filesystem::path>)>) override {}
  void openLogsFolder() override {}
};

QImage settingsShot(double scale, const ShotOptions& o) {
  ShotPrefs prefs;
  Prefs& p = prefs.prefs();
  p.setHotkeyCode(shotKeyCode(o, p.hotkeyCode()));
  const auto pageName = o.value("--page").value_or("general");
  const auto page = MainModel::page(pageName);
  if (!page) throw std::invalid_argument("--page takes general, advanced, account, voice, pronunciation, keys or help");
  auto onOff = [&](const char* name, bool fallback) {
    const auto v = o.value(name);
    if (!v) return fallback;
    if (*v != "on" && *v != "off") throw std::invalid_argument(std::string(name) + " takes on or off");
    return *v == "on";
  };
  p.setHighlightAsItReads(onOff("--highlight", true));
  p.setAlwaysOnListening(onOff("--listen", false));
  if (const auto a = o.value("--appearance")) p.setAppearance(*a);
  if (const auto list = o.value("--never-read")) {
    std::vector<std::string> ids;
    std::size_t from = 0;
    while (from <= list->size()) {
      const auto comma = list->find(',', from);
      const auto id = list->substr(from, comma == std::string::npos ? std::string::npos : comma - from);
      if (!id.empty()) ids.push_back(id);
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    p.setNeverReadApps(ids);
  }
  ShotHost host;
  host.ax = onOff("--ax", true);
  if (const auto m = o.value("--mic")) {
    if (*m == "denied")
      host.micAccess = platform::MicAccess::denied;
    else if (*m == "not-asked")
      host.micAccess = platform::MicAccess::notAsked;
    else if (*m != "granted")
      throw std::invalid_argument("--mic takes granted, denied or not-asked");
  }
  host.installed = !o.flag("--not-installed");
  SettingsPane::Pages pages;
  pages.account = [] { return sampleAccountPage(true); };
  pages.pronunciation = [&p] { return samplePronunciationPage(p); };
  pages.voice = [&p] { return sampleVoicePage(p); };
  pages.keys = [] { return new KeysTab; };
  SettingsPane pane(host, p, *page, pages);
  return renderPane(pane, 900, scale);
}

// A section with every kind of row, and an empty section after it.
QWidget* rowsSample() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(22);
  auto* rows = new MSection("Every kind of row");
  rows->addRow("No caption", std::nullopt, new look::OrbitSwitch);
  rows->addRow("A long caption",
               QString("This caption goes on long enough to wrap onto a second and a third line, so the row grows "
                       "taller than its least height while the label and the control stay centred in it."),
               new look::MarginButton("Open…", false));
  rows->addRow("Nothing at the right", QString("The trailing view is empty."), nullptr);
  rows->addText("Free text in the card: no hairline under it, only the card's side insets.");
  rows->addRow("Last row", std::nullopt, new QLabel("a value"));
  column->addWidget(rows);
  column->addWidget(new MSection("An empty section"));
  return page;
}

}  // namespace

std::vector<Shot> settingsShots() {
  std::vector<Shot> shots{
      {"help",
       "the help page",
       nullptr,
       {"--key"},
       {},
       [](double scale, const ShotOptions& o) {
         ShotPrefs prefs;
         prefs.prefs().setHotkeyCode(shotKeyCode(o, prefs.prefs().hotkeyCode()));
         return render(new HelpPage(prefs.prefs(), {}), 760, scale);
       }},
      {"cheatsheet",
       "the voice-command cheat sheet",
       nullptr,
       {"--key"},
       {"--compact"},
       [](double scale, const ShotOptions& o) {
         const auto key = CheatSheet::keyName(shotKeyCode(o, 60));
         return render(new CheatSheetView(QString::fromStdString(key), o.flag("--compact")), 620, scale);
       }},
      {"settings",
       "a settings page in its frame",
       nullptr,
       {"--page", "--highlight", "--listen", "--key", "--appearance", "--never-read", "--ax", "--mic"},
       {"--not-installed"},
       settingsShot},
      {"settings-rows",
       "settings sections and rows: every kind of row, an empty section",
       nullptr,
       {"--key"},
       {},
       [](double scale, const ShotOptions&) { return render(rowsSample(), 620, scale); }},
  };
  for (auto& shot : voiceShots()) shots.push_back(std::move(shot));
  for (auto& shot : sectionShots()) shots.push_back(std::move(shot));
  return shots;
}

}  // namespace orvak::views::settings
