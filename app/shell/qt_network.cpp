#include "app/shell/qt_network.h"

#include <QCoreApplication>
#include <QNetworkInformation>

#include "core/base/dispatch.h"

namespace orvak::shell {

namespace {
bool online(QNetworkInformation::Reachability r) { return r != QNetworkInformation::Reachability::Disconnected; }
}  // namespace

void QtNetwork::start(std::function<void(bool online)> onChange) {
  if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability) ||
      QNetworkInformation::instance() == nullptr) {
    dispatch::main().async([onChange] { onChange(true); });
    return;
  }
  auto* info = QNetworkInformation::instance();
  QObject::connect(info, &QNetworkInformation::reachabilityChanged, QCoreApplication::instance(),
                   [onChange](QNetworkInformation::Reachability r) { onChange(online(r)); });
  dispatch::main().async([onChange, now = online(info->reachability())] { onChange(now); });
}

}  // namespace orvak::shell
