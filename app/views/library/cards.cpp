#include "app/views/library/cards.h"

#include <QContextMenuEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <cmath>

#include "app/hotkey/modifier_tap.h"
#include "app/prefs.h"
#include "app/views/look/appearance.h"
#include "app/views/look/controls.h"
#include "app/views/look/pieces.h"
#include "app/views/look/text_styles.h"

namespace orvak::views::library {

namespace M = look::Margin;

std::string PaneContext::keyName() const { return panes::keyName(prefs ? prefs->hotkeyCode() : 60); }

// ---- TitleLine ----

namespace {

constexpr double kLineSize = 12.5;

QFont titleFont() { return look::systemFont(kLineSize, QFont::Medium); }
QFont lineFont() { return look::systemFont(kLineSize); }

QString rgba(const QColor& c) {
  return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF(), 0, 'f', 3);
}

// The quote as rich text: the band behind the whole of a highlight's quote, none behind a note's.
QString quoteHtml(const StoredItem& s) {
  QString text = qs(s.item.quote).toHtmlEscaped();
  text.replace('\n', "<br>");
  const QString body =
      s.item.kind == ResearchItem::Kind::highlight
          ? QStringLiteral("<span style=\"background-color:%1\">%2</span>").arg(rgba(M::markerBand), text)
          : text;
  return QStringLiteral("<div style=\"line-height:128%\">%1</div>").arg(body);
}

// A plain text field that grows from one to eight lines; Return submits, Shift+Return breaks the
// line, Escape cancels.
class NoteField : public QPlainTextEdit {
 public:
  explicit NoteField(QWidget* parent) : QPlainTextEdit(parent) {
    setFont(look::systemFont(14.5));
    setFrameStyle(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setPlaceholderText(panes::kNotePlaceholder);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    viewport()->setAutoFillBackground(false);
    setStyleSheet("background: transparent;");
    document()->setDocumentMargin(0);
    connect(document(), &QTextDocument::contentsChanged, this, [this] { fit(); });
    fit();
  }
  std::function<void()> onSubmit, onCancel;

  void fit() {
    const int lines = std::clamp(document()->lineCount() == 0 ? 1 : visualLines(), 1, 8);
    setFixedHeight(int(std::ceil(lines * fontMetrics().lineSpacing())) + 6);
  }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !(e->modifiers() & Qt::ShiftModifier)) {
      if (onSubmit) onSubmit();
      return;
    }
    if (e->key() == Qt::Key_Escape) {
      if (onCancel) onCancel();
      return;
    }
    QPlainTextEdit::keyPressEvent(e);
  }
  void resizeEvent(QResizeEvent* e) override {
    QPlainTextEdit::resizeEvent(e);
    fit();
  }

 private:
  int visualLines() const {
    int n = 0;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
      n += std::max(1, b.layout() ? b.layout()->lineCount() : 1);
    return n;
  }
};

}  // namespace

TitleLine::TitleLine(QString title, QString line, QWidget* parent)
    : QWidget(parent), title_(std::move(title)), line_(std::move(line)) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setToolTip(title_);
}

void TitleLine::set(QString title, QString line) {
  if (title == title_ && line == line_) return;
  title_ = std::move(title);
  line_ = std::move(line);
  setToolTip(title_);
  updateGeometry();
  update();
}

QSize TitleLine::sizeHint() const {
  const QFontMetricsF t(titleFont()), l(lineFont());
  return {int(std::ceil(t.horizontalAdvance(title_) + 8 + l.horizontalAdvance(line_))) + 1,
          int(std::ceil(std::max(t.height(), l.height())))};
}

QSize TitleLine::minimumSizeHint() const { return {60, sizeHint().height()}; }

void TitleLine::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QFontMetricsF t(titleFont()), l(lineFont());
  const double baseline = (height() + t.ascent() - t.descent()) / 2;
  // The line keeps its room while the title can still show a few characters; the title is cut
  // first, then the line.
  const double lineWidth = std::min(l.horizontalAdvance(line_), std::max(0.0, width() - 8 - 60.0));
  const double titleRoom = std::max(0.0, width() - 8 - lineWidth);
  const QString title = t.elidedText(title_, Qt::ElideRight, titleRoom);
  p.setFont(titleFont());
  p.setPen(M::ink.color());
  p.drawText(QPointF(0, baseline), title);
  const double x = t.horizontalAdvance(title) + (title.isEmpty() ? 0 : 8);
  p.setFont(lineFont());
  p.setPen(M::ink3.color());
  p.drawText(QPointF(x, baseline), l.elidedText(line_, Qt::ElideRight, width() - x));
}

// ---- SavedCard ----

SavedCard::SavedCard(const PaneContext& ctx, const StoredItem& s, std::optional<std::int64_t> number, bool timeOnly,
                     QWidget* parent)
    : Surface({14, M::card, M::line2}, parent), ctx_(ctx), s_(s), number_(number), timeOnly_(timeOnly) {
  builtFor_ = look::appearance();
  setAttribute(Qt::WA_Hover);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(20, 18, 20, 18);
  column->setSpacing(12);

  auto* quoteRow = new QHBoxLayout;
  quoteRow->setSpacing(10);
  if (number_) {
    number_label_ = new Text(QString::number(*number_), look::systemFont(12, QFont::DemiBold), M::accent, this);
    quoteRow->addWidget(number_label_, 0, Qt::AlignTop);
  }
  quote_ = (new Text("", look::serifFont(18), M::ink, this))->wrapping(true);
  quote_->setTextFormat(Qt::RichText);
  {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    quote_->setSizePolicy(policy);
  }
  quoteRow->addWidget(quote_, 1);
  column->addLayout(quoteRow);

  // The user's words: the orb beside "YOU SAID" over the note, one element for accessibility.
  yourWords_ = new Surface({10, M::paper, std::nullopt}, this);
  {
    auto* row = new QHBoxLayout(yourWords_);
    row->setContentsMargins(12, 10, 12, 10);
    row->setSpacing(10);
    auto* orbBox = new QVBoxLayout;
    orbBox->setContentsMargins(0, 3, 0, 0);
    orbBox->addWidget(new look::HeroOrb(14, yourWords_));
    orbBox->addStretch(1);
    row->addLayout(orbBox);
    auto* words = new QVBoxLayout;
    words->setSpacing(2);
    QFont said = look::systemFont(10.5, QFont::Medium);
    said.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    words->addWidget(new Text("YOU SAID", said, M::ink3, yourWords_));
    yourWordsNote_ = (new Text("", look::systemFont(14.5), M::ink, yourWords_))->wrapping(true);
    words->addWidget(yourWordsNote_);
    row->addLayout(words, 1);
  }
  column->addWidget(yourWords_);

  auto* sourceRow = new QHBoxLayout;
  sourceRow->setSpacing(8);
  titleLine_ = new TitleLine({}, {}, this);
  sourceRow->addWidget(titleLine_, 1);
  sourceRow->addSpacing(8);
  hoverRow_ = new QWidget(this);
  {
    auto* row = new QHBoxLayout(hoverRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    noteButton_ = new TextButton("", look::systemFont(12), M::ink2, hoverRow_);
    auto* copy = new TextButton("Copy", look::systemFont(12), M::ink2, hoverRow_);
    auto* del = new TextButton("Delete", look::systemFont(12), M::ink2, hoverRow_);
    row->addWidget(noteButton_);
    row->addWidget(copy);
    row->addWidget(del);
    connect(noteButton_, &QAbstractButton::clicked, this, [this] { startEdit(); });
    connect(copy, &QAbstractButton::clicked, this,
            [this] { panes::perform(panes::CardAction::copy, *ctx_.notes, s_, ctx_.undo); });
    connect(del, &QAbstractButton::clicked, this,
            [this] { panes::perform(panes::CardAction::remove, *ctx_.notes, s_, ctx_.undo); });
  }
  // The fade's effect stands on the row only while it runs: a row drawn through an effect is left
  // out of a widget's rendering into an image.
  hoverAnim_ = new QVariantAnimation(this);
  hoverAnim_->setDuration(120);
  hoverAnim_->setEasingCurve(QEasingCurve::OutCubic);
  connect(hoverAnim_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    if (auto* fade = dynamic_cast<QGraphicsOpacityEffect*>(hoverRow_->graphicsEffect())) fade->setOpacity(v.toDouble());
  });
  connect(hoverAnim_, &QVariantAnimation::finished, this, [this] {
    hoverRow_->setGraphicsEffect(nullptr);
    hoverRow_->setVisible(hoverShown_);
  });
  hoverRow_->hide();
  sourceRow->addWidget(hoverRow_);
  listen_ = new SmallButton("Listen", "play.fill", this);
  connect(listen_, &QAbstractButton::clicked, this, [this] { ctx_.notes->listen(s_); });
  sourceRow->addWidget(listen_);
  open_ = new SmallButton("", "arrow.up.right", this);
  connect(open_, &QAbstractButton::clicked, this, [this] { panes::openItem(*ctx_.notes, s_); });
  sourceRow->addWidget(open_);
  column->addLayout(sourceRow);

  fill();
  syncEditing();
}

bool SavedCard::hasBand() const { return s_.item.kind == ResearchItem::Kind::highlight && !s_.item.quote.empty(); }

void SavedCard::fill() {
  quote_->setText(quoteHtml(s_));
  quote_->setVisible(!s_.item.quote.empty());
  if (number_label_) {
    if (s_.item.quote.empty()) {
      number_label_->setContentsMargins(0, 0, 0, 0);
    } else {
      alignFirstBaselines(number_label_, quote_);
    }
  }
  const bool words = panes::hasNote(s_);
  if (words) {
    yourWordsNote_->setText(qs(*s_.item.note));
    yourWords_->setAccessibleName(qs(panes::yourWordsLabel(*s_.item.note)));
  }
  titleLine_->set(qs(panes::cardTitle(s_)), qs(panes::sourceLine(s_, timeOnly_, ctx_.lib->zone)));
  noteButton_->setText(qs(panes::noteButton(s_)));
  noteButton_->updateGeometry();
  const auto openTitle = panes::openTitle(panes::OpenKind::savedItem, s_.item.url, s_.item.app);
  open_->setVisible(openTitle.has_value());
  if (openTitle) {
    open_->setText(qs(*openTitle));
    open_->setAccessibleName(qs(*openTitle));
    open_->updateGeometry();
  }
}

void SavedCard::setItem(const StoredItem& s) {
  if (s == s_) return;
  s_ = s;
  fill();
  syncEditing();
}

bool SavedCard::editing() const { return ctx_.notes->editing() == s_.id; }

void SavedCard::buildEditor() {
  if (editorBox_) return;
  editorBox_ = new QWidget(this);
  auto* column = new QVBoxLayout(editorBox_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(8);
  auto* field = new NoteField(editorBox_);
  field->onSubmit = [this] { save(); };
  field->onCancel = [this] { cancel(); };
  field_ = field;
  connect(field_, &QPlainTextEdit::textChanged, this, [this] { draft_ = field_->toPlainText(); });
  column->addWidget(field_);
  column->addSpacing(-3);
  column->addWidget(new Hairline(M::ink, editorBox_));
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(8);
  auto* saveButton = new look::MarginButton("Save", true, editorBox_);
  auto* cancelButton = new look::MarginButton("Cancel", false, editorBox_);
  connect(saveButton, &QAbstractButton::clicked, this, [this] { save(); });
  connect(cancelButton, &QAbstractButton::clicked, this, [this] { cancel(); });
  buttons->addWidget(saveButton);
  buttons->addWidget(cancelButton);
  buttons->addWidget(new Text(panes::kEditorHint, look::systemFont(11), M::ink3, editorBox_));
  buttons->addStretch(1);
  column->addLayout(buttons);
  // Between the your-words block and the source row.
  static_cast<QVBoxLayout*>(layout())->insertWidget(2, editorBox_);
}

void SavedCard::syncEditing() {
  const bool on = editing();
  if (on) {
    buildEditor();
    if (!editorBox_->isVisible() || field_->toPlainText() != draft_) {
      const QSignalBlocker block(field_);
      field_->setPlainText(draft_);
      field_->moveCursor(QTextCursor::End);
    }
    editorBox_->show();
    field_->setFocus(Qt::OtherFocusReason);
  } else if (editorBox_) {
    editorBox_->hide();
  }
  yourWords_->setVisible(!on && panes::hasNote(s_));
  updateHoverRow();
}

void SavedCard::startEdit() {
  draft_ = qs(panes::startEdit(*ctx_.notes, s_));
  // The pane hands the change of `editing` to every card; this one opens with its draft.
  syncEditing();
}

void SavedCard::save() { panes::saveEdit(*ctx_.notes, s_, draft_.toStdString()); }

void SavedCard::cancel() { panes::cancelEdit(*ctx_.notes); }

void SavedCard::setHover(bool hover) {
  if (hover_ == hover) return;
  hover_ = hover;
  updateHoverRow();
}

void SavedCard::updateHoverRow() {
  const bool show = hover_ && !editing();
  if (show == hoverShown_) return;
  hoverShown_ = show;
  hoverAnim_->stop();
  // The buttons come and go with a short fade; they give way to the editor at once, and a card not
  // on screen (or without motion) just shows or drops them.
  if (look::reducedMotion() || !isVisible() || editing()) {
    hoverRow_->setGraphicsEffect(nullptr);
    hoverRow_->setVisible(show);
    return;
  }
  auto* fade = dynamic_cast<QGraphicsOpacityEffect*>(hoverRow_->graphicsEffect());
  const double from = fade ? fade->opacity() : (hoverRow_->isHidden() ? 0.0 : 1.0);
  if (!fade) {
    fade = new QGraphicsOpacityEffect(hoverRow_);
    hoverRow_->setGraphicsEffect(fade);
  }
  fade->setOpacity(from);
  hoverRow_->show();
  hoverAnim_->setStartValue(from);
  hoverAnim_->setEndValue(show ? 1.0 : 0.0);
  hoverAnim_->start();
}

void SavedCard::enterEvent(QEnterEvent*) { setHover(true); }
void SavedCard::leaveEvent(QEvent*) { setHover(false); }

QMenu* SavedCard::makeMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  for (const auto& e : panes::cardMenu(s_)) {
    if (e.action == panes::CardAction::divider) {
      menu->addSeparator();
      continue;
    }
    auto* a = menu->addAction(qs(e.label));
    const auto action = e.action;
    connect(a, &QAction::triggered, this, [this, action] {
      if (action == panes::CardAction::editNote) {
        startEdit();
      } else {
        panes::perform(action, *ctx_.notes, s_, ctx_.undo);
      }
    });
  }
  return menu;
}

void SavedCard::contextMenuEvent(QContextMenuEvent* e) {
  QMenu* menu = makeMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(e->globalPos());
}

void SavedCard::paintEvent(QPaintEvent* e) {
  // The band's colour is baked into the quote's rich text; a new appearance redraws it.
  if (builtFor_ != look::appearance()) {
    builtFor_ = look::appearance();
    quote_->setText(quoteHtml(s_));
  }
  Surface::paintEvent(e);
}

// ---- HeardCard ----

HeardCard::HeardCard(const PaneContext& ctx, const PageHit& p, std::int64_t number, QWidget* parent)
    : Surface({14, std::nullopt, M::line, true}, parent), ctx_(ctx), p_(p) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(20, 16, 20, 16);
  column->setSpacing(10);
  auto* excerptRow = new QHBoxLayout;
  excerptRow->setSpacing(10);
  auto* numberLabel = new Text(QString::number(number), look::systemFont(12, QFont::DemiBold), M::accent, this);
  excerptRow->addWidget(numberLabel, 0, Qt::AlignTop);
  // The excerpt with 4 px between its lines, at most six of them.
  const QFont excerptFont = look::serifFont(16);
  const double spacing = QFontMetricsF(excerptFont).lineSpacing();
  const auto spaced = [&](const QString& body) {
    return QStringLiteral("<div style=\"line-height:%1%\">%2</div>")
        .arg(int(std::lround(100 * (spacing + 4) / spacing)))
        .arg(body);
  };
  QString body = qs(p.excerpt).toHtmlEscaped();
  body.replace('\n', "<br>");
  auto* excerpt = (new Text(spaced(body), excerptFont, M::ink2, this))->wrapping(true);
  excerpt->setTextFormat(Qt::RichText);
  alignFirstBaselines(numberLabel, excerpt);
  QTextDocument sixLines;
  sixLines.setDefaultFont(excerptFont);
  sixLines.setDocumentMargin(0);
  sixLines.setHtml(spaced("x<br>x<br>x<br>x<br>x<br>x"));
  excerpt->setMaximumHeight(int(std::ceil(sixLines.size().height())));
  excerptRow->addWidget(excerpt, 1);
  column->addLayout(excerptRow);

  auto* sourceRow = new QHBoxLayout;
  sourceRow->setSpacing(8);
  QFont tag = look::systemFont(10.5, QFont::Medium);
  tag.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
  sourceRow->addWidget(new Text(panes::kHeardTag, tag, M::ink3, this));
  titleLine_ = new TitleLine(qs(panes::heardTitle(p)), qs(panes::heardSourceLine(p, Date::now(), ctx_.lib->zone)), this);
  sourceRow->addWidget(titleLine_, 1);
  sourceRow->addSpacing(8);
  if (const auto title = panes::openTitle(panes::OpenKind::page, p.url, p.app)) {
    open_ = new SmallButton(qs(*title), "arrow.up.right", this);
    connect(open_, &QAbstractButton::clicked, this, [this] { panes::openHeard(*ctx_.notes, p_); });
    sourceRow->addWidget(open_);
  }
  column->addLayout(sourceRow);
}

}  // namespace orvak::views::library
