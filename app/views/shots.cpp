#include "app/views/shots.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "app/views/feedback/feedback_shots.h"
#include "app/views/highlight/overlay_shots.h"
#include "app/views/hotkey/hotkey_shots.h"
#include "app/views/onboarding/onboarding_shots.h"
#include "app/views/look/app_icon.h"
#include "app/views/library/library_shots.h"
#include "app/views/library/notes_unavailable_view.h"
#include "app/views/look/look_sheet.h"
#include "app/views/main/main_shots.h"
#include "app/views/menu/menu_shots.h"
#include "app/views/pill/pill_shots.h"
#include "app/views/settings/settings_shots.h"

namespace orvak::views {

QImage renderWidget(QWidget& widget, double scale) {
  widget.ensurePolished();
  if (!widget.testAttribute(Qt::WA_Resized)) {
    widget.resize(widget.sizeHint());
  }
  // Lay out children as a shown window would.
  widget.setAttribute(Qt::WA_DontShowOnScreen);
  widget.show();
  QImage img((QSizeF(widget.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
  img.setDevicePixelRatio(scale);
  img.fill(Qt::transparent);
  widget.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
  return img;
}

QImage renderTall(QWidget& widget, int width, double scale) {
  widget.ensurePolished();
  widget.setAttribute(Qt::WA_DontShowOnScreen);
  widget.show();
  const int height = widget.hasHeightForWidth() ? widget.heightForWidth(width) : widget.sizeHint().height();
  widget.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  widget.resize(width, std::max(1, height));
  // The layouts the new width asked for settle as a turn of the event loop settles them (a
  // scroll area learns only then how far its content reaches, and shows its bar).
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  QImage img((QSizeF(widget.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
  img.setDevicePixelRatio(scale);
  img.fill(Qt::transparent);
  widget.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
  return img;
}

std::span<const Shot> shots() {
  static const std::vector<Shot> table = [] {
    std::vector<Shot> rows{
      {"look", "the palettes and every shared piece",
       [](double scale) {
         look::LookSheet sheet;
         return renderWidget(sheet, scale);
       }},
      {"app-icon", "the application icon, 512 x 512",
       [](double scale) {
         return scale == 1.0 ? look::AppIcon::image() : look::AppIcon::render(int(512 * scale));
       }},
      {"notes-unavailable", "the library when its database could not be opened",
       [](double scale) {
         library::NotesUnavailableView view;
         view.resize(720, 320);
         return renderWidget(view, scale);
       }},
    };
    for (const auto& p : views::pill::pillShots()) {
      rows.push_back({"pill-" + p.name, "the pill: " + p.summary,
                      [name = p.name](double scale) { return views::pill::renderPillShot(name, scale); }});
    }
    rows.push_back(hotkey::hotkeyPickerShot());
    rows.push_back(onboarding::onboardingShot());
    for (auto& shot : highlight::overlayShots()) {
      rows.push_back(std::move(shot));
    }
    for (auto& shot : menu::menuShots()) {
      rows.push_back(std::move(shot));
    }
    for (auto& shot : main::mainShots()) {
      rows.push_back(std::move(shot));
    }
    for (auto& shot : settings::settingsShots()) {
      rows.push_back(std::move(shot));
    }
    for (auto& shot : library::libraryShots()) {
      rows.push_back(std::move(shot));
    }
    for (auto& shot : feedback::feedbackShots()) {
      rows.push_back(std::move(shot));
    }
    return rows;
  }();
  return table;
}

std::optional<std::string> ShotOptions::value(const std::string& name) const {
  const auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

const Shot* findShot(const std::string& name) {
  for (const auto& s : shots()) {
    if (s.name == name) {
      return &s;
    }
  }
  return nullptr;
}

}  // namespace orvak::views
