// Leaving parts of a window out of what it offers to accessibility: a container marked hideable
// reports no children and no text while it is marked hidden, so screen readers and Orvak's own
// capture of the window pass it by. The first-run window reads itself on its try-it step and
// wants only its sample page found.
#pragma once

class QWidget;

namespace orvak::views::onboarding {

// Marks `container` as one whose contents may be left out; installs the accessibility factory
// that does it (once per process).
void makeAccessibilityHideable(QWidget* container, bool hidden);
// Leaves the contents out (true) or lets them be found again. The container must be hideable.
void setHiddenFromAccessibility(QWidget* container, bool hidden);
bool isHiddenFromAccessibility(const QWidget* container);

}  // namespace orvak::views::onboarding
