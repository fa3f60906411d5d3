// The desktop's light or dark preference from a fake settings portal on the private session bus
// of dbus-run-session: the signal it sends when the user switches, and the reading at start.
#include "app/shell/portal_look.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QThread>
#include <atomic>
#include <optional>
#include <vector>

#include "app/views/app_look.h"
#include "tests/shell/event_wait.h"

namespace {

using orvak::look::Appearance;
using orvak::test::waitFor;

const QString kPortal = "org.freedesktop.portal.Desktop";
const QString kPath = "/org/freedesktop/portal/desktop";
const QString kSettings = "org.freedesktop.portal.Settings";

// Answers Read and ReadOne for the colour scheme with the scheme of the moment.
class FakePortal final : public QDBusVirtualObject {
 public:
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() != kSettings || (message.member() != "Read" && message.member() != "ReadOne")) {
      return false;
    }
    const auto args = message.arguments();
    if (args.value(0).toString() != "org.freedesktop.appearance" || args.value(1).toString() != "color-scheme") {
      connection.send(message.createErrorReply("org.freedesktop.portal.Error.NotFound", "no such setting"));
      return true;
    }
    // Read wraps the value in a second variant, ReadOne does not.
    const QVariant value = QVariant::fromValue(QDBusVariant(scheme.load()));
    connection.send(message.createReply(message.member() == "Read" ? QVariant::fromValue(QDBusVariant(value)) : value));
    return true;
  }
  std::atomic<unsigned> scheme = 0;
};

void settingChanged(QDBusConnection& bus, const QString& ns, const QString& key, const QVariant& value) {
  QDBusMessage signal = QDBusMessage::createSignal(kPath, kSettings, "SettingChanged");
  signal << ns << key << QVariant::fromValue(QDBusVariant(value));
  ASSERT_TRUE(bus.send(signal));
}

class PortalLookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(portalBus.isConnected()) << "run under dbus-run-session";
    // The reading at start is a blocking call: the fake answers from a thread of its own.
    portal.moveToThread(&worker);
    worker.start();
    ASSERT_TRUE(portalBus.registerVirtualObject(kPath, &portal, QDBusConnection::SingleNode));
    ASSERT_TRUE(portalBus.registerService(kPortal));
  }
  void TearDown() override {
    portalBus.unregisterService(kPortal);
    portalBus.unregisterObject(kPath);
    worker.quit();
    worker.wait();
  }

  QDBusConnection portalBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-portal");
  QThread worker;
  FakePortal portal;
};

TEST_F(PortalLookTest, EachColourSchemeTheDesktopSwitchesToIsAnnouncedAndNothingElse) {
  orvak::shell::PortalLook look(QDBusConnection::sessionBus());
  std::vector<Appearance> heard;
  look.onChange = [&](Appearance a) { heard.push_back(a); };

  // The first signal waits to be heard: Qt looks up who owns the portal's name first.
  settingChanged(portalBus, "org.freedesktop.appearance", "color-scheme", 1u);
  ASSERT_TRUE(waitFor([&] { return !heard.empty(); }));
  // Other settings, a wrong type and a sender that is not the portal change nothing.
  settingChanged(portalBus, "org.freedesktop.appearance", "accent-color", 1u);
  settingChanged(portalBus, "org.gnome.desktop.interface", "color-scheme", 2u);
  settingChanged(portalBus, "org.freedesktop.appearance", "color-scheme", QString("prefer-light"));
  QDBusConnection stranger = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "stranger");
  settingChanged(stranger, "org.freedesktop.appearance", "color-scheme", 2u);
  // A round trip after it: the bus has passed the stranger's signal on before the portal's next.
  ASSERT_TRUE(stranger.interface()->isServiceRegistered(kPortal).value());
  settingChanged(portalBus, "org.freedesktop.appearance", "color-scheme", 2u);
  settingChanged(portalBus, "org.freedesktop.appearance", "color-scheme", 0u);
  settingChanged(portalBus, "org.freedesktop.appearance", "color-scheme", 1u);
  ASSERT_TRUE(waitFor([&] { return heard.size() >= 4; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(heard, (std::vector<Appearance>{Appearance::dark, Appearance::light, Appearance::other, Appearance::dark}));
}

TEST_F(PortalLookTest, MatchSystemReadsThePortalAtStartAndFollowsItsSignal) {
  portal.scheme = 1;
  EXPECT_EQ(orvak::look::readDesktopAppearance(), Appearance::dark);
  orvak::views::AppLook::apply("system");
  EXPECT_EQ(orvak::look::appearance(), Appearance::dark);
  EXPECT_LT(QApplication::palette().color(QPalette::Window).lightnessF(), 0.5);

  // Switched to light: the signal carries the new scheme, and the portal reads it too.
  orvak::shell::PortalLook look(QDBusConnection::sessionBus());
  std::optional<Appearance> announced;
  look.onChange = [&](Appearance a) {
    announced = a;
    orvak::views::AppLook::apply("system", [a] { return a; });
  };
  portal.scheme = 2;
  settingChanged(portalBus, "org.freedesktop.appearance", "color-scheme", 2u);
  ASSERT_TRUE(waitFor([&] { return announced.has_value(); }));
  EXPECT_EQ(*announced, Appearance::light);
  EXPECT_EQ(orvak::look::appearance(), Appearance::light);
  EXPECT_GT(QApplication::palette().color(QPalette::Window).lightnessF(), 0.5);
  EXPECT_EQ(orvak::look::readDesktopAppearance(), Appearance::light);
}

TEST(PortalLookWithoutBusTest, WithoutAConnectionNothingIsAnnounced) {
  orvak::shell::PortalLook look(QDBusConnection(QString("nowhere")));
  bool heard = false;
  look.onChange = [&](Appearance) { heard = true; };
  QCoreApplication::processEvents();
  EXPECT_FALSE(heard);
}

}  // namespace
