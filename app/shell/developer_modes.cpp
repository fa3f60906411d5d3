#include "app/shell/developer_modes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/render_voice.h"
#include "app/shell/dbus_debug_bus.h"
#include "app/views/look/app_icon.h"
#include "app/views/look/brand_export.h"
#include "core/base/dispatch.h"
#include "speech/inworld_engine.h"
#include "speech/vendor.h"

namespace orvak::shell {

namespace {

namespace fs = std::filesystem;

constexpr double kTriggerWait = 25;
// A running channel answers a control at once; a loaded machine gets a few seconds.
constexpr double kControlWait = 3;
constexpr double kRenderWait = 120;

// The argument after `option`: none when the option is absent; "" when it is last.
std::optional<std::vector<std::string>> after(const std::vector<std::string>& args, const char* option) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == option)
      return std::vector<std::string>(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
  }
  return std::nullopt;
}

// Runs Qt's events in short slices until `done` or `seconds` pass.
bool pump(const std::function<bool()>& done, double seconds, int sliceMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < static_cast<qint64>(seconds * 1000)) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, sliceMs);
    QThread::msleep(static_cast<unsigned long>(sliceMs));
  }
  return done();
}

int trigger(int argc, char** argv, const std::string& options) {
  QCoreApplication app(argc, argv);
  DbusDebugBus bus;
  std::optional<std::string> answer;
  bus.observe(DebugNames::result(), [&answer](const std::string& payload) { answer = payload; });
  bus.post(DebugNames::trigger(), options);
  pump([&] { return answer.has_value(); }, kTriggerWait, 20);
  std::printf("%s\n", answer ? answer->c_str() : "timeout (is Orvak running with debugControl on?)");
  return answer ? 0 : 1;
}

int control(int argc, char** argv, const std::string& command) {
  QCoreApplication app(argc, argv);
  DbusDebugBus bus;
  std::optional<std::string> answer;
  bus.observe(DebugNames::controlled(), [&answer](const std::string& payload) { answer = payload; });
  bus.post(DebugNames::control(), command);
  pump([&] { return answer.has_value(); }, kControlWait, 20);
  if (!answer) {
    std::printf("the debug control channel is off (is Orvak running with debugControl on?)\n");
    return 1;
  }
  if (*answer == "unknown") {
    std::printf("unknown control: %s\n", command.c_str());
    return 2;
  }
  return 0;
}

// Images need a GUI application; without a display it draws offscreen.
void guiEnvironment() {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

int exportIconset(int argc, char** argv, const fs::path& dir) {
  guiEnvironment();
  QGuiApplication app(argc, argv);
  std::error_code ec;
  fs::create_directories(dir, ec);
  const std::pair<const char*, int> rows[] = {
      {"16x16", 16},       {"16x16@2x", 32}, {"32x32", 32},       {"32x32@2x", 64}, {"128x128", 128},
      {"128x128@2x", 256}, {"256x256", 256}, {"256x256@2x", 512}, {"512x512", 512}, {"512x512@2x", 1024}};
  for (const auto& [name, px] : rows) {
    QImage bitmap(px, px, QImage::Format_ARGB32_Premultiplied);
    bitmap.fill(Qt::transparent);
    QPainter p(&bitmap);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(0, 0, px, px), look::AppIcon::image());
    p.end();
    bitmap.save(QString::fromStdString((dir / (std::string("icon_") + name + ".png")).string()), "PNG");
  }
  return 0;
}

int renderVoice(const fs::path& file, const fs::path& out, const std::string& voice) {
  auto engine = InworldEngine::make("inworld-tts-2", voice);
  const auto outcome =
      RenderVoice::run(file, out, engine, kRenderWait,
                       [](const std::function<bool()>& done, double s) { return dispatch::mainloop::runUntil(done, s); });
  std::printf("%s\n", outcome.line.c_str());
  return outcome.exitCode;
}

int exportBrand(int argc, char** argv, const fs::path& dir) {
  guiEnvironment();
  QGuiApplication app(argc, argv);
  const auto written = look::BrandExport::run(dir, std::cerr);
  return written.size() == look::BrandExport::fileNames().size() ? 0 : 1;
}

}  // namespace

std::optional<int> runDeveloperMode(int argc, char** argv, const std::vector<std::string>& args) {
  if (const auto rest = after(args, "--trigger")) return trigger(argc, argv, rest->empty() ? "" : rest->front());
  if (const auto rest = after(args, "--export-iconset"); rest && !rest->empty()) {
    return exportIconset(argc, argv, rest->front());
  }
  if (const auto rest = after(args, "--render-voice"); rest && rest->size() >= 2) {
    return renderVoice((*rest)[0], (*rest)[1], rest->size() >= 3 ? (*rest)[2] : EngineConfig{}.inworldVoice);
  }
  if (const auto rest = after(args, "--export-brand"); rest && !rest->empty()) {
    return exportBrand(argc, argv, rest->front());
  }
  if (const auto rest = after(args, "--control"); rest && !rest->empty()) return control(argc, argv, rest->front());
  return std::nullopt;
}

}  // namespace orvak::shell
