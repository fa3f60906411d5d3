#include "app/views/library/search_answer.h"

#include <QHBoxLayout>
#include <QPainter>

#include "app/views/look/controls.h"
#include "app/views/look/pieces.h"
#include "app/views/look/text_styles.h"

namespace orvak::views::library {

namespace M = look::Margin;

namespace {

QString colourText(const QColor& c) { return c.name(QColor::HexRgb); }

// The ask button: the orb, "Ask Orvak: “…”", and the hint "Return", on a card.
class AskRow : public QAbstractButton {
 public:
  explicit AskRow(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(44);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    orb_ = new look::HeroOrb(16, this);
    orb_->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  QSize sizeHint() const override { return {400, 44}; }

 protected:
  void resizeEvent(QResizeEvent*) override { orb_->placeAt(QPointF(16 + 8, height() / 2.0)); }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isDown()) p.setOpacity(0.75);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setBrush(M::card.color());
    p.setPen(QPen(hasFocus() ? M::accent.color() : M::line2.color(), 1));
    p.drawRoundedRect(r, 12, 12);
    const QFont hintFont = look::systemFont(11.5);
    const double hintWidth = QFontMetricsF(hintFont).horizontalAdvance("Return");
    p.setFont(hintFont);
    p.setPen(M::ink3.color());
    p.drawText(QRectF(width() - 16 - hintWidth, 0, hintWidth + 1, height()), Qt::AlignVCenter, "Return");
    const QFont font = look::systemFont(14, QFont::Medium);
    p.setFont(font);
    p.setPen(M::ink.color());
    const double x = 16 + 16 + 10;
    const QString label = QFontMetricsF(font).elidedText(text(), Qt::ElideRight, width() - x - 16 - hintWidth - 10);
    p.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignVCenter, label);
  }

 private:
  look::HeroOrb* orb_;
};

}  // namespace

// ---- MarkedText ----

MarkedText::MarkedText(const std::vector<panes::Segment>& segments, const QFont& font, double lineSpacing,
                       QWidget* parent)
    : QLabel(parent), segments_(segments), lineSpacing_(lineSpacing), builtFor_(look::appearance()) {
  setFont(font);
  setTextFormat(Qt::RichText);
  setWordWrap(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  render();
}

void MarkedText::setSegments(const std::vector<panes::Segment>& segments) {
  segments_ = segments;
  render();
}

void MarkedText::render() {
  QString html;
  for (const auto& s : segments_) {
    QString t = qs(s.text).toHtmlEscaped();
    t.replace('\n', "<br>");
    if (s.mark) {
      html += QStringLiteral(
                  // Qt draws a raised run at two thirds of its size: 16.5 px gives the 11 px of the marks.
                  // The marks are in the system face whatever the text around them is set in.
                  "<span style=\"color:%1; font-family:'%2'; font-size:16.5px; font-weight:600; "
                  "vertical-align:super\">%3</span>")
                  .arg(colourText(M::accent.color()), look::systemFont(11).family().toHtmlEscaped(), t);
    } else {
      html += t;
    }
  }
  const double percent =
      100.0 * (QFontMetricsF(font()).lineSpacing() + lineSpacing_) / QFontMetricsF(font()).lineSpacing();
  setText(QStringLiteral("<div style=\"line-height:%1%; color:%2\">%3</div>")
              .arg(int(percent))
              .arg(colourText(M::ink.color()), html));
}

QSize MarkedText::minimumSizeHint() const { return {80, fontMetrics().height()}; }

void MarkedText::paintEvent(QPaintEvent* e) {
  if (builtFor_ != look::appearance()) {
    builtFor_ = look::appearance();
    render();
  }
  QLabel::paintEvent(e);
}

// ---- SearchResults ----

SearchResults::SearchResults(const PaneContext& ctx, QWidget* parent)
    : PaneScroll(860, parent), ctx_(ctx), pool_(ctx, this) {
  ask_ = new AskRow(content());
  QObject::connect(ask_, &QAbstractButton::clicked, ask_, [this] { panes::submit(*ctx_.lib); });
  column()->addWidget(ask_);
  column()->addSpacing(18);
  count_ = new Text("", look::systemFont(12.5), M::ink3, content());
  column()->addWidget(count_);
  column()->addSpacing(12);
  body_ = new QVBoxLayout;
  body_->setSpacing(0);
  column()->addLayout(body_);
  notesToken_ = ctx_.notes->addObserver([this](NotesModel::Member m) {
    if (m == NotesModel::Member::results || m == NotesModel::Member::query) rebuild();
    if (m == NotesModel::Member::editing) pool_.syncEditing();
  });
  rebuild();
}

SearchResults::~SearchResults() { ctx_.notes->removeObserver(notesToken_); }

void SearchResults::rebuild() {
  const auto& notes = *ctx_.notes;
  ask_->setText(qs(panes::askRowLabel(notes.query())));
  ask_->setAccessibleName(ask_->text());
  ask_->update();
  count_->setText(qs(panes::countLine(notes.results().size(), notes.query())));
  content()->setUpdatesEnabled(false);
  clear(body_);
  pool_.begin();
  for (const auto& s : notes.results()) pool_.add(body_, s, std::nullopt, false);
  pool_.end();
  content()->setUpdatesEnabled(true);
}

// ---- AskResult ----

AskResult::AskResult(const PaneContext& ctx, std::function<void()> focusBar, QWidget* parent)
    : PaneScroll(860, parent), ctx_(ctx), focusBar_(std::move(focusBar)) {
  auto* backRow = new QHBoxLayout;
  back_ = new TextButton("Back", look::systemFont(12.5), M::ink2, content(), "chevron.left");
  QObject::connect(back_, &QAbstractButton::clicked, back_, [this] { panes::back(*ctx_.lib); });
  backRow->addWidget(back_);
  backRow->addStretch(1);
  column()->addLayout(backRow);
  column()->addSpacing(14);
  body_ = new QVBoxLayout;
  body_->setSpacing(0);
  column()->addLayout(body_);
  libToken_ = ctx_.lib->addObserver([this](LibraryModel::Member m) {
    if (m == LibraryModel::Member::ask) rebuild();
    if (m == LibraryModel::Member::writing) updateWriting();
  });
  // The cited cards edit in place like any other: they follow the window's one edit, and after a
  // save (which reloads the notes model) they show the item as stored.
  notesToken_ = ctx_.notes->addObserver([this](NotesModel::Member m) {
    if (m == NotesModel::Member::editing) {
      for (auto* card : savedCards_) card->syncEditing();
    }
    if (m == NotesModel::Member::docs) {
      for (auto* card : savedCards_) {
        if (const auto stored = ctx_.notes->store().item(card->item().id)) card->setItem(*stored);
      }
    }
  });
  rebuild();
}

AskResult::~AskResult() {
  ctx_.lib->removeObserver(libToken_);
  ctx_.notes->removeObserver(notesToken_);
}

QString AskResult::stateText() const {
  QStringList parts;
  for (const auto& t : texts_) parts << t;
  return parts.join("\n");
}

void AskResult::updateWriting() {
  if (!document_) return;
  const bool writing = ctx_.lib->writing();
  document_->setText(qs(panes::documentButton(writing)));
  document_->setEnabled(panes::documentButtonEnabled(writing));
  document_->updateGeometry();
  writingSpinner_->setVisible(writing);
}

void AskResult::rebuild() {
  clear(body_);
  texts_.clear();
  hearIt_ = nullptr;
  document_ = nullptr;
  followUp_ = nullptr;
  writingSpinner_ = nullptr;
  answer_ = nullptr;
  sourceCards_ = 0;
  savedCards_.clear();
  QWidget* c = content();
  const auto text = [&](const std::string& s, const QFont& f, look::DynColor colour) {
    texts_.push_back(qs(s));
    return new Text(qs(s), f, colour, c);
  };
  const auto asked = [&](const std::string& question) {
    QFont eyebrow = look::systemFont(11.5, QFont::Medium);
    eyebrow.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    body_->addWidget(text(panes::kYouAsked, eyebrow, M::ink3));
    body_->addSpacing(6);
    body_->addWidget(
        text("\u201C" + question + "\u201D", look::serifFont(28, QFont::Normal, true), M::ink)->wrapping(true));
    body_->addSpacing(16);
  };
  const auto& ask = ctx_.lib->ask();
  if (const auto* a = std::get_if<LibraryModel::Asking>(&ask)) {
    asked(a->question);
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(new Spinner(c));
    row->addWidget(text(panes::kAsking, look::systemFont(14), M::ink2));
    row->addStretch(1);
    body_->addSpacing(8);
    body_->addLayout(row);
  } else if (const auto* a = std::get_if<LibraryModel::Answer>(&ask)) {
    asked(a->question);
    auto* card = new Surface({16, M::card, M::line2}, c);
    auto* col = new QVBoxLayout(card);
    col->setContentsMargins(22, 22, 22, 22);
    col->setSpacing(10);
    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    header->addWidget(new look::HeroOrb(20, card));
    header->addWidget(new Text("Orvak", look::systemFont(13.5, QFont::DemiBold), M::ink, card));
    header->addStretch(1);
    hearIt_ = new SmallButton("Hear it", "play.fill", card);
    const std::string answerText = a->text;
    QObject::connect(hearIt_, &QAbstractButton::clicked, hearIt_,
                     [this, answerText] { panes::hearIt(*ctx_.notes, answerText); });
    header->addWidget(hearIt_);
    col->addLayout(header);
    answer_ = new MarkedText(panes::marked(a->text), look::serifFont(19), 6, card);
    texts_.push_back(qs(panes::markedPlain(a->text)));
    col->addWidget(answer_);
    body_->addWidget(card);
    if (!a->cited.empty()) {
      QFont eyebrow = look::systemFont(11.5, QFont::Medium);
      eyebrow.setLetterSpacing(QFont::AbsoluteSpacing, 1);
      body_->addSpacing(24);
      body_->addWidget(text(panes::kFromYourLibrary, eyebrow, M::ink3));
      body_->addSpacing(10);
      for (const auto& cited : a->cited) {
        QWidget* sourceCard = nullptr;
        if (cited.item) {
          auto* card = new SavedCard(ctx_, *cited.item, cited.n, false, c);
          savedCards_.push_back(card);
          sourceCard = card;
        } else if (cited.page) {
          sourceCard = new HeardCard(ctx_, *cited.page, cited.n, c);
        }
        if (!sourceCard) continue;
        ++sourceCards_;
        body_->addWidget(sourceCard);
        body_->addSpacing(12);
      }
    }
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    writingSpinner_ = new Spinner(c);
    document_ = new look::MarginButton("", true, c);
    QObject::connect(document_, &QAbstractButton::clicked, document_, [this] { ctx_.lib->makeDocument(); });
    followUp_ = new look::MarginButton("Ask a follow-up", false, c);
    QObject::connect(followUp_, &QAbstractButton::clicked, followUp_,
                     [this] { panes::followUp(*ctx_.lib, focusBar_); });
    buttons->addWidget(document_);
    buttons->addWidget(writingSpinner_);
    buttons->addWidget(followUp_);
    buttons->addStretch(1);
    body_->addSpacing(18);
    body_->addLayout(buttons);
    updateWriting();
  } else if (const auto* f = std::get_if<LibraryModel::Failed>(&ask)) {
    asked(f->question);
    body_->addWidget(text(f->message, look::systemFont(15), M::ink2)->wrapping());
  }
}

}  // namespace orvak::views::library
