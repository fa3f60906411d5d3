#include "app/views/library/highlights_stream.h"

#include <QHBoxLayout>
#include <algorithm>

#include "app/prefs.h"
#include "app/views/look/text_styles.h"

namespace orvak::views::library {

namespace M = look::Margin;

HighlightsStream::HighlightsStream(const PaneContext& ctx, QWidget* parent)
    : PaneScroll(860, parent), ctx_(ctx), pool_(ctx, this) {
  head_ = new PageHead(panes::kHighlightsTitle, "", content());
  column()->addWidget(head_);
  column()->addSpacing(12);
  auto* chipRow = new QHBoxLayout;
  chipRow->setSpacing(8);
  for (const auto& c : panes::chips(ctx_.lib->filter())) {
    auto* chip = new Chip(qs(c.label), c.on, content());
    const auto filter = c.filter;
    QObject::connect(chip, &QAbstractButton::clicked, chip, [this, filter] { ctx_.lib->setFilter(filter); });
    chips_.push_back(chip);
    chipRow->addWidget(chip);
  }
  chipRow->addStretch(1);
  column()->addLayout(chipRow);
  column()->addSpacing(6);

  empty_ = new QWidget(content());
  {
    auto* col = new QVBoxLayout(empty_);
    col->setContentsMargins(0, 24, 0, 0);
    col->setSpacing(10);
    col->addWidget(new Text(panes::kNothingSaved, look::serifFont(22), M::ink, empty_));
    emptyText_ = (new Text("", look::systemFont(14), M::ink2, empty_))->wrapping();
    emptyText_->setMaximumWidth(480);
    col->addWidget(emptyText_);
  }
  column()->addWidget(empty_);
  body_ = new QVBoxLayout;
  body_->setSpacing(0);
  column()->addLayout(body_);

  libToken_ = ctx_.lib->addObserver([this](LibraryModel::Member m) {
    if (m == LibraryModel::Member::stream || m == LibraryModel::Member::filter) rebuild();
  });
  notesToken_ = ctx_.notes->addObserver([this](NotesModel::Member m) {
    if (m == NotesModel::Member::editing) pool_.syncEditing();
    // The notes model reloads itself after a card's edit or delete without telling the library;
    // the stream follows it so the card shows what was stored.
    if (m == NotesModel::Member::docs) ctx_.lib->reload();
  });
  if (ctx_.prefs) {
    prefsToken_ = ctx_.prefs->addObserver([this](Prefs::Setting s) {
      if (s == Prefs::Setting::hotkeyCode) emptyText_->setText(qs(panes::emptyText(ctx_.keyName())));
    });
  }
  rebuild();
}

HighlightsStream::~HighlightsStream() {
  ctx_.lib->removeObserver(libToken_);
  ctx_.notes->removeObserver(notesToken_);
  if (ctx_.prefs) ctx_.prefs->removeObserver(prefsToken_);
}

QStringList HighlightsStream::headings() const {
  QStringList out;
  for (auto* h : headings_) out << h->text();
  return out;
}

bool HighlightsStream::stillLaid(const std::vector<StoredItem>& shown, Date now) const {
  const auto& zone = ctx_.lib->zone;
  if (!laid_ || laid_->zone.locale != zone.locale || laid_->zone.timeZone != zone.timeZone) return false;
  if (!std::equal(shown.begin(), shown.end(), laid_->rows.begin(), laid_->rows.end(),
                  [](const StoredItem& s, const auto& row) { return s.id == row.first && s.item.ts == row.second; })) {
    return false;
  }
  // A day label depends on the calendar day of now, not on the hour.
  return dates::calendarDaysBetween(laid_->now, now, zone) == 0;
}

void HighlightsStream::rebuild() {
  const auto& lib = *ctx_.lib;
  head_->setSub(qs(panes::summary(lib.stream())));
  const auto chips = panes::chips(lib.filter());
  for (std::size_t i = 0; i < chips.size() && i < chips_.size(); ++i) chips_[i]->setOn(chips[i].on);
  empty_->setVisible(lib.stream().empty());
  emptyText_->setText(qs(panes::emptyText(ctx_.keyName())));

  // Taken before the groups are made: should midnight pass in between, the next reload sees a
  // different day and lays the column out again.
  const Date now = Date::now();
  const auto shown = lib.shown();
  if (stillLaid(shown, now) && pool_.update(shown)) return;

  Laid laid{{}, now, lib.zone};
  laid.rows.reserve(shown.size());
  for (const auto& s : shown) laid.rows.emplace_back(s.id, s.item.ts);
  laid_ = std::move(laid);

  content()->setUpdatesEnabled(false);
  clear(body_);
  headings_.clear();
  pool_.begin();
  QFont headingFont = look::systemFont(11.5, QFont::Medium);
  headingFont.setLetterSpacing(QFont::AbsoluteSpacing, 1);
  for (const auto& group : lib.days()) {
    auto* heading = new Text(qs(panes::dayHeading(group.label)), headingFont, M::ink3, content());
    headings_.push_back(heading);
    body_->addSpacing(22);
    body_->addWidget(heading);
    body_->addSpacing(10);
    for (const auto& s : group.items) pool_.add(body_, s, std::nullopt, true);
  }
  pool_.end();
  content()->setUpdatesEnabled(true);
}

}  // namespace orvak::views::library
