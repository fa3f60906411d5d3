#include "app/views/library/pages_listened.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>

#include "app/library/notes_text.h"
#include "app/prefs.h"
#include "app/views/look/controls.h"
#include "app/views/look/pieces.h"
#include "app/views/look/symbols.h"
#include "app/views/look/text_styles.h"

namespace orvak::views::library {

namespace M = look::Margin;

namespace {

// A page of the list: its title over "source · counts · ago", the whole of it one button.
class PageCardButton : public QAbstractButton {
 public:
  PageCardButton(QString title, QString line, QWidget* parent) : QAbstractButton(parent), line_(std::move(line)) {
    setText(title);
    setAccessibleName(title);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumWidth(120);
  }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int w) const override { return int(std::ceil(titleHeight(w) + 4 + lineHeight())); }
  QSize sizeHint() const override { return {400, heightForWidth(400)}; }
  void resizeEvent(QResizeEvent*) override { setFixedHeight(heightForWidth(width())); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    if (isDown()) p.setOpacity(0.7);
    const double th = titleHeight(width());
    p.setFont(look::serifFont(19));
    p.setPen(M::ink.color());
    p.drawText(QRectF(0, 0, width(), th), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text());
    const QFont lf = look::systemFont(12.5);
    p.setFont(lf);
    p.setPen(M::ink3.color());
    p.drawText(QRectF(0, th + 4, width(), lineHeight()), Qt::AlignLeft | Qt::AlignTop,
               QFontMetricsF(lf).elidedText(line_, Qt::ElideRight, width()));
  }

 private:
  double titleHeight(int w) const {
    const QFontMetricsF m(look::serifFont(19));
    return std::min(m.boundingRect(QRectF(0, 0, w, 1000), Qt::TextWordWrap, text()).height(), 2 * m.lineSpacing());
  }
  double lineHeight() const { return QFontMetricsF(look::systemFont(12.5)).height(); }
  QString line_;
};

// The listening bar: a 200 x 5 track with the heard part filled, at least 5 wide.
class ProgressBar : public QWidget {
 public:
  ProgressBar(double fill, QString spoken, QWidget* parent) : QWidget(parent), fill_(fill) {
    setFixedSize(200, 5);
    setAccessibleName(spoken);
  }
  double fill() const { return fill_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(M::line2.color());
    p.drawRoundedRect(QRectF(0, 0, 200, 5), 2.5, 2.5);
    p.setBrush(M::marker.color());
    p.drawRoundedRect(QRectF(0, 0, fill_, 5), 2.5, 2.5);
  }

 private:
  double fill_;
};

// A history row: a hairline under it and a context menu.
class HistoryRow : public QWidget {
 public:
  explicit HistoryRow(QWidget* parent) : QWidget(parent) {}
  std::function<QMenu*(QWidget*)> menu;

 protected:
  void contextMenuEvent(QContextMenuEvent* e) override {
    if (!menu) return;
    QMenu* m = menu(this);
    m->setAttribute(Qt::WA_DeleteOnClose);
    m->popup(e->globalPos());
  }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(QRectF(0, height() - 1, width(), 1), M::line2.color());
  }
};

// The clock symbol of the banner.
class Symbol : public QWidget {
 public:
  Symbol(QString name, look::DynColor colour, QWidget* parent)
      : QWidget(parent), name_(std::move(name)), colour_(colour) {
    setFixedSize(16, 16);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    look::paintSymbol(p, name_, QRectF(0, 0, 16, 16), colour_.color());
  }

 private:
  QString name_;
  look::DynColor colour_;
};

// The keep picker in the pane's colours, which it follows when the appearance changes (the
// desktop's own palette would draw a light box on the dark paper).
class KeepPicker : public QComboBox {
 public:
  explicit KeepPicker(QWidget* parent) : QComboBox(parent) { follow(); }

 protected:
  void paintEvent(QPaintEvent* e) override {
    follow();
    QComboBox::paintEvent(e);
  }

 private:
  void follow() {
    const QColor card = M::card.color(), ink = M::ink.color();
    if (palette().color(QPalette::Button) == card && palette().color(QPalette::ButtonText) == ink) return;
    QPalette pal = palette();
    for (const auto role : {QPalette::Button, QPalette::Base, QPalette::Window}) pal.setColor(role, card);
    for (const auto role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText}) pal.setColor(role, ink);
    setPalette(pal);
  }
};

QAbstractButton* findButton(const std::vector<std::pair<QAbstractButton*, int>>& buttons, const QString& title,
                            int row) {
  for (const auto& [b, r] : buttons) {
    if (b->text() == title && (row < 0 || r == row)) return b;
  }
  return nullptr;
}

}  // namespace

// ---- PagesList ----

PagesList::PagesList(const PaneContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  auto* l = new QVBoxLayout(this);
  l->setContentsMargins(0, 0, 0, 0);
  scroll_ = new PaneScroll(900, this);
  pool_ = std::make_unique<CardPool>(ctx_, scroll_);
  l->addWidget(scroll_);
  libToken_ = ctx_.lib->addObserver([this](LibraryModel::Member m) {
    if (m == LibraryModel::Member::openPage) rebuild();
  });
  notesToken_ = ctx_.notes->addObserver([this](NotesModel::Member m) {
    if (m == NotesModel::Member::docs || m == NotesModel::Member::items || m == NotesModel::Member::selected) rebuild();
    if (m == NotesModel::Member::editing) pool_->syncEditing();
  });
  rebuild();
}

PagesList::~PagesList() {
  ctx_.lib->removeObserver(libToken_);
  ctx_.notes->removeObserver(notesToken_);
}

QAbstractButton* PagesList::button(const QString& title, int row) const { return findButton(buttons_, title, row); }

QString PagesList::text() const {
  QStringList parts;
  for (const auto& t : texts_) parts << t;
  return parts.join("\n");
}

void PagesList::rebuild() {
  auto detail = panes::detailPage(*ctx_.lib);
  // The notes model selects the first page when the selected one is gone; the detail of another
  // page would open in its place, so a page that vanished closes the detail instead.
  if (detail && shownKey_ && *shownKey_ != detail->key) {
    const auto& docs = ctx_.notes->docs();
    const bool gone =
        std::none_of(docs.begin(), docs.end(), [&](const DocumentSummary& d) { return d.key == *shownKey_; });
    if (gone) {
      shownKey_.reset();
      ctx_.lib->setOpenPage(false);  // which rebuilds the list
      return;
    }
  }
  if (!ctx_.lib->openPage()) {
    shownKey_.reset();
  } else if (detail) {
    shownKey_ = detail->key;
  }
  scroll_->content()->setUpdatesEnabled(false);
  PaneScroll::clear(scroll_->column());
  pageCards_.clear();
  buttons_.clear();
  texts_.clear();
  detailShown_ = detail.has_value();
  scroll_->column()->setSpacing(detail ? 0 : 10);
  if (detail) {
    buildDetail(*detail);
  } else {
    pool_->begin();
    pool_->end();
    buildList();
  }
  scroll_->content()->setUpdatesEnabled(true);
}

void PagesList::buildList() {
  QWidget* c = scroll_->content();
  QVBoxLayout* col = scroll_->column();
  scroll_->setMaxWidth(900);
  auto* head = new PageHead(panes::kPagesTitle, panes::kPagesSub, c);
  col->addWidget(head);
  col->addSpacing(8);
  const auto& docs = ctx_.notes->docs();
  if (docs.empty()) {
    auto* none = new Text(panes::kNothingSaved, look::systemFont(14), M::ink2, c);
    texts_.push_back(none->text());
    col->addWidget(none);
    return;
  }
  int row = 0;
  for (const auto& d : docs) {
    auto* card = new Surface({14, M::card, M::line2}, c);
    auto* r = new QHBoxLayout(card);
    r->setContentsMargins(20, 16, 20, 16);
    r->setSpacing(14);
    auto* open =
        new PageCardButton(qs(panes::pageTitle(d)), qs(panes::pageCardLine(d, Date::now(), ctx_.lib->zone)), card);
    texts_.push_back(open->text());
    QObject::connect(open, &QAbstractButton::clicked, open, [this, d] { panes::openPageDetail(*ctx_.lib, d); });
    pageCards_.push_back(open);
    r->addWidget(open, 1);
    auto* listen = new SmallButton("Listen to my highlights", "play.fill", card);
    QObject::connect(listen, &QAbstractButton::clicked, listen, [this, d] { panes::listenToPage(*ctx_.notes, d); });
    buttons_.push_back({listen, row});
    r->addWidget(listen);
    if (const auto title = panes::openTitle(panes::OpenKind::page, d.url, d.app)) {
      auto* b = new SmallButton(qs(*title), "arrow.up.right", card);
      QObject::connect(b, &QAbstractButton::clicked, b, [this, d] { panes::openPageSource(*ctx_.notes, d); });
      buttons_.push_back({b, row});
      r->addWidget(b);
    }
    col->addWidget(card);
    ++row;
  }
  auto* exportAll = new look::MarginButton("Export All\u2026", false, c);
  QObject::connect(exportAll, &QAbstractButton::clicked, exportAll,
                   [this] { ctx_.notes->exportMarkdown(std::nullopt); });
  buttons_.push_back({exportAll, -1});
  col->addSpacing(10);
  col->addWidget(exportAll, 0, Qt::AlignLeft);
}

void PagesList::buildDetail(const DocumentSummary& d) {
  QWidget* c = scroll_->content();
  QVBoxLayout* col = scroll_->column();
  scroll_->setMaxWidth(860);
  auto* backRow = new QHBoxLayout;
  auto* back = new TextButton(panes::kPagesTitle, look::systemFont(12.5), M::ink2, c, "chevron.left");
  QObject::connect(back, &QAbstractButton::clicked, back, [this] { ctx_.lib->setOpenPage(false); });
  buttons_.push_back({back, -1});
  backRow->addWidget(back);
  backRow->addStretch(1);
  col->addLayout(backRow);
  col->addSpacing(14);
  col->addWidget(new look::Eyebrow(qs(NotesText::source(d.url, d.app)), std::nullopt, true, c), 0, Qt::AlignLeft);
  col->addSpacing(6);
  QFont titleFont = look::serifFont(32);
  titleFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.6);
  auto* title = (new Text(qs(panes::pageTitle(d)), titleFont, M::ink, c))->wrapping(true);
  texts_.push_back(title->text());
  col->addWidget(title);
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  auto* counts = new Text(qs(NotesText::counts(d)), look::systemFont(12.5), M::ink2, c);
  texts_.push_back(counts->text());
  row->addWidget(counts);
  row->addStretch(1);
  auto* listen = new SmallButton("Listen", "play.fill", c);
  QObject::connect(listen, &QAbstractButton::clicked, listen, [this, d] { ctx_.notes->listen(d); });
  buttons_.push_back({listen, -1});
  row->addWidget(listen);
  if (const auto t = panes::openTitle(panes::OpenKind::page, d.url, d.app)) {
    auto* b = new SmallButton(qs(*t), "arrow.up.right", c);
    QObject::connect(b, &QAbstractButton::clicked, b, [this, d] { panes::openPageSource(*ctx_.notes, d); });
    buttons_.push_back({b, -1});
    row->addWidget(b);
  }
  auto* exportOne = new SmallButton("Export\u2026", "", c);
  QObject::connect(exportOne, &QAbstractButton::clicked, exportOne, [this, d] { ctx_.notes->exportMarkdown(d); });
  buttons_.push_back({exportOne, -1});
  row->addWidget(exportOne);
  col->addSpacing(10);
  col->addLayout(row);
  col->addSpacing(18);
  pool_->begin();
  for (const auto& s : ctx_.notes->items()) pool_->add(col, s, std::nullopt, false);
  pool_->end();
}

// ---- ListenedList ----

ListenedList::ListenedList(const PaneContext& ctx, QWidget* parent) : PaneScroll(900, parent), ctx_(ctx) {
  QWidget* c = content();
  head_ = new PageHead(panes::kListenedTitle, "", c);
  column()->addWidget(head_);
  column()->addSpacing(12);

  auto* historyCard = new Surface({12, M::card, M::line2}, c);
  {
    auto* r = new QHBoxLayout(historyCard);
    r->setContentsMargins(14, 14, 14, 14);
    r->setSpacing(14);
    r->addWidget((new Text(panes::kRememberCaption, look::systemFont(13.5), M::ink2, historyCard))->wrapping(), 1);
    switch_ = new look::OrbitSwitch(historyCard);
    switch_->setAccessibleName(panes::kRememberLabel);
    switch_->setToolTip(panes::kRememberLabel);
    r->addWidget(switch_, 0, Qt::AlignVCenter);
    QObject::connect(switch_, &QAbstractButton::toggled, switch_, [this](bool on) {
      if (ctx_.prefs && ctx_.prefs->rememberListening() != on) ctx_.prefs->setRememberListening(on);
    });
  }
  column()->addWidget(historyCard);
  column()->addSpacing(10);

  auto* keepRow = new QHBoxLayout;
  keepRow->setSpacing(10);
  keepRow->addWidget(new Text(panes::kKeepLabel, look::systemFont(13), M::ink2, c));
  keep_ = new KeepPicker(c);
  keep_->setAccessibleName(panes::kKeepAccessibleName);
  keep_->setFont(look::systemFont(13));
  for (const auto& choice : panes::keepChoices()) keep_->addItem(qs(choice.label), qlonglong(choice.days));
  keep_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  QObject::connect(keep_, &QComboBox::activated, keep_, [this](int index) {
    const auto days = keep_->itemData(index).toLongLong();
    if (ctx_.prefs && ctx_.prefs->historyKeepDays() != days) ctx_.prefs->setHistoryKeepDays(days);
  });
  keepRow->addWidget(keep_);
  keepRow->addStretch(1);
  column()->addLayout(keepRow);
  column()->addSpacing(6);
  column()->addWidget((new Text(panes::kKeepNote, look::systemFont(12), M::ink3, c))->wrapping());
  column()->addSpacing(10);
  bannerBox_ = new QVBoxLayout;
  column()->addLayout(bannerBox_);
  body_ = new QVBoxLayout;
  body_->setSpacing(0);
  column()->addLayout(body_);

  libToken_ = ctx_.lib->addObserver([this](LibraryModel::Member m) {
    if (m == LibraryModel::Member::listened || m == LibraryModel::Member::pending ||
        m == LibraryModel::Member::pendingDismissed) {
      rebuild();
    }
  });
  if (ctx_.prefs) {
    prefsToken_ = ctx_.prefs->addObserver([this](Prefs::Setting s) {
      if (s == Prefs::Setting::rememberListening || s == Prefs::Setting::historyKeepDays ||
          s == Prefs::Setting::hotkeyCode) {
        rebuild();
      }
    });
  }
  rebuild();
}

ListenedList::~ListenedList() {
  ctx_.lib->removeObserver(libToken_);
  if (ctx_.prefs) ctx_.prefs->removeObserver(prefsToken_);
}

QAbstractButton* ListenedList::button(const QString& title, int row) const { return findButton(buttons_, title, row); }

QString ListenedList::text() const {
  QStringList parts;
  for (const auto& t : texts_) parts << t;
  return parts.join("\n");
}

QMenu* ListenedList::rowMenu(int row, QWidget* parent) {
  auto* menu = new QMenu(parent);
  const ListenedItem item = rowItems_.at(std::size_t(row));
  auto* a = menu->addAction(panes::kRemoveFromHistory);
  QObject::connect(a, &QAction::triggered, menu, [this, item] { panes::removeFromHistory(*ctx_.lib, item); });
  return menu;
}

void ListenedList::buildBanner() {
  PaneScroll::clear(bannerBox_);
  banner_ = nullptr;
  if (!panes::showsBanner(*ctx_.lib)) return;
  banner_ = new Surface({12, M::marker, M::marker, false, 0.14, 0.45}, content());
  auto* r = new QHBoxLayout(banner_);
  r->setContentsMargins(14, 14, 14, 14);
  r->setSpacing(12);
  r->addWidget(new Symbol("clock.arrow.circlepath", M::accent, banner_));
  auto* sentence =
      (new Text(qs(panes::bannerText(*ctx_.lib->pending(), ctx_.lib->zone)), look::systemFont(13.5), M::ink, banner_))
          ->wrapping();
  texts_.push_back(sentence->text());
  r->addWidget(sentence, 1);
  auto* keepThem = new look::MarginButton(panes::kKeepThem, true, banner_);
  QObject::connect(keepThem, &QAbstractButton::clicked, keepThem, [this] { panes::keepThem(*ctx_.lib); });
  auto* keepAll = new look::MarginButton(panes::kKeepEverything, false, banner_);
  QObject::connect(keepAll, &QAbstractButton::clicked, keepAll, [this] {
    if (ctx_.prefs) panes::keepEverything(*ctx_.lib, *ctx_.prefs);
  });
  auto* letGo = new TextButton(panes::kLetThemGo, look::systemFont(12.5), M::ink2, banner_);
  QObject::connect(letGo, &QAbstractButton::clicked, letGo, [this] { panes::letThemGo(*ctx_.lib); });
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{keepThem, keepAll, letGo}) {
    buttons_.push_back({b, -1});
    r->addWidget(b);
  }
  bannerBox_->addWidget(banner_);
  bannerBox_->addSpacing(12);
}

void ListenedList::rebuild() {
  content()->setUpdatesEnabled(false);
  buttons_.clear();
  texts_.clear();
  const auto& lib = *ctx_.lib;
  const bool remembering = ctx_.prefs ? ctx_.prefs->rememberListening() : true;
  head_->setSub(qs(panes::listenedSub(lib.listened().size())));
  // Not silenced: the switch moves its knob on its own toggle, and writing the same value back
  // to the settings is skipped there.
  switch_->setChecked(remembering);
  const std::int64_t keepDays = ctx_.prefs ? ctx_.prefs->historyKeepDays() : 90;
  const int index = keep_->findData(qlonglong(keepDays));
  keep_->setCurrentIndex(index >= 0 ? index : 0);
  buildBanner();

  clear(body_);
  rowItems_ = lib.listened();
  QWidget* c = content();
  if (rowItems_.empty()) {
    auto* none = new Text(qs(panes::listenedEmpty(remembering)), look::systemFont(14), M::ink2, c);
    none->setContentsMargins(0, 14, 0, 0);
    texts_.push_back(none->text());
    body_->addWidget(none);
  }
  const std::string key = ctx_.keyName();
  for (std::size_t i = 0; i < rowItems_.size(); ++i) {
    const ListenedItem item = rowItems_[i];
    auto* row = new HistoryRow(c);
    const int rowIndex = int(i);
    row->menu = [this, rowIndex](QWidget* parent) { return rowMenu(rowIndex, parent); };
    auto* r = new QHBoxLayout(row);
    r->setContentsMargins(0, 14, 0, 14);
    r->setSpacing(18);
    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    auto* title = (new Text(qs(panes::listenedTitle(item)), look::serifFont(18.5), M::ink, row))->wrapping();
    title->setMaximumHeight(int(std::ceil(title->fontMetrics().lineSpacing() * 2)) + 2);
    left->addWidget(title);
    auto* line = new Text(qs(panes::listenedLine(item, Date::now(), lib.zone)), look::systemFont(12.5), M::ink3, row);
    left->addWidget(line);
    auto* progress = new QHBoxLayout;
    progress->setSpacing(10);
    progress->setContentsMargins(0, 4, 0, 0);
    progress->addWidget(
        new ProgressBar(panes::progressWidth(item.progress), qs(panes::progressAccessibleName(item)), row));
    auto* stop = (new Text(qs(panes::stopLine(item)), look::systemFont(12), M::ink3, row))->elided();
    progress->addWidget(stop, 1);
    left->addLayout(progress);
    texts_.push_back(title->text() + "\n" + line->text() + "\n" + qs(panes::stopLine(item)));
    r->addLayout(left, 1);
    if (panes::showsAskAboutIt(ctx_.notes->store(), item)) {
      auto* ask = new TextButton(panes::kAskAboutIt, look::systemFont(12.5, QFont::Medium), M::accent, row);
      QObject::connect(ask, &QAbstractButton::clicked, ask, [this, item] { panes::askAboutIt(*ctx_.lib, item); });
      buttons_.push_back({ask, rowIndex});
      r->addWidget(ask);
    }
    if (const auto title = panes::rowOpenTitle(item)) {
      auto* open = new SmallButton(qs(*title), "arrow.up.right", row);
      QObject::connect(open, &QAbstractButton::clicked, open,
                       [this, item, key] { panes::openRow(*ctx_.lib, item, key); });
      buttons_.push_back({open, rowIndex});
      r->addWidget(open);
    }
    body_->addWidget(row);
  }
  if (!rowItems_.empty()) {
    auto* clearButton = new look::MarginButton(panes::kClearHistory, false, c);
    QObject::connect(clearButton, &QAbstractButton::clicked, clearButton, [this] {
      if (ctx_.confirmer) panes::confirmClear(*ctx_.lib, *ctx_.confirmer);
    });
    buttons_.push_back({clearButton, -1});
    body_->addSpacing(18);
    body_->addWidget(clearButton, 0, Qt::AlignLeft);
  }
  content()->setUpdatesEnabled(true);
}

}  // namespace orvak::views::library
