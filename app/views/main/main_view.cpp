#include "app/views/main/main_view.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QStackedLayout>
#include <QUndoStack>
#include <QVBoxLayout>

#include "app/views/desktop/qt_desktop.h"
#include "app/views/hotkey/hotkey_picker.h"
#include "app/views/library/library_view.h"
#include "app/views/library/notes_unavailable_view.h"
#include "app/views/library/qt_confirmer.h"
#include "app/views/look/appearance.h"
#include "app/views/look/curves.h"
#include "app/views/look/palette.h"
#include "app/views/look/pieces.h"
#include "app/views/main/window_settings_host.h"
#include "app/settings/account_port.h"
#include "app/settings/host_voice_page.h"
#include "app/views/settings/keep_alive.h"
#include "app/views/settings/settings_pane.h"
#include "app/views/settings/settings_sections.h"
#include "app/views/settings/voice_tab.h"
#include "core/base/log.h"

namespace orvak::views::main {

namespace {

using Page = MainModel::Page;

}  // namespace

MainView::MainView(Parts parts, QWidget* parent)
    : QWidget(parent),
      parts_(std::move(parts)),
      undo_(std::make_unique<QUndoStack>()),
      undoManager_(std::make_shared<desktop::UndoStackManager>(undo_.get())) {
  setMinimumSize(kMinWidth, kMinHeight);
  WindowsHost& host = *parts_.host;
  reactions_ = std::make_unique<sidebar::Reactions>(*parts_.model, host.prefs(), host.tester());
  settingsHost_ = std::make_unique<WindowSettingsHost>(host, parts_.setup, this);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  sidebar_ = new SidebarView(this);
  row->addWidget(sidebar_);
  auto* detailArea = new QWidget(this);
  stack_ = new QStackedLayout(detailArea);
  row->addWidget(detailArea, 1);

  if (parts_.notes && parts_.library) {
    library::PaneContext ctx;
    ctx.lib = parts_.library;
    ctx.notes = parts_.notes;
    ctx.undo = undoManager_;
    ctx.prefs = &host.prefs();
    ctx.confirmer = std::make_shared<library::QtConfirmer>(this);
    const Page first = MainModel::info(parts_.model->page()).isLibrary ? parts_.model->page() : Page::library;
    library_ = new library::LibraryView(ctx, first, host.notifications(), detailArea);
  } else {
    library_ = new library::NotesUnavailableView(detailArea);
  }
  stack_->addWidget(library_);

  sidebar_->onSelect = [this](Page p) { parts_.model->setPage(p); };
  sidebar_->onSetup = [this] {
    if (parts_.setup) parts_.setup();
  };
  modelObserver_ = parts_.model->addObserver([this](Page) {
    showPage(true);
    relayout();
  });
  prefsObserver_ = host.prefs().addObserver([this](Prefs::Setting) { relayout(); });
  if (parts_.notes) {
    notesObserver_ = parts_.notes->addObserver([this](NotesModel::Member m) {
      if (m == NotesModel::Member::docs) relayout();
    });
  }
  permsObserver_ = host.perms().addObserver([this] { relayout(); });
  showPage(false);
  relayout();
}

MainView::~MainView() {
  parts_.model->removeObserver(modelObserver_);
  parts_.host->prefs().removeObserver(prefsObserver_);
  if (parts_.notes) parts_.notes->removeObserver(notesObserver_);
  parts_.host->perms().removeObserver(permsObserver_);
  // The pages go first: they hold the settings host, a member that goes before the widget does.
  qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

QWidget* MainView::detail() const { return stack_->currentWidget(); }

void MainView::relayout() {
  reactions_->relayout();
  WindowsHost& host = *parts_.host;
  sidebar::Facts f;
  f.page = parts_.model->page();
  f.developer = host.prefs().d->flag(Prefs::kDeveloperFlag);
  if (parts_.notes) f.total = parts_.notes->total();
  f.accessibility = host.perms().accessibility();
  f.onboardingDone = host.prefs().onboardingDone();
  f.hotkeyCode = host.prefs().hotkeyCode();
  sidebar_->setContent(sidebar::layout(f));
}

QWidget* MainView::makeSettings(Page page) {
  settings::SettingsPane::Pages pages = parts_.settingsPages;
  if (!pages.hotkeyPicker) {
    // General's key chooser, compact, with the hotkey test under it.
    pages.hotkeyPicker = [this] { return new hotkey::HotkeyPicker(parts_.host->prefs(), parts_.host->tester(), true); };
  }
  WindowsHost* host = parts_.host;
  if (!pages.keys) pages.keys = [] { return new settings::KeysTab; };
  if (!pages.pronunciation) {
    pages.pronunciation = [host] {
      return new settings::PronunciationSection(host->prefs(), [host](const std::string& text) { host->testRead(text); });
    };
  }
  if (!pages.account) {
    pages.account = [host]() -> QWidget* {
      auto account = host->account();
      if (!account) return nullptr;
      // The port lives as long as the section that uses it.
      auto* port = accountPortOver(std::move(account)).release();
      auto* section = new settings::AccountSection(*port);
      settings::releaseWithChildren(section, [port] { delete port; });
      return section;
    };
  }
  if (!pages.voice) {
    pages.voice = [host] {
      auto* voiceHost = voicePageHostOver(*host).release();
      auto* tab = new settings::VoiceTab(*voiceHost, host->prefs());
      settings::releaseWithChildren(tab, [voiceHost] { delete voiceHost; });
      return tab;
    };
  }
  return new settings::SettingsPane(*settingsHost_, parts_.host->prefs(), page, pages);
}

void MainView::showPage(bool animate) {
  const Page page = parts_.model->page();
  if (MainModel::info(page).isLibrary) {
    if (auto* view = dynamic_cast<library::LibraryView*>(library_)) view->setPage(page);
    stack_->setCurrentWidget(library_);
    if (settings_) settings_->deleteLater();
    return;
  }
  QWidget* next = makeSettings(page);
  stack_->addWidget(next);
  stack_->setCurrentWidget(next);
  if (settings_) settings_->deleteLater();
  settings_ = next;
  if (!animate || look::reducedMotion()) return;
  // The page comes in with a fade and a short move from the right.
  auto* fade = new QGraphicsOpacityEffect(next);
  next->setGraphicsEffect(fade);
  auto* group = new QParallelAnimationGroup(next);
  auto* opacity = new QPropertyAnimation(fade, "opacity", group);
  opacity->setStartValue(0.0);
  opacity->setEndValue(1.0);
  auto* move = new QPropertyAnimation(next, "pos", group);
  move->setStartValue(next->pos() + QPoint(10, 0));
  move->setEndValue(next->pos());
  for (auto* a : {opacity, move}) {
    a->setDuration(look::durationMs(Curve::ease));
    a->setEasingCurve(look::easing(Curve::ease));
  }
  connect(group, &QAnimationGroup::finished, next, [next] { next->setGraphicsEffect(nullptr); });
  group->start(QAbstractAnimation::DeleteWhenStopped);
}

void MainView::showEvent(QShowEvent*) { relayout(); }

void MainView::hideEvent(QHideEvent*) { reactions_->disappeared(); }

void MainView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), look::Margin::paper.color());
}

}  // namespace orvak::views::main
