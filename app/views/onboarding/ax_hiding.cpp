#include "app/views/onboarding/ax_hiding.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace orvak::views::onboarding {

namespace {

constexpr const char* kHideable = "orvakAxHideable";
constexpr const char* kHidden = "orvakAxHidden";

// Asks the widget on every question, so a change of the mark needs no new interface.
class HideableAccessible : public QAccessibleWidget {
 public:
  explicit HideableAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Grouping) {}
  int childCount() const override { return hidden() ? 0 : QAccessibleWidget::childCount(); }
  QAccessibleInterface* child(int index) const override { return hidden() ? nullptr : QAccessibleWidget::child(index); }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return hidden() ? -1 : QAccessibleWidget::indexOfChild(child);
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    return hidden() ? nullptr : QAccessibleWidget::childAt(x, y);
  }
  QString text(QAccessible::Text t) const override { return hidden() ? QString() : QAccessibleWidget::text(t); }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (hidden()) s.invisible = true;
    return s;
  }

 private:
  bool hidden() const { return widget()->property(kHidden).toBool(); }
};

QAccessibleInterface* factory(const QString&, QObject* object) {
  if (!object || !object->isWidgetType() || !object->property(kHideable).toBool()) return nullptr;
  return new HideableAccessible(static_cast<QWidget*>(object));
}

}  // namespace

void makeAccessibilityHideable(QWidget* container, bool hidden) {
  static const bool installed = [] {
    QAccessible::installFactory(factory);
    return true;
  }();
  (void)installed;
  container->setProperty(kHideable, true);
  container->setProperty(kHidden, hidden);
}

void setHiddenFromAccessibility(QWidget* container, bool hidden) {
  if (container->property(kHidden).toBool() == hidden) return;
  container->setProperty(kHidden, hidden);
  QAccessibleEvent event(container, QAccessible::ObjectReorder);
  QAccessible::updateAccessibility(&event);
}

bool isHiddenFromAccessibility(const QWidget* container) { return container->property(kHidden).toBool(); }

}  // namespace orvak::views::onboarding
