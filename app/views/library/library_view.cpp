#include "app/views/library/library_view.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>

#include "app/library/notifications.h"
#include "app/prefs.h"
#include "app/views/look/pieces.h"
#include "app/views/look/symbols.h"
#include "app/views/look/text_styles.h"

namespace orvak::views::library {

namespace M = look::Margin;

namespace {

// The bar's capsule: the card colour with an ink border while the field has the focus.
class BarCapsule : public QWidget {
 public:
  explicit BarCapsule(QWidget* parent) : QWidget(parent) {
    setFixedHeight(46);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  }
  std::function<bool()> focused;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setBrush(M::card.color());
    p.setPen(QPen(focused && focused() ? M::ink.color() : M::line.color(), 1));
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
  }
};

// The clear button: the filled circle with a cross, in the third ink.
class ClearButton : public QAbstractButton {
 public:
  explicit ClearButton(QWidget* parent) : QAbstractButton(parent) {
    setFixedSize(18, 18);
    setCursor(Qt::PointingHandCursor);
    setToolTip(panes::kClearButton);
    setAccessibleName(panes::kClearButton);
    setText(panes::kClearButton);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isDown()) p.setOpacity(0.6);
    look::paintSymbol(p, "xmark.circle.fill", QRectF(1, 1, 16, 16), M::ink3.color());
  }
};

}  // namespace

LibraryView::LibraryView(const PaneContext& ctx, MainModel::Page page,
                         std::shared_ptr<platform::NotificationCenter> center, QWidget* parent)
    : QWidget(parent), ctx_(ctx), page_(page) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  bar_ = new QWidget(this);
  auto* barOuter = new QHBoxLayout(bar_);
  barOuter->setContentsMargins(36, 46, 36, 14);
  auto* capsule = new BarCapsule(bar_);
  capsule->focused = [this] { return barFocused(); };
  auto* row = new QHBoxLayout(capsule);
  row->setContentsMargins(16, 0, 16, 0);
  row->setSpacing(12);
  row->addWidget(new look::HeroOrb(18, capsule));
  field_ = new QLineEdit(capsule);
  field_->setFrame(false);
  field_->setPlaceholderText(panes::kBarPlaceholder);
  field_->setAccessibleName(panes::kBarAccessibleName);
  field_->setFont(look::systemFont(14.5));
  field_->setStyleSheet("background: transparent;");
  field_->installEventFilter(this);
  row->addWidget(field_, 1);
  ask_ = new TextButton(panes::kAskButton, look::systemFont(12.5, QFont::DemiBold), M::accent, capsule);
  ask_->setToolTip(panes::kAskButtonHelp);
  row->addWidget(ask_);
  clear_ = new ClearButton(capsule);
  row->addWidget(clear_);
  hint_ = new Text("", look::systemFont(12), M::ink3, capsule);
  row->addWidget(hint_);
  barOuter->addWidget(capsule);
  column->addWidget(bar_);
  column->addWidget(new Hairline(M::line2, this));
  paneBox_ = new QVBoxLayout;
  paneBox_->setContentsMargins(0, 0, 0, 0);
  column->addLayout(paneBox_, 1);

  toast_ = new LibraryToast(ctx_, this);

  QObject::connect(field_, &QLineEdit::textEdited, field_,
                   [this](const QString& text) { ctx_.notes->setQuery(text.toStdString()); });
  QObject::connect(field_, &QLineEdit::returnPressed, field_, [this] { panes::submit(*ctx_.lib); });
  QObject::connect(ask_, &QAbstractButton::clicked, ask_, [this] { panes::submit(*ctx_.lib); });
  QObject::connect(clear_, &QAbstractButton::clicked, clear_, [this] { panes::clearBar(*ctx_.lib); });
  auto* find = new QShortcut(QKeySequence::Find, this);
  find->setContext(Qt::WidgetWithChildrenShortcut);
  QObject::connect(find, &QShortcut::activated, this, [this] { focusBar(); });

  libToken_ = ctx_.lib->addObserver([this](LibraryModel::Member m) {
    if (m == LibraryModel::Member::ask) choosePane();
  });
  notesToken_ = ctx_.notes->addObserver([this](NotesModel::Member m) {
    if (m == NotesModel::Member::query) {
      syncBar();
      choosePane();
    }
  });
  if (ctx_.prefs) {
    prefsToken_ = ctx_.prefs->addObserver([this](Prefs::Setting s) {
      if (s == Prefs::Setting::hotkeyCode) syncBar();
    });
  }
  if (center) {
    focusObservation_ =
        center->observe(std::string(notifications::orvakFocusAsk), [this](const platform::Notification&) {
          panes::focusAsk(*ctx_.lib);
          focusBar();
        });
  }
  syncBar();
  choosePane();
  built_ = true;
}

LibraryView::~LibraryView() {
  ctx_.lib->removeObserver(libToken_);
  ctx_.notes->removeObserver(notesToken_);
  if (ctx_.prefs) ctx_.prefs->removeObserver(prefsToken_);
}

bool LibraryView::barFocused() const { return field_->hasFocus(); }

void LibraryView::focusBar() {
  field_->setFocus(Qt::ShortcutFocusReason);
  bar_->update();
}

void LibraryView::setPage(MainModel::Page page) {
  if (page == page_) return;
  page_ = page;
  panes::pageChanged(*ctx_.lib);
  choosePane();
}

void LibraryView::syncBar() {
  const std::string& query = ctx_.notes->query();
  if (field_->text().toStdString() != query) field_->setText(qs(query));
  const bool buttons = panes::showsBarButtons(query);
  ask_->setVisible(buttons);
  clear_->setVisible(buttons);
  hint_->setVisible(!buttons);
  hint_->setText(qs(panes::barHint(ctx_.keyName())));
}

void LibraryView::choosePane() {
  const auto pane = panes::paneFor(ctx_.lib->ask(), ctx_.notes->query(), page_);
  if (paneWidget_ && pane == pane_) return;
  pane_ = pane;
  if (paneWidget_) {
    paneWidget_->hide();
    paneWidget_->deleteLater();
  }
  switch (pane) {
    case panes::Pane::ask:
      paneWidget_ = new AskResult(
          ctx_, [this] { focusBar(); }, this);
      break;
    case panes::Pane::search:
      paneWidget_ = new SearchResults(ctx_, this);
      break;
    case panes::Pane::documents:
      paneWidget_ = new DocumentsPane(ctx_, this);
      break;
    case panes::Pane::listened:
      paneWidget_ = new ListenedList(ctx_, this);
      break;
    case panes::Pane::pages:
      paneWidget_ = new PagesList(ctx_, this);
      break;
    case panes::Pane::highlights:
      paneWidget_ = new HighlightsStream(ctx_, this);
      break;
  }
  paneBox_->addWidget(paneWidget_);
  paneWidget_->show();
  toast_->raise();
}

bool LibraryView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == field_) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      panes::clearBar(*ctx_.lib);
      field_->clearFocus();
      bar_->update();
      return true;
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) bar_->update();
  }
  return QWidget::eventFilter(watched, event);
}

void LibraryView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  toast_->place();
}

void LibraryView::paintEvent(QPaintEvent*) {
  // The field's text follows the appearance in force.
  QPalette pal = field_->palette();
  if (pal.color(QPalette::Text) != M::ink.color()) {
    pal.setColor(QPalette::Text, M::ink.color());
    pal.setColor(QPalette::PlaceholderText, M::ink3.color());
    field_->setPalette(pal);
  }
  QPainter p(this);
  p.fillRect(rect(), M::paper.color());
}

}  // namespace orvak::views::library
