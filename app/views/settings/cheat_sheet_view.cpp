#include "app/views/settings/cheat_sheet_view.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "app/settings/cheat_sheet.h"
#include "app/views/look/ink_label.h"
#include "app/views/look/palette.h"
#include "app/views/look/text_styles.h"
#include "app/views/settings/fitted_text.h"

namespace orvak::views::settings {
namespace {

constexpr double kPhraseMinScale = 0.85;

QFont titleFont() {
  QFont f = look::systemFont(10.5, QFont::Medium);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 1);
  return f;
}

}  // namespace

CheatSheetView::CheatSheetView(const QString& key, bool compact, QWidget* parent)
    : QWidget(parent), compact_(compact), outer_(new QVBoxLayout(this)) {
  outer_->setContentsMargins(0, 0, 0, 0);
  build(key);
}

void CheatSheetView::setKey(const QString& key) {
  shown_.clear();
  closing_ = nullptr;
  outer_->removeWidget(body_);
  delete body_;
  build(key);
}

void CheatSheetView::build(const QString& key) {
  body_ = new QWidget(this);
  auto* column = new QVBoxLayout(body_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(compact_ ? 12 : 18);
  outer_->addWidget(body_);
  for (const auto& group : CheatSheet::shown(key.toStdString(), compact_)) {
    Shown s{QString::fromStdString(group.title).toUpper(), {}};
    auto* block = new QVBoxLayout;
    block->setSpacing(8);
    block->addWidget(new look::InkLabel(s.title, titleFont(), look::Margin::ink3, body_));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(9);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(0, 10);
    grid->setColumnMinimumWidth(1, 10);
    int i = 0;
    for (const auto& row : group.rows) {
      auto* cell = new QVBoxLayout;
      cell->setSpacing(1);
      auto* phrase = new FitLine(QString::fromStdString(row.phrase), look::serifFont(14.5, QFont::Normal, true),
                                 look::Margin::ink, kPhraseMinScale, body_);
      auto* meaning =
          new ClampedText(QString::fromStdString(row.meaning), look::systemFont(11.5), look::Margin::ink3, 2, body_);
      cell->addWidget(phrase);
      cell->addWidget(meaning);
      cell->addStretch(1);
      grid->addLayout(cell, i / 2, i % 2, Qt::AlignTop);
      s.rows.emplace_back(phrase, meaning);
      ++i;
    }
    block->addLayout(grid);
    column->addLayout(block);
    shown_.push_back(std::move(s));
  }
  if (compact_) {
    auto* closing = new look::InkLabel(CheatSheet::kCompactClosing, look::systemFont(11.5), look::Margin::ink3, body_);
    column->addWidget(closing);
    closing_ = closing;
  }
}

}  // namespace orvak::views::settings
