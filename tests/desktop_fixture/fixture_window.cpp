// A small Qt window for the desktop tests: a heading, two paragraphs, a link, a read-only text of
// three lines, a field with a selection and a password field, exposed on the accessibility bus.
// Reads commands from standard input, one a line: "close" deletes the window (its elements go
// away, the process stays), "warnings" prints "warnings: N", the Qt warnings so far, "quit" ends.
// Prints "ready" once the window is shown.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <QWidget>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// Qt warnings printed so far.
std::atomic<int>& warnings() {
  static std::atomic<int> count{0};
  return count;
}

void countWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type != QtDebugMsg && type != QtInfoMsg) ++warnings();
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// Labels standing for web-like elements: the role comes from a property, the name is the text.
class RoleAccessible : public QAccessibleWidget {
 public:
  RoleAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return static_cast<QLabel*>(widget())->text();
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* roleFactory(const QString&, QObject* object) {
  auto* label = qobject_cast<QLabel*>(object);
  if (!label) return nullptr;
  const QVariant role = label->property("fixtureRole");
  if (!role.isValid()) return nullptr;
  return new RoleAccessible(label, static_cast<QAccessible::Role>(role.toInt()));
}

QLabel* roleLabel(const QString& text, QAccessible::Role role) {
  auto* l = new QLabel(text);
  l->setProperty("fixtureRole", static_cast<int>(role));
  l->setWordWrap(true);
  return l;
}

}  // namespace

int main(int argc, char** argv) {
  qInstallMessageHandler(countWarning);
  qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
  QAccessible::installFactory(roleFactory);
  QApplication app(argc, argv);
  const QString title = argc > 1 ? QString::fromUtf8(argv[1]) : QStringLiteral("Orvak Fixture");

  auto window = std::make_unique<QWidget>();
  window->setWindowTitle(title);
  auto* layout = new QVBoxLayout(window.get());
  layout->addWidget(roleLabel("Harbour Lights", QAccessible::Heading));
  layout->addWidget(roleLabel("The first lamp was lit in 1820.", QAccessible::Paragraph));
  layout->addWidget(roleLabel("Keepers trimmed the wicks at dusk.", QAccessible::Paragraph));
  layout->addWidget(roleLabel("Read the logbook", QAccessible::Link));
  auto* lines = new QTextEdit;
  lines->setPlainText("first line\nsecond line\nthird line");
  lines->setReadOnly(true);
  lines->setAccessibleName("Lines");
  layout->addWidget(lines);
  auto* field = new QLineEdit("select these words");
  field->setAccessibleName("Field");
  layout->addWidget(field);
  auto* password = new QLineEdit("hunter2");
  password->setEchoMode(QLineEdit::Password);
  password->setAccessibleName("Password");
  layout->addWidget(password);
  window->setGeometry(100, 100, 480, 420);
  window->show();
  field->setFocus();
  field->setSelection(7, 5);  // "these"

  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  std::string pending;
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char buf[256];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
      app.quit();
      return;
    }
    pending.append(buf, static_cast<std::size_t>(n));
    for (auto nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
      const std::string command = pending.substr(0, nl);
      pending.erase(0, nl + 1);
      if (command == "close") {
        window.reset();
        std::printf("closed\n");
        std::fflush(stdout);
      } else if (command == "warnings") {
        std::printf("warnings: %d\n", warnings().load());
        std::fflush(stdout);
      } else if (command == "quit") {
        app.quit();
      }
    }
  });
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}
