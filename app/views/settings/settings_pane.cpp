#include "app/views/settings/settings_pane.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/prefs.h"
#include "app/settings/settings_host.h"
#include "app/views/look/controls.h"
#include "app/views/look/ink_label.h"
#include "app/views/look/palette.h"
#include "app/views/look/pieces.h"
#include "app/views/look/qstring.h"
#include "app/views/look/scroll_bars.h"
#include "app/views/look/text_styles.h"
#include "app/views/settings/fitted_text.h"
#include "app/views/settings/help_page.h"
#include "app/views/settings/rows.h"
#include "core/base/paths.h"

namespace orvak::views::settings {
namespace {

using look::qs;

constexpr int kColumnGap = 22;
constexpr int kMaxColumnWidth = 760;

// The paper behind the pane's column.
class Paper : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), look::Margin::paper.color());
  }
};

// A widget with a vertical padding around one child, for pieces that sit below a row.
QWidget* padded(QWidget* child, int vertical) {
  auto* box = new QWidget;
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, vertical, 0, vertical);
  layout->addWidget(child);
  layout->addStretch(1);
  return box;
}

QWidget* column(QWidget* parent = nullptr) {
  auto* w = new QWidget(parent);
  auto* layout = new QVBoxLayout(w);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(kColumnGap);
  return w;
}

}  // namespace

// ---- AppearanceCapsule ----

AppearanceCapsule::AppearanceCapsule(const QString& text, QWidget* parent) : QAbstractButton(parent) {
  setText(text);
  setAccessibleName(text);
  setCursor(Qt::PointingHandCursor);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void AppearanceCapsule::setSelected(bool selected) {
  selected_ = selected;
  update();
}

QSize AppearanceCapsule::sizeHint() const {
  const QFontMetricsF m(look::systemFont(12, QFont::DemiBold));
  return {int(std::ceil(m.horizontalAdvance(text()) + 20)), 24};
}

void AppearanceCapsule::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const double radius = r.height() / 2;
  if (selected_) {
    p.setBrush(look::Margin::ink.color());
    p.setPen(QPen(look::Margin::ink.color(), 1));
  } else {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(look::Margin::line.color(), 1));
  }
  p.drawRoundedRect(r, radius, radius);
  p.setFont(look::systemFont(12, selected_ ? QFont::DemiBold : QFont::Normal));
  p.setPen(selected_ ? look::Margin::onInk.color() : look::Margin::ink.color());
  p.drawText(rect(), Qt::AlignCenter, text());
}

// ---- SettingsPane ----

SettingsPane::SettingsPane(SettingsHost& host, Prefs& prefs, MainModel::Page page, Pages pages, QWidget* parent)
    : QScrollArea(parent), host_(host), prefs_(prefs), frame_(GeneralSettings::frame(page)), pages_(std::move(pages)) {
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
  look::useThinScrollBars(*this);

  auto* paper = new Paper;
  auto* outer = new QHBoxLayout(paper);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* col = new QWidget;
  col->setMaximumWidth(kMaxColumnWidth);
  auto* layout = new QVBoxLayout(col);
  layout->setContentsMargins(44, 52, 44, 40);
  layout->setSpacing(kColumnGap);
  outer->addWidget(col, 1);
  outer->addStretch(0);

  // The header: eyebrow over the headline, 2 of extra room below.
  auto* header = new QWidget;
  auto* headerLayout = new QVBoxLayout(header);
  headerLayout->setContentsMargins(0, 0, 0, 2);
  headerLayout->setSpacing(6);
  eyebrow_ = new look::Eyebrow(qs(frame_.eyebrow), std::nullopt, true);
  headline_ = new look::Headline(qs(frame_.headline),
                                 frame_.glow ? std::optional<QString>(qs(*frame_.glow)) : std::nullopt, 34);
  headerLayout->addWidget(eyebrow_, 0, Qt::AlignLeft);
  headerLayout->addWidget(headline_);
  layout->addWidget(header);

  using C = GeneralSettings::Content;
  auto handed = [](const std::function<QWidget*()>& make) -> QWidget* { return make ? make() : nullptr; };
  switch (frame_.content) {
    case C::general:
      content_ = buildGeneral();
      break;
    case C::advanced:
      content_ = buildAdvanced();
      break;
    case C::help:
      content_ = new HelpPage(prefs_, {[this] { host_.showOnboarding(); },
                                       [this](std::optional<std::string> e) { host_.showFeedback(std::move(e)); },
                                       [this] { return host_.signedInEmail(); }});
      break;
    case C::account:
      content_ = handed(pages_.account);
      break;
    case C::voice:
      content_ = handed(pages_.voice);
      break;
    case C::pronunciation:
      content_ = handed(pages_.pronunciation);
      break;
    case C::keys:
      content_ = handed(pages_.keys);
      break;
  }
  if (content_) layout->addWidget(content_);
  layout->addStretch(1);
  setWidget(paper);

  prefsObserver_ = prefs_.addObserver([this](Prefs::Setting) { follow(); });
  permissionsObserver_ = host_.observePermissions([this] { rebuildPermissions(); });
}

SettingsPane::~SettingsPane() {
  prefs_.removeObserver(prefsObserver_);
  host_.unobservePermissions(permissionsObserver_);
}

look::OrbitSwitch* SettingsPane::bindSwitch(std::function<bool()> get, std::function<void(bool)> set) {
  auto* control = new look::OrbitSwitch;
  control->setCheckable(true);
  control->setChecked(get());
  connect(control, &QAbstractButton::toggled, this, [set = std::move(set)](bool on) { set(on); });
  switches_.push_back({control, std::move(get)});
  return control;
}

QWidget* SettingsPane::buildGeneral() {
  using namespace GeneralSettings;
  auto* page = column();
  auto* layout = static_cast<QVBoxLayout*>(page->layout());
  Prefs& p = prefs_;

  auto* key = new MSection("Key");
  key->addRow("Read / stop", QString("Double-tap it. Hold the same key to talk."), nullptr);
  if (pages_.hotkeyPicker) {
    if (auto* picker = pages_.hotkeyPicker()) key->add(padded(picker, 10));
  }
  layout->addWidget(key);

  auto* reading = new MSection("Reading");
  reading->addRow("Highlight as it reads",
                  QString("Marks the sentence being read on the page itself, and scrolls to keep it in view."),
                  bindSwitch([&p] { return p.highlightAsItReads(); }, [&p](bool on) { p.setHighlightAsItReads(on); }));
  followWords_ =
      reading->addRow("Follow each word", QString("A stronger mark moves word by word with the voice."),
                      bindSwitch([&p] { return p.highlightWords(); }, [&p](bool on) { p.setHighlightWords(on); }));
  focusMode_ = reading->addRow("Focus mode", QString("Dims the page around the sentence being read."),
                               bindSwitch([&p] { return p.focusMode(); }, [&p](bool on) { p.setFocusMode(on); }));
  layout->addWidget(reading);

  auto* voice = new MSection("Voice commands");
  listen_ =
      voice->addRow("Listen without holding the key", qs(listenCaption(p.alwaysOnListening(), p.hotkeyCode())),
                    bindSwitch([&p] { return p.alwaysOnListening(); }, [&p](bool on) { p.setAlwaysOnListening(on); }));
  voice->addRow("Sounds", QString("Short cues when reading starts, when something is saved, and on errors"),
                bindSwitch([&p] { return p.sound(); }, [&p](bool on) { p.setSound(on); }));
  layout->addWidget(voice);

  auto* orvak = new MSection("Orvak");
  auto* capsules = new QWidget;
  auto* capsuleRow = new QHBoxLayout(capsules);
  capsuleRow->setContentsMargins(0, 0, 0, 0);
  capsuleRow->setSpacing(4);
  for (const auto& choice : kAppearances) {
    auto* c = new AppearanceCapsule(choice.label);
    connect(c, &QAbstractButton::clicked, this, [&p, value = std::string(choice.value)] { p.setAppearance(value); });
    capsuleRow->addWidget(c);
    capsules_.push_back(c);
  }
  orvak->addRow("Appearance", QString("Windows and the reading pill. Light is the default."), capsules);
  orvak->addRow("Show Orvak in the task bar", QString("Click it to open this window. Off: tray icon only."),
                bindSwitch([&p] { return p.showInDock(); }, [&p](bool on) { p.setShowInDock(on); }));
  orvak->addRow("Open at login", qs(loginCaption(host_.loginItemCanRegister())),
                bindSwitch([&p] { return p.launchAtLogin(); }, [&p](bool on) { p.setLaunchAtLogin(on); }));
  layout->addWidget(orvak);

  neverRead_ = new MSection("Apps Orvak never reads");
  layout->addWidget(neverRead_);
  permissions_ = new MSection("Permissions");
  layout->addWidget(permissions_);

  rebuildNeverRead();
  rebuildPermissions();
  follow();
  return page;
}

QWidget* SettingsPane::buildAdvanced() {
  auto* page = column();
  Prefs& p = prefs_;
  auto* debugging = new MSection("Debugging");
  debugging->addRow("Save each capture to the logs folder",
                    qs(GeneralSettings::capturesCaption(OrvakPaths::captures(), OrvakPaths::home())),
                    bindSwitch([&p] { return p.saveCaptures(); }, [&p](bool on) { p.setSaveCaptures(on); }));
  auto* open = new look::MarginButton("Open Logs Folder", false);
  connect(open, &QAbstractButton::clicked, this, [this] { host_.openLogsFolder(); });
  debugging->addRow("Last read", qs(GeneralSettings::lastReadCaption(host_.lastRead())), open);
  page->layout()->addWidget(debugging);
  return page;
}

void SettingsPane::follow() {
  for (auto& b : switches_) {
    const bool want = b.get();
    if (b.control->isChecked() != want) {
      const QSignalBlocker quiet(b.control);
      b.control->setChecked(want);
    }
  }
  if (followWords_) {
    const bool on = prefs_.highlightAsItReads();
    followWords_->setVisible(on);
    focusMode_->setVisible(on);
  }
  if (listen_) {
    listen_->caption()->setText(qs(GeneralSettings::listenCaption(prefs_.alwaysOnListening(), prefs_.hotkeyCode())));
  }
  for (std::size_t i = 0; i < capsules_.size(); ++i) {
    capsules_[i]->setSelected(prefs_.appearance() == GeneralSettings::kAppearances[i].value);
  }
  if (neverRead_) {
    // Rebuilt only when the list differs from the rows shown.
    std::vector<std::string> shown;
    for (auto* r : rows(neverRead_)) {
      const auto id = r->property("appId");
      if (id.isValid()) shown.push_back(id.toString().toStdString());
    }
    if (shown != prefs_.neverReadApps()) rebuildNeverRead();
  }
}

void SettingsPane::rebuildNeverRead() {
  neverRead_->clear();
  addApp_ = nullptr;
  neverRead_->addRow("Password managers and the keyring",
                     QString("Always. Orvak never reads password fields anywhere either."), nullptr);
  for (const auto& id : prefs_.neverReadApps()) {
    auto* remove = new look::MarginButton("Remove", false);
    auto* r = neverRead_->addRow(qs(GeneralSettings::displayName(id)), std::nullopt, remove);
    r->setProperty("appId", qs(id));
    connect(remove, &QAbstractButton::clicked, this, [this, id] { GeneralSettings::removeNeverRead(prefs_, id); });
  }
  addApp_ = new look::MarginButton("Add an App…", false);
  connect(addApp_, &QAbstractButton::clicked, this, [this] {
    // The settings outlive this page: a choice made after the page went is still stored.
    host_.chooseApplications(
        [&p = prefs_](std::vector<std::filesystem::path> chosen) { GeneralSettings::addNeverRead(p, chosen); });
  });
  neverRead_->add(padded(addApp_, 10));
}

void SettingsPane::rebuildPermissions() {
  if (!permissions_) return;
  permissions_->clear();
  openSetup_ = nullptr;
  const bool ax = host_.accessibility();
  const auto mic = host_.mic();
  auto* axText =
      new look::InkLabel(ax ? "On" : "Off", look::systemFont(12.5), ax ? look::Margin::ink2 : look::Margin::redPencil);
  permissions_->addRow("Accessibility", std::nullopt, axText);
  auto* micText = new look::InkLabel(qs(GeneralSettings::micText(mic)), look::systemFont(12.5), look::Margin::ink2);
  permissions_->addRow("Microphone", std::nullopt, micText);
  if (GeneralSettings::showsOpenSetup(ax, mic)) {
    openSetup_ = new look::MarginButton("Open Setup…", false);
    connect(openSetup_, &QAbstractButton::clicked, this, [this] { host_.showOnboarding(); });
    permissions_->add(padded(openSetup_, 10));
  }
}

MSection* SettingsPane::section(const QString& title) const {
  for (auto* w : widget()->findChildren<QWidget*>()) {
    auto* s = dynamic_cast<MSection*>(w);
    if (s && s->heading()->run() == title.toUpper()) return s;
  }
  return nullptr;
}

MRow* SettingsPane::row(const QString& label) const {
  for (auto* w : widget()->findChildren<QWidget*>()) {
    auto* r = dynamic_cast<MRow*>(w);
    if (r && r->label()->text() == label) return r;
  }
  return nullptr;
}

std::vector<MRow*> SettingsPane::rows(const MSection* section) const {
  // In the order of the card's layout.
  std::vector<MRow*> out;
  auto* layout = section->card()->layout();
  for (int i = 0; i < layout->count(); ++i) {
    if (auto* r = dynamic_cast<MRow*>(layout->itemAt(i)->widget()); r && !r->isHidden()) out.push_back(r);
  }
  return out;
}

}  // namespace orvak::views::settings
