#include "app/views/look/scroll_bars.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

#include "app/views/look/palette.h"

namespace orvak::look {

void useThinScrollBars(QAbstractScrollArea& area) {
  const QString handle = Margin::ink3.color().name(QColor::HexArgb);
  const QString sheet = QString(
                            "QScrollBar:vertical { width: 6px; background: transparent; margin: 0; }"
                            "QScrollBar:horizontal { height: 6px; background: transparent; margin: 0; }"
                            "QScrollBar::handle { background: %1; border-radius: 3px; }"
                            "QScrollBar::handle:vertical { min-height: 24px; }"
                            "QScrollBar::handle:horizontal { min-width: 24px; }"
                            "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
                            "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
                            .arg(handle);
  // On the bars themselves, so the area's own style sheet (its background) stays the caller's.
  area.verticalScrollBar()->setStyleSheet(sheet);
  area.horizontalScrollBar()->setStyleSheet(sheet);
}

}  // namespace orvak::look
