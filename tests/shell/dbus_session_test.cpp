// Session events from a fake logind and a fake screen saver on a private session bus (the test
// runs under dbus-run-session).
#include "app/shell/dbus_session.h"

#include "tests/shell/event_wait.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QThread>

#include <atomic>
#include <string>
#include <vector>

namespace {

using orvak::platform::SessionEvent;
using orvak::test::waitFor;

const QString kSessionPath = "/org/freedesktop/login1/session/_31";

// Answers GetSessionByPID with one session and remembers the pid asked about.
class FakeLogind final : public QDBusVirtualObject {
 public:
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != "GetSessionByPID") return false;
    askedPid = message.arguments().value(0).toUInt();
    connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(kSessionPath))));
    return true;
  }
  std::atomic<std::uint32_t> askedPid = 0;
};

void emitSignal(QDBusConnection& bus, const QString& path, const QString& interface, const QString& name,
                const QVariantList& args) {
  QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
  signal.setArguments(args);
  ASSERT_TRUE(bus.send(signal));
}

}  // namespace

TEST(DbusSessionTest, LogindAndScreenSaverSignalsReachTheObservers) {
  QDBusConnection fake = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-logind");
  ASSERT_TRUE(fake.isConnected()) << "run under dbus-run-session";
  // The session asks logind with a blocking call, so the fake answers from a thread of its own.
  QThread worker;
  FakeLogind logind;
  logind.moveToThread(&worker);
  worker.start();
  struct Stop {
    QThread& t;
    ~Stop() {
      t.quit();
      t.wait();
    }
  } stop{worker};
  ASSERT_TRUE(fake.registerVirtualObject("/org/freedesktop/login1", &logind, QDBusConnection::SingleNode));
  ASSERT_TRUE(fake.registerService("org.freedesktop.login1"));

  orvak::shell::DbusSession session(QDBusConnection::sessionBus(), QDBusConnection::sessionBus(), 4242);
  EXPECT_EQ(logind.askedPid, 4242u);
  EXPECT_EQ(session.sessionPath(), kSessionPath);
  std::vector<std::string> heard, removed;
  session.addObserver([&](SessionEvent e) { heard.push_back(orvak::platform::name(e)); });
  const auto gone = session.addObserver([&](SessionEvent e) { removed.push_back(orvak::platform::name(e)); });
  ASSERT_TRUE(gone);
  session.removeObserver(*gone);

  const QString manager = "org.freedesktop.login1.Manager", props = "org.freedesktop.DBus.Properties",
                sess = "org.freedesktop.login1.Session";
  // The first signal waits to be heard: until Qt has looked up who owns logind's name, it can hand
  // over a later signal before an earlier one, which the real logind never sends that close.
  emitSignal(fake, "/org/freedesktop/login1", manager, "PrepareForSleep", {true});
  ASSERT_TRUE(waitFor([&] { return !heard.empty(); }));
  EXPECT_EQ(heard, std::vector<std::string>{"willSleep"});
  emitSignal(fake, "/org/freedesktop/login1", manager, "PrepareForSleep", {false});
  emitSignal(fake, "/org/freedesktop/login1/session/_99", sess, "Lock", {});  // someone else's session
  emitSignal(fake, kSessionPath, sess, "Lock", {});
  emitSignal(fake, kSessionPath, props, "PropertiesChanged", {sess, QVariantMap{{"Active", true}}, QStringList{}});
  emitSignal(fake, kSessionPath, props, "PropertiesChanged",
             {QString("org.freedesktop.login1.User"), QVariantMap{{"Active", false}}, QStringList{}});
  emitSignal(fake, kSessionPath, props, "PropertiesChanged", {sess, QVariantMap{{"Active", false}}, QStringList{}});
  emitSignal(fake, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", {false});
  emitSignal(fake, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", {true});

  const std::vector<std::string> expected{"willSleep", "didWake", "screenLocked", "sessionInactive", "screenSaverStarted"};
  EXPECT_TRUE(waitFor([&] { return heard.size() >= expected.size(); }));
  QCoreApplication::processEvents();
  // Qt may hand over signals of different match rules in another order than they were sent; the
  // order only matters within one signal (sleep, then wake).
  const auto at = [&](const std::string& e) { return std::find(heard.begin(), heard.end(), e) - heard.begin(); };
  EXPECT_LT(at("willSleep"), at("didWake"));
  auto sorted = [](std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  EXPECT_EQ(sorted(heard), sorted(expected));
  EXPECT_TRUE(removed.empty());
  fake.unregisterService("org.freedesktop.login1");
  fake.unregisterObject("/org/freedesktop/login1");
}

TEST(DbusSessionTest, WithoutLogindThereIsNoSessionAndNothingBreaks) {
  orvak::shell::DbusSession session(QDBusConnection::sessionBus(), QDBusConnection::sessionBus(), 4242);
  EXPECT_TRUE(session.sessionPath().isEmpty());
  std::vector<std::string> heard;
  session.addObserver([&](SessionEvent e) { heard.push_back(orvak::platform::name(e)); });
  QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "screen-saver");
  emitSignal(other, "/org/gnome/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", {true});
  EXPECT_TRUE(waitFor([&] { return !heard.empty(); }));
  EXPECT_EQ(heard, (std::vector<std::string>{"screenSaverStarted"})) << "the screen saver is still heard";
}

int main(int argc, char** argv) {
  orvak::test::tempHome();
  // A widgets application: the look's palette is set on it. No screen is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
