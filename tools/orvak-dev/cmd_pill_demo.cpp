#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/pill/pill.h"
#include "app/views/pill/pill_window.h"
#include "app/views/qt_main_queue.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

// Shows the real pill on the desktop and steps through its states every two seconds.
int runPillDemo() {
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
    std::fprintf(stderr,
                 "orvak-dev pill demo: needs a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                 "orvak-dev shot pill-NAME draws the states offscreen\n");
    return 1;
  }
  static int argc = 1;
  static char name[] = "orvak-dev";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  views::useQtMainQueue();
  auto screen = views::pill::makeScreenPill();
  auto& pill = *screen.pill;
  Pill::Actions actions;
  auto say = [](const char* what) { return [what] { std::printf("pressed: %s\n", what); }; };
  actions.back = say("back");
  actions.playPause = say("play/pause");
  actions.skip = say("skip");
  actions.speed = say("speed");
  actions.stop = say("stop");
  actions.readFromHere = say("read from here");
  pill.setActions(actions);

  PillState reading;
  reading.kind = PillState::Kind::reading;
  reading.state = "Reading";
  reading.sub = "The quiet history of maps";
  reading.progress = "12 / 48";
  reading.speed = 1.25f;
  PillState paused = reading;
  paused.kind = PillState::Kind::paused;
  paused.state = "Paused";

  const std::vector<std::pair<const char*, std::function<void()>>> steps{
      {"working", [&] { pill.show("Reading Browser…", Pill::Tone::working); }},
      {"reading", [&] { pill.playerChanged(reading); }},
      {"reading-hover", [&] { pill.hovered(true); }},
      {"reading-hover-offer", [&] { pill.setOffer(std::string("Read from here")); }},
      {"reading-offer", [&] { pill.hovered(false); }},
      {"paused", [&] {
         pill.setOffer(std::nullopt);
         pill.playerChanged(paused);
       }},
      {"listening", [&] { pill.flash("Listening"); }},
      {"saved", [&] { pill.flash("Highlighted"); }},
      {"info", [&] { pill.flash("Going back"); }},
      {"warn", [&] { pill.flash("Couldn't reach the voice service"); }},
      {"long-sub", [&] {
         reading.sub = "A remarkably long article title that goes on well past the cut";
         pill.flash("");
         pill.playerChanged(reading);
       }},
      {"notice", [&] {
         pill.notice("Document written: Maps and memory", "In Library → Documents", false, "Open", "doc.richtext",
                     [] { std::printf("pressed: notice\n"); });
       }},
      {"notice-warn", [&] {
         pill.notice("4 listened pages clear on 12 March", "Nothing was saved from them. Keep them?", true,
                     "Keep them", "clock.arrow.circlepath", [] { std::printf("pressed: notice\n"); });
       }},
      {"finished", [&] {
         pill.model().change(Curve::ease, [](PillModel::Values& v) { v.notice.reset(); });
         pill.finish();
       }},
  };
  std::size_t next = 0;
  QTimer timer;
  auto step = [&] {
    if (next == steps.size()) {
      app.quit();
      return;
    }
    std::printf("%s\n", steps[next].first);
    std::fflush(stdout);
    steps[next].second();
    ++next;
  };
  QObject::connect(&timer, &QTimer::timeout, step);
  step();
  timer.start(2000);
  return app.exec();
}

}  // namespace orvak::dev
