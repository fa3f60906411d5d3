#include "app/views/windows/qt_windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWindow>
#include <variant>

#include "app/system/login_item.h"
#include "app/views/app_look.h"
#include "app/views/desktop/qt_desktop.h"
#include "app/views/look/app_icon.h"
#include "app/views/look/palette.h"
#include "app/views/look/text_styles.h"
#include "app/views/main/main_view.h"
#include "app/windows/main_menu.h"
#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "platform/activation.h"
#include "platform/bundle.h"
#include "platform/process.h"

namespace orvak::views::windows {

namespace {

using Page = MainModel::Page;

// Marks the windows whose task-bar presence follows the activation policy (the shell's handler
// leaves every other top-level window, the pill and the band among them, alone).
constexpr const char* kTaskbarProperty = "orvakTaskbar";

// A plain area in the paper colour of the windows.
class Paper : public QWidget {
 public:
  explicit Paper(QWidget* parent = nullptr) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), look::Margin::paper.color());
  }
};

// The onboarding window: fixed size, dragged by any part of its background that does not take the
// press itself.
class OnboardingWindow final : public Paper {
 public:
  OnboardingWindow() {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setProperty(kTaskbarProperty, true);
    setWindowTitle("Welcome to Orvak");
    setFixedSize(QtWindows::kOnboardingWidth, QtWindows::kOnboardingHeight);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
  }

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove()) {
      e->accept();
      return;
    }
    Paper::mousePressEvent(e);
  }
};

class MainWindow final : public QMainWindow {
 public:
  std::function<void()> onClose;

  MainWindow() {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setProperty(kTaskbarProperty, true);
    setWindowTitle("Orvak");
  }

 protected:
  void closeEvent(QCloseEvent* e) override {
    QMainWindow::closeEvent(e);
    if (e->isAccepted() && onClose) onClose();
  }
};

// Stands in for a window's content until its view is given.
class Placeholder final : public QWidget {
 public:
  explicit Placeholder(QString text) {
    auto* layout = new QVBoxLayout(this);
    label_ = new QLabel(std::move(text), this);
    label_->setAlignment(Qt::AlignCenter);
    label_->setFont(look::serifFont(22, QFont::Light, true));
    layout->addWidget(label_);
  }
  void setText(const QString& text) { label_->setText(text); }

 private:
  QLabel* label_;
};

void centre(QWidget& w) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    w.move(area.center() - QPoint(w.width() / 2, w.height() / 2));
  }
}

void bringToFront(QWidget& w) {
  w.show();
  w.raise();
  w.activateWindow();
}

// The edit actions go to the widget with the keyboard focus, when it has such a slot.
// Whether the focused text field has typing of its own to take back (or to put back).
bool fieldCanUndo(QWidget* w, bool redo) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) return redo ? e->isRedoAvailable() : e->isUndoAvailable();
  QTextDocument* doc = nullptr;
  if (auto* e = qobject_cast<QTextEdit*>(w)) doc = e->document();
  if (auto* e = qobject_cast<QPlainTextEdit*>(w)) doc = e->document();
  return doc && (redo ? doc->isRedoAvailable() : doc->isUndoAvailable());
}

const char* lookName(look::Appearance a) {
  switch (a) {
    case look::Appearance::light:
      return "light";
    case look::Appearance::dark:
      return "dark";
    case look::Appearance::other:
      break;
  }
  return "no preference";
}

void editFocused(const char* slot) {
  QWidget* w = QApplication::focusWidget();
  if (!w) return;
  const QByteArray signature = QByteArray(slot) + "()";
  if (w->metaObject()->indexOfMethod(signature.constData()) >= 0) QMetaObject::invokeMethod(w, slot);
}

}  // namespace

QtWindows::QtWindows(std::unique_ptr<WindowsHost> host, Roots roots, Hooks hooks)
    : host_(std::move(host)), roots_(std::move(roots)), hooks_(std::move(hooks)) {
  if (!hooks_.applyLook) {
    hooks_.applyLook = [this](std::string_view v) {
      AppLook::apply(v, [this] { return desktop_ ? *desktop_ : look::readDesktopAppearance(); });
    };
  }
  if (!hooks_.applyLoginItem) hooks_.applyLoginItem = [](bool on) { LoginItem::apply(on); };
  Prefs& prefs = host_->prefs();
  appearance_ = prefs.appearance();
  launchAtLogin_ = prefs.launchAtLogin();
  hooks_.applyLook(appearance_);
  if (hooks_.desktopLook) desktopLook_ = hooks_.desktopLook();
  if (desktopLook_) {
    desktopLook_->onChange = [this](look::Appearance desktop) {
      desktop_ = desktop;
      Log::write(std::string("look: the desktop asks for ") + lookName(desktop));
      if (AppLook::followsDesktop(appearance_)) hooks_.applyLook(appearance_);
    };
  }
  prefsObserver_ = prefs.addObserver([this](Prefs::Setting s) {
    Prefs& p = host_->prefs();
    if (s == Prefs::Setting::appearance && p.appearance() != appearance_) {
      appearance_ = p.appearance();
      hooks_.applyLook(appearance_);
    } else if (s == Prefs::Setting::launchAtLogin && p.launchAtLogin() != launchAtLogin_) {
      launchAtLogin_ = p.launchAtLogin();
      hooks_.applyLoginItem(launchAtLogin_);
    }
  });
}

QtWindows::~QtWindows() {
  host_->prefs().removeObserver(prefsObserver_);
  if (main_ && main_->isVisible()) {
    const QByteArray frame = main_->saveGeometry();
    host_->prefs().d->set(kFrameKey, platform::Data(frame.begin(), frame.end()));
  }
}

QWidget* QtWindows::onboardingWindow() const { return onboarding_.get(); }
QMainWindow* QtWindows::mainWindow() const { return main_.get(); }

std::function<void()> QtWindows::finishAction(QPointer<QtWindows> windows, std::function<void(bool)> applyLoginItem) {
  return [windows, applyLoginItem] {
    if (windows) {
      WindowsHost& host = windows->host();
      host.prefs().setOnboardingDone(true);
      host.tester().disarm();  // the clash detector stops; a test under way goes back to idle
      host.refreshMenu();
    }
    applyLoginItem(windows ? windows->host().prefs().launchAtLogin() : true);
    if (windows && windows->onboarding_) windows->onboarding_->close();
  };
}

void QtWindows::buildOnboarding() {
  auto window = std::make_unique<OnboardingWindow>();
  auto* layout = new QVBoxLayout(window.get());
  layout->setContentsMargins(0, 0, 0, 0);
  auto finish = finishAction(QPointer<QtWindows>(this), hooks_.applyLoginItem);
  QWidget* root = roots_.onboarding ? roots_.onboarding(*host_, finish) : new Placeholder("Welcome to Orvak");
  layout->addWidget(root);
  centre(*window);
  onboarding_ = std::move(window);
}

void QtWindows::showOnboarding() {
  if (!onboarding_) buildOnboarding();
  host_->perms().startPolling();
  bringToFront(*onboarding_);
}

void QtWindows::makeModels() {
  auto store = host_->notesStore();
  if (!store) return;
  NotesModel::Services ns;
  ns.center = host_->notifications();
  ns.clipboard = std::make_shared<desktop::QtClipboard>();
  ns.chooser = std::make_shared<desktop::QtSaveChooser>(main_.get());
  ns.reveal = std::make_shared<desktop::QtFileReveal>();
  ns.opener = std::make_shared<SourceOpener>(
      std::make_shared<desktop::DesktopWorkspace>(host_->workspace()),
      [](const std::vector<std::string>& argv) { return platform::runProcess(argv, std::nullopt); });
  notes_ = NotesModel::make(store, std::move(ns));
  QPointer<QtWindows> self(this);
  notes_->read = [self](const std::string& text) {
    if (self) self->host().readText(text);
  };
  LibraryModel::Services ls;
  ls.center = host_->notifications();
  ls.clipboard = std::make_shared<desktop::QtClipboard>();
  ls.chooser = std::make_shared<desktop::QtSaveChooser>(main_.get());
  ls.service = host_->libraryService();
  library_ = LibraryModel::make(notes_, std::move(ls));
  library_->show = [self](const std::string& raw) {
    if (!self) return;
    if (const auto page = MainModel::page(raw)) self->mainModel_.setPage(*page);
  };
  library_->keepDays = [self]() -> std::int64_t { return self ? self->host().prefs().historyKeepDays() : 90; };
}

void QtWindows::buildMain() {
  auto window = std::make_unique<MainWindow>();
  main_ = std::move(window);
  makeModels();
  auto* paper = new Paper;
  auto* layout = new QVBoxLayout(paper);
  layout->setContentsMargins(0, 0, 0, 0);
  QWidget* root = nullptr;
  if (roots_.main) {
    root = roots_.main(*this);
  } else {
    main::MainView::Parts parts;
    parts.model = &mainModel_;
    parts.host = host_.get();
    parts.notes = notes_;
    parts.library = library_;
    if (roots_.settingsPages) parts.settingsPages = roots_.settingsPages(*host_);
    QPointer<QtWindows> self(this);
    parts.setup = [self] {
      if (self) self->showOnboarding();
    };
    root = mainView_ = new main::MainView(std::move(parts));
  }
  layout->addWidget(root);
  main_->setCentralWidget(paper);
  main_->resize(kMainWidth, kMainHeight);
  // The minimum is the content's; the menu bar comes on top of it.
  paper->setMinimumSize(kMainMinWidth, kMainMinHeight);

  QMenuBar* bar = main_->menuBar();
  for (const auto& menu : MainMenu::menus()) {
    QMenu* m = bar->addMenu(QString::fromStdString(menu.title));
    for (const auto& item : menu.items) {
      if (item.action == MainMenu::Action::separator) {
        m->addSeparator();
        continue;
      }
      QAction* a = m->addAction(QString::fromStdString(item.title));
      if (!item.key.empty()) a->setShortcut(QKeySequence(QString::fromStdString(item.key), QKeySequence::PortableText));
      const auto action = item.action;
      connect(a, &QAction::triggered, this, [this, action] {
        using A = MainMenu::Action;
        switch (action) {
          case A::about:
            QMessageBox::about(main_.get(), "About Orvak",
                               QString::fromStdString("Orvak " + platform::bundle::shortVersion()));
            break;
          case A::settings:
            menuSettings();
            break;
          case A::quit:
            QCoreApplication::quit();
            break;
          case A::undo:
            undo();
            break;
          case A::redo:
            editFocused("redo");
            break;
          case A::cut:
            editFocused("cut");
            break;
          case A::copy:
            editFocused("copy");
            break;
          case A::paste:
            editFocused("paste");
            break;
          case A::selectAll:
            editFocused("selectAll");
            break;
          case A::library:
            menuLibrary();
            break;
          case A::close:
            if (QWidget* w = QApplication::activeWindow()) w->close();
            break;
          case A::separator:
            break;
        }
      });
    }
  }

  centre(*main_);
  // Set after centring, so a frame kept from an earlier launch wins.
  if (const auto frame = host_->prefs().d->data(kFrameKey)) {
    main_->restoreGeometry(QByteArray(reinterpret_cast<const char*>(frame->data()), qsizetype(frame->size())));
  }
  static_cast<MainWindow*>(main_.get())->onClose = [this] { mainClosing(); };
}

void QtWindows::showMain(Page page) {
  if (!main_) buildMain();
  if (MainModel::info(page).developerOnly && !host_->prefs().d->flag(Prefs::kDeveloperFlag)) page = Page::general;
  mainModel_.setPage(page);
  platform::activation::setPolicy(platform::activation::Policy::regular);
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(look::AppIcon::image())));
  bringToFront(*main_);
}

void QtWindows::showNotes(const std::optional<std::string>& key) {
  // The models come with the window: made first, so the very first call opens the page asked for.
  if (!main_) buildMain();
  reloadModels();
  if (!key) {
    showMain(Page::library);
    return;
  }
  if (notes_) notes_->select(*key);
  showMain(Page::pages);
  // After the page is in front: going to the pages list closes any page detail.
  if (library_) library_->setOpenPage(true);
}

bool QtWindows::libraryInFront() const {
  return main_ && main_->isActiveWindow() && MainModel::info(mainModel_.page()).isLibrary;
}

bool QtWindows::hasVisibleWindows() const {
  return (main_ && main_->isVisible()) || (onboarding_ && onboarding_->isVisible());
}

void QtWindows::reloadModels() {
  if (notes_) notes_->reload();
  if (library_) library_->reload();
}

void QtWindows::askLibrary(const std::string& question) {
  if (notes_) notes_->setQuery(question);
  if (library_) library_->askLibrary(question, std::nullopt);
}

main::MainView* QtWindows::mainView() const { return mainView_; }

void QtWindows::undo() {
  // Typing in a field is undone there; anything else (the field has nothing to take back, or
  // no field has focus) reaches the window's own history, which outlives the deletion's toast.
  QWidget* focused = QApplication::focusWidget();
  if (fieldCanUndo(focused, false)) {
    editFocused("undo");
    return;
  }
  if (!main_ || (focused && focused->window() != main_.get())) return;
  if (mainView_ && mainView_->undoManager()->canUndo()) mainView_->undoManager()->undo();
}

void QtWindows::menuSettings() { showMain(Page::general); }

void QtWindows::menuLibrary() {
  reloadModels();
  showMain(Page::library);
}

void QtWindows::mainClosing() {
  const QByteArray frame = main_->saveGeometry();
  host_->prefs().d->set(kFrameKey, platform::Data(frame.begin(), frame.end()));
  if (notes_) notes_->setEditing(std::nullopt);
  host_->tester().disarm();
  QPointer<QtWindows> self(this);
  dispatch::main().async([self] {
    if (self && !self->host().prefs().showInDock()) {
      platform::activation::setPolicy(platform::activation::Policy::accessory);
      Log::write("windows: main window closed, out of the task bar");
    }
  });
}

}  // namespace orvak::views::windows
