#include "app/views/library/notes_unavailable_view.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "app/library/notes_text.h"
#include "app/views/look/palette.h"
#include "app/views/look/text_styles.h"
#include "core/base/paths.h"

namespace orvak::views::library {

namespace {

void setTextColor(QLabel* label, const QColor& color) {
  QPalette pal = label->palette();
  if (pal.color(QPalette::WindowText) == color) return;
  pal.setColor(QPalette::WindowText, color);
  label->setPalette(pal);
}

}  // namespace

NotesUnavailableView::NotesUnavailableView(QWidget* parent)
    : QWidget(parent),
      heading_(new QLabel(QStringLiteral("Notes are unavailable"), this)),
      explanation_(new QLabel(QString::fromStdString(NotesText::unavailable(
                                  OrvakPaths::support(), OrvakPaths::logs(), OrvakPaths::home())),
                              this)) {
  heading_->setFont(look::serifFont(24, QFont::Medium));
  heading_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  explanation_->setFont(look::systemFont(14));
  explanation_->setWordWrap(true);
  explanation_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  explanation_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(48, 48, 48, 48);
  column->setSpacing(10);
  column->addWidget(heading_);
  column->addWidget(explanation_);
  column->addStretch(1);
}

void NotesUnavailableView::paintEvent(QPaintEvent*) {
  // Colours follow the appearance in force each time the view is drawn.
  setTextColor(heading_, look::Margin::ink);
  setTextColor(explanation_, look::Margin::ink2);
  QPainter p(this);
  p.fillRect(rect(), look::Margin::paper.color());
}

}  // namespace orvak::views::library
