// The library's confirmations as modal message boxes over a window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "app/library/panes.h"

namespace orvak::views::library {

class QtConfirmer final : public panes::Confirmer {
 public:
  explicit QtConfirmer(QWidget* parent = nullptr) : parent_(parent) {}
  // A modal box with the question's message and explanation; the confirming button is the
  // default one. Closing the box cancels.
  bool confirm(const panes::Confirmation& question) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace orvak::views::library
