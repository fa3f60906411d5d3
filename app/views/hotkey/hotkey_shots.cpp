#include "app/views/hotkey/hotkey_shots.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <memory>

#include "app/views/hotkey/hotkey_picker.h"
#include "app/views/look/palette.h"

namespace orvak::views::hotkey {

namespace {

// A test that shows whatever state it is given and never watches the desktop.
class PictureTest : public HotkeyTest {
 public:
  explicit PictureTest(State state) : state_(std::move(state)) {}
  const State& state() const override { return state_; }
  void arm() override {}
  void disarm() override {}

 private:
  State state_;
};

// The paper the windows draw on, behind whatever it holds.
class Paper : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), look::Margin::paper.color()); }
};

HotkeyTest::State stateFrom(const ShotOptions& options) {
  using Kind = HotkeyTest::State::Kind;
  const std::string name = options.value("--state").value_or("idle");
  static const std::map<std::string, Kind> kinds{
      {"idle", Kind::idle}, {"waiting", Kind::waiting}, {"checking", Kind::checking},
      {"ok", Kind::ok},     {"clash", Kind::clash},
  };
  const auto kind = kinds.find(name);
  if (kind == kinds.end()) throw std::invalid_argument("--state takes idle, waiting, checking, ok or clash");
  HotkeyTest::State state{kind->second, {}};
  if (state.kind == Kind::clash) {
    const std::string list = options.value("--names").value_or("Alpha,Beta");
    std::size_t start = 0;
    while (start <= list.size()) {
      const auto comma = std::min(list.find(',', start), list.size());
      if (comma > start) state.names.push_back(list.substr(start, comma - start));
      start = comma + 1;
    }
  }
  return state;
}

std::uint16_t keyFrom(const ShotOptions& options) {
  const auto key = options.value("--key");
  if (!key) return 60;
  try {
    std::size_t used = 0;
    const int code = std::stoi(*key, &used);
    if (used == key->size() && code >= 0 && code <= 0xFFFF) return std::uint16_t(code);
  } catch (const std::exception&) {
  }
  throw std::invalid_argument("--key takes a key code from 0 to 65535");
}

QImage render(double scale, const ShotOptions& options) {
  PictureTest test(stateFrom(options));
  QTemporaryDir dir;
  if (!dir.isValid()) throw std::invalid_argument("no temporary folder for the settings");
  Prefs prefs(std::make_shared<platform::Defaults>(dir.filePath("defaults.json").toStdString()));
  prefs.setHotkeyCode(keyFrom(options));
  const bool compact = options.flag("--compact");
  Paper paper;
  auto* layout = new QVBoxLayout(&paper);
  layout->setContentsMargins(20, 20, 20, 20);
  layout->addWidget(new HotkeyPicker(prefs, test, compact, &paper));
  const int width = compact ? 440 : 480;
  paper.resize(width, layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : paper.sizeHint().height());
  return renderWidget(paper, scale);
}

}  // namespace

Shot hotkeyPickerShot() {
  return {"hotkey-picker",
          "the key chooser with its test row",
          [](double scale) { return render(scale, {}); },
          {"--state", "--key", "--names"},
          {"--compact"},
          render};
}

}  // namespace orvak::views::hotkey
