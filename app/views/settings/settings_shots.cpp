#include "app/views/settings/settings_shots.h"

#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/prefs.h"
#include "app/settings/cheat_sheet.h"
#include "app/views/look/controls.h"
#include "app/views/look/palette.h"
#include "app/views/look/text_styles.h"
#include "app/views/settings/cheat_sheet_view.h"
#include "app/views/settings/help_page.h"
#include "app/views/settings/rows.h"

namespace orvak::views {

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
  return {
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
      {"settings-rows",
       "settings sections and rows: every kind of row, an empty section",
       nullptr,
       {"--key"},
       {},
       [](double scale, const ShotOptions&) { return render(rowsSample(), 620, scale); }},
  };
}

}  // namespace orvak::views
