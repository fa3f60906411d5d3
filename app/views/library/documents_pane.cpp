#include "app/views/library/documents_pane.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include "app/views/look/appearance.h"
#include "app/views/look/painting.h"
#include "app/views/look/pieces.h"
#include "app/views/look/scroll_bars.h"
#include "app/views/look/text_styles.h"

namespace orvak::views::library {

namespace M = look::Margin;

namespace {

// A row of the documents list: title and "day · n sources", filled when it is the open one.
class DocRow : public QAbstractButton {
 public:
  DocRow(QString title, QString line, bool open, QWidget* parent)
      : QAbstractButton(parent), line_(std::move(line)), open_(open) {
    setText(title);
    setAccessibleName(title);
    setCheckable(true);
    setChecked(open);  // read as selected
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  }
  QSize sizeHint() const override { return {270, heightFor(270)}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int w) const override { return heightFor(w); }
  void resizeEvent(QResizeEvent*) override { setFixedHeight(heightFor(width())); }

 protected:
  void nextCheckState() override {}  // a tap opens; the model decides which row is open
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setBrush(open_ ? QBrush(M::card.color()) : Qt::NoBrush);
    p.setPen(QPen(M::line2.color(), 1));
    p.drawRoundedRect(r, 12, 12);
    const QRectF inner = QRectF(rect()).adjusted(12, 12, -12, -12);
    p.setFont(look::serifFont(16.5));
    p.setPen(M::ink.color());
    const QRectF titleRect(inner.left(), inner.top(), inner.width(), titleHeight(width()));
    p.drawText(titleRect, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text());
    p.setFont(look::systemFont(11.5));
    p.setPen(M::ink3.color());
    p.drawText(QRectF(inner.left(), titleRect.bottom() + 3, inner.width(), 16), Qt::AlignLeft | Qt::AlignTop,
               QFontMetricsF(look::systemFont(11.5)).elidedText(line_, Qt::ElideRight, inner.width()));
  }

 private:
  double titleHeight(int w) const {
    const QFontMetricsF m(look::serifFont(16.5));
    const QRectF b = m.boundingRect(QRectF(0, 0, w - 24, 1000), Qt::TextWordWrap, text());
    return std::min(b.height(), 2 * m.lineSpacing());  // at most two lines
  }
  int heightFor(int w) const {
    return int(std::ceil(12 + titleHeight(w) + 3 + QFontMetricsF(look::systemFont(11.5)).height() + 12));
  }
  QString line_;
  bool open_;
};

// A numbered source: the number in the accent colour, then "“quote” — title".
class SourceRow : public QAbstractButton {
 public:
  SourceRow(std::int64_t n, QString label, QWidget* parent) : QAbstractButton(parent), n_(n) {
    setText(label);
    setAccessibleName(label);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int w) const override {
    const QFontMetricsF m(look::systemFont(13.5));
    return int(std::ceil(8 + m.boundingRect(QRectF(0, 0, w - textX(), 1000), Qt::TextWordWrap, text()).height()));
  }
  QSize sizeHint() const override { return {400, heightForWidth(400)}; }
  void resizeEvent(QResizeEvent*) override { setFixedHeight(heightForWidth(width())); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    if (!isEnabled()) p.setOpacity(0.55);
    const QFontMetricsF body(look::systemFont(13.5));
    const double baseline = 8 + body.ascent();
    p.setFont(look::systemFont(11.5, QFont::DemiBold));
    p.setPen(M::accent.color());
    p.drawText(QPointF(0, baseline), QString::number(n_));
    p.setFont(look::systemFont(13.5));
    p.setPen(M::ink2.color());
    p.drawText(QRectF(textX(), 8, width() - textX(), height() - 8), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
               text());
  }

 private:
  double textX() const {
    return QFontMetricsF(look::systemFont(11.5, QFont::DemiBold)).horizontalAdvance(QString::number(n_)) + 8;
  }
  std::int64_t n_;
};

}  // namespace

DocumentsPane::DocumentsPane(const PaneContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(36, 22, 36, 30);
  row->setSpacing(26);
  auto* listColumn = new QWidget(this);
  listColumn->setFixedWidth(270);
  auto* col = new QVBoxLayout(listColumn);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(8);
  col->addWidget(new look::Eyebrow("Library", std::nullopt, true, listColumn), 0, Qt::AlignLeft);
  QFont titleFont = look::serifFont(34);
  titleFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.8);
  col->addWidget(new Text(panes::kDocumentsTitle, titleFont, M::ink, listColumn));
  auto* caption = (new Text(panes::kDocumentsCaption, look::systemFont(12.5), M::ink3, listColumn))->wrapping();
  col->addWidget(caption);
  col->addSpacing(8);
  auto* listScroll = new QScrollArea(listColumn);
  listScroll->setFrameShape(QFrame::NoFrame);
  listScroll->setWidgetResizable(true);
  listScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  look::useThinScrollBars(*listScroll);
  listScroll->viewport()->setAutoFillBackground(false);
  auto* listHolder = new QWidget;
  list_ = new QVBoxLayout(listHolder);
  list_->setContentsMargins(0, 0, 0, 0);
  list_->setSpacing(8);
  list_->setAlignment(Qt::AlignTop);
  listScroll->setWidget(listHolder);
  listHolder->setAutoFillBackground(false);  // the scroll area turned it on; the pane's paper shows through
  col->addWidget(listScroll, 1);
  row->addWidget(listColumn);

  reading_ = new PaneScroll(2000, this);
  // The pane's own padding is the page's; the reading side adds none.
  reading_->column()->setContentsMargins(0, 0, 0, 0);
  row->addWidget(reading_, 1);

  libToken_ = ctx_.lib->addObserver([this](LibraryModel::Member m) {
    if (m == LibraryModel::Member::docs || m == LibraryModel::Member::openDoc) rebuild();
  });
  rebuild();
}

DocumentsPane::~DocumentsPane() { ctx_.lib->removeObserver(libToken_); }

void DocumentsPane::paintEvent(QPaintEvent*) {}

QString DocumentsPane::readingText() const {
  QStringList parts;
  for (const auto& t : texts_) parts << t;
  return parts.join("\n");
}

QAbstractButton* DocumentsPane::button(const QString& title) const {
  for (auto* b : buttons_) {
    if (b->text() == title) return b;
  }
  return nullptr;
}

void DocumentsPane::rebuild() {
  auto& lib = *ctx_.lib;
  PaneScroll::clear(list_);
  rows_.clear();
  for (const auto& d : lib.docs()) {
    auto* r = new DocRow(qs(d.title), qs(panes::docRowLine(d, Date::now(), lib.zone)), lib.openDoc() == d.id,
                         list_->parentWidget());
    const auto id = d.id;
    QObject::connect(r, &QAbstractButton::clicked, r, [this, id] { ctx_.lib->setOpenDoc(id); });
    rows_.push_back(r);
    list_->addWidget(r);
  }

  QVBoxLayout* body = reading_->column();
  PaneScroll::clear(body);
  buttons_.clear();
  sources_.clear();
  paragraphs_.clear();
  texts_.clear();
  QWidget* c = reading_->content();
  const auto doc = panes::openDocument(lib);
  if (!doc) {
    auto* none = new Text(panes::kNoDocuments, look::systemFont(14), M::ink2, c);
    texts_.push_back(none->text());
    body->addSpacing(60);
    body->addWidget(none);
    return;
  }
  auto* card = new Surface({16, M::card, M::line2}, c);
  auto* col = new QVBoxLayout(card);
  col->setContentsMargins(28, 28, 28, 28);
  col->setSpacing(0);
  QFont kickerFont = look::systemFont(11, QFont::Medium);
  kickerFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
  const auto add = [&](Text* t) {
    texts_.push_back(t->text());
    col->addWidget(t);
    return t;
  };
  add((new Text(qs(panes::kicker(*doc)), kickerFont, M::ink3, card))->wrapping());
  col->addSpacing(6);
  QFont titleFont = look::serifFont(30);
  titleFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.6);
  add((new Text(qs(doc->title), titleFont, M::ink, card))->wrapping(true));
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(8);
  const auto smallButton = [&](const char* title, const char* symbol, std::function<void()> act) {
    auto* b = new SmallButton(title, symbol, card);
    QObject::connect(b, &QAbstractButton::clicked, b, std::move(act));
    buttons_.push_back(b);
    buttons->addWidget(b);
  };
  const WrittenDoc d = *doc;
  smallButton("Listen", "play.fill", [this, d] { panes::listenToDocument(*ctx_.lib, d); });
  smallButton("Copy", "", [this, d] { panes::copyDocument(*ctx_.lib, d); });
  smallButton("Export\u2026", "", [this, d] { panes::exportDocument(*ctx_.lib, d); });
  buttons->addStretch(1);
  auto* del = new TextButton("Delete", look::systemFont(12), M::ink3, card);
  QObject::connect(del, &QAbstractButton::clicked, del, [this, d] { panes::deleteDocument(*ctx_.lib, d); });
  buttons_.push_back(del);
  buttons->addWidget(del);
  col->addSpacing(12);
  col->addLayout(buttons);
  col->addSpacing(18);
  for (const auto& p : doc->paragraphs) {
    auto* para = new MarkedText(panes::paragraphSegments(p), look::serifFont(18), 6, card);
    paragraphs_.push_back(para);
    texts_.push_back(qs(panes::markedPlain(panes::paragraphText(p))));
    col->addWidget(para);
    col->addSpacing(14);
  }
  if (!doc->sources.empty()) {
    col->addSpacing(6);
    col->addWidget(new Hairline(M::line2, card));
    col->addSpacing(12);
    add(new Text(panes::kSources, kickerFont, M::ink3, card));
    for (const auto& s : doc->sources) {
      auto* r = new SourceRow(s.n, qs(panes::sourceLabel(s)), card);
      r->setEnabled(panes::sourceEnabled(s));
      if (panes::sourceEnabled(s)) r->setToolTip(panes::kSourceHelp);
      QObject::connect(r, &QAbstractButton::clicked, r, [this, s] { panes::openDocSource(*ctx_.lib, s); });
      sources_.push_back(r);
      col->addWidget(r);
    }
  }
  body->addWidget(card);
}

// ---- LibraryToast ----

namespace {

constexpr double kToastHeight = 44;

QFont toastFont(bool bold) { return look::systemFont(13.5, bold ? QFont::DemiBold : QFont::Medium); }

}  // namespace

LibraryToast::LibraryToast(const PaneContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  undo_ = new TextButton(panes::kUndo, toastFont(true), look::Orbit::action, this);
  QObject::connect(undo_, &QAbstractButton::clicked, undo_, [this] { ctx_.notes->undoToast(); });
  undo_->hide();
  motion_.setDuration(220);
  motion_.setEasingCurve(QEasingCurve::OutCubic);
  QObject::connect(&motion_, &QVariantAnimation::valueChanged, this,
                   [this](const QVariant& v) { setPresence(v.toDouble()); });
  QObject::connect(&motion_, &QVariantAnimation::finished, this, [this] {
    if (presence_ <= 0) hide();
  });
  notesToken_ = ctx_.notes->addObserver([this](NotesModel::Member m) {
    if (m == NotesModel::Member::toast) sync();
  });
  hide();
  sync();
}

LibraryToast::~LibraryToast() { ctx_.notes->removeObserver(notesToken_); }

QSize LibraryToast::sizeHint() const {
  double w = 13 + 14 + 11 + QFontMetricsF(toastFont(false)).horizontalAdvance(text_) + 20;
  if (shown_ && shown_->undo) w += 11 + undo_->sizeHint().width();
  // Room for the shadow around the capsule.
  return {int(std::ceil(w)) + 40, int(kToastHeight) + 40};
}

void LibraryToast::place() {
  if (!parentWidget()) return;
  const QSize s = sizeHint();
  const double drop = 12 * (1 - presence_);
  move((parentWidget()->width() - s.width()) / 2, int(parentWidget()->height() - 24 - kToastHeight - 20 + drop));
  resize(s);
  undo_->move(s.width() - 20 - 20 - undo_->sizeHint().width(),
              int(20 + (kToastHeight - undo_->sizeHint().height()) / 2));
  undo_->resize(undo_->sizeHint());
}

void LibraryToast::setPresence(double p) {
  presence_ = p;
  place();
  update();
}

void LibraryToast::sync() {
  const auto& toast = ctx_.notes->toast();
  if (toast == shown_) return;
  if (toast) {
    const bool fresh = !shown_ || shown_->id != toast->id;
    shown_ = toast;
    text_ = qs(toast->text);
    undo_->setVisible(panes::showsUndo(*toast));
    setAccessibleName(text_);
    show();
    raise();
    if (fresh && !look::reducedMotion()) {
      motion_.stop();
      motion_.setStartValue(0.0);
      motion_.setEndValue(1.0);
      motion_.start();
    } else {
      setPresence(1);
    }
    place();
  } else {
    shown_.reset();
    if (look::reducedMotion() || !isVisible()) {
      presence_ = 0;
      hide();
      return;
    }
    motion_.stop();
    motion_.setStartValue(presence_);
    motion_.setEndValue(0.0);
    motion_.start();
  }
}

void LibraryToast::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setOpacity(presence_);
  const QRectF capsule(20, 20, width() - 40, kToastHeight);
  // The shadow: black at 0.35, spread 16, 12 down, built from soft rings.
  for (int i = 8; i >= 1; --i) {
    const double spread = 16.0 * i / 8;
    QColor c(0, 0, 0);
    c.setAlphaF(0.35 / 8 * (1 - (i - 1) / 8.0));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    const QRectF r = capsule.translated(0, 12).adjusted(-spread / 2, -spread / 2, spread / 2, spread / 2);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
  }
  p.setBrush(look::Orbit::pill.color());
  p.drawRoundedRect(capsule, kToastHeight / 2, kToastHeight / 2);
  const QRectF orb(capsule.left() + 13, capsule.center().y() - 7, 14, 14);
  look::paintOrbBody(p, orb);
  if (pings()) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(look::Orbit::glowTop.color(), 1.5));
    p.setOpacity(presence_ * 0.45);
    p.drawEllipse(orb.center(), 10.5, 10.5);
    p.setOpacity(presence_);
  }
  p.setFont(toastFont(false));
  p.setPen(look::Orbit::ink.color());
  p.drawText(QRectF(orb.right() + 11, capsule.top(), capsule.width(), capsule.height()), Qt::AlignVCenter, text_);
}

}  // namespace orvak::views::library
