// Ties the life of something a widget uses to the widget: `release` runs when the widget's
// children are deleted, after every child made before this call (children go in the order they
// were made), so children that still use it in their destructors find it there.
#pragma once

#include <QObject>
#include <functional>

namespace orvak::views::settings {

inline void releaseWithChildren(QObject* owner, std::function<void()> release) {
  class Release final : public QObject {
   public:
    Release(QObject* parent, std::function<void()> r) : QObject(parent), r_(std::move(r)) {}
    ~Release() override {
      if (r_) r_();
    }

   private:
    std::function<void()> r_;
  };
  new Release(owner, std::move(release));
}

}  // namespace orvak::views::settings
