#include "app/windows/main_model.h"

#include <vector>

namespace orvak {

void MainModel::setPage(Page page) {
  if (page == page_) return;
  const Page previous = page_;
  page_ = page;
  // A copy: an observer may add or remove observers.
  std::vector<Observer> now;
  for (const auto& [token, observer] : observers_) now.push_back(observer);
  for (const auto& observer : now) observer(previous);
}

std::uint64_t MainModel::addObserver(Observer observer) {
  const std::uint64_t token = next_++;
  observers_.emplace(token, std::move(observer));
  return token;
}

void MainModel::removeObserver(std::uint64_t token) { observers_.erase(token); }

}  // namespace orvak
