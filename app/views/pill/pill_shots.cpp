#include "app/views/pill/pill_shots.h"

#include <functional>

#include "app/pill/pill_model.h"
#include "app/views/pill/pill_view.h"
#include "app/views/shots.h"

namespace orvak::views::pill {
namespace {

using Kind = PillState::Kind;

PillState state(Kind kind, std::string text, std::string sub = {}, std::string progress = {}, float speed = 1.0f) {
  PillState s;
  s.kind = kind;
  s.state = std::move(text);
  s.sub = std::move(sub);
  s.progress = std::move(progress);
  s.speed = speed;
  s.serial = 1;
  return s;
}

struct Setup {
  PillState state;
  bool controls = false;
  bool hover = false;
  std::optional<std::string> offer;
  std::optional<PillNotice> notice;
};

Setup setup(PillState state, bool controls = false, bool hover = false, std::optional<std::string> offer = {},
            std::optional<PillNotice> notice = {}) {
  return {std::move(state), controls, hover, std::move(offer), std::move(notice)};
}

Setup setupFor(const std::string& name) {
  const auto reading = state(Kind::reading, "Reading", "The quiet history of maps", "12 / 48", 1.25f);
  if (name == "working") return setup(state(Kind::working, "Reading", "Browser"));
  if (name == "reading") return setup(reading, true);
  if (name == "paused") return setup(state(Kind::paused, "Paused", "The quiet history of maps", "12 / 48", 1.25f), true);
  if (name == "listening") return setup(state(Kind::listening, "Listening…"));
  if (name == "saved") return setup(state(Kind::saved, "Highlighted", "Saved to your notes"));
  if (name == "info") return setup(state(Kind::info, "Going back"));
  if (name == "warn") return setup(state(Kind::warn, "Couldn't reach the voice service"));
  if (name == "finished") return setup(state(Kind::finished, "Finished", "3 saved to your notes"));
  if (name == "reading-hover") return setup(reading, true, true);
  if (name == "reading-offer") return setup(reading, true, false, std::string("Read from here"));
  if (name == "reading-hover-offer") return setup(reading, true, true, std::string("Read from here"));
  if (name == "notice")
    return setup(state(Kind::info, "Document written: Maps and memory", "In Library → Documents"), true, false, {},
            PillNotice{"Open", "doc.richtext", {}});
  if (name == "notice-warn")
    return setup(state(Kind::warn, "4 listened pages clear on 12 March", "Nothing was saved from them. Keep them?"), true,
            false, {}, PillNotice{"Keep them", "clock.arrow.circlepath", {}});
  if (name == "long-sub")
    return setup(state(Kind::reading, "Reading",
                  "A remarkably long article title that goes on well past the cut", "2 / 9"),
            true);
  return setup(state(Kind::info, "?"));
}

}  // namespace

const std::vector<PillShot>& pillShots() {
  static const std::vector<PillShot> list{
      {"working", "a read starting"},
      {"reading", "reading, no hover"},
      {"paused", "paused, still bars"},
      {"listening", "the microphone listening"},
      {"saved", "a highlight saved"},
      {"info", "a short message"},
      {"warn", "a warning"},
      {"finished", "the end of a read"},
      {"reading-hover", "reading with the controls, progress and speed"},
      {"reading-offer", "reading with the offer button"},
      {"reading-hover-offer", "the offer and the controls"},
      {"notice", "a notice card"},
      {"notice-warn", "a warning notice card"},
      {"long-sub", "a sub cut at 43 characters"},
  };
  return list;
}

QImage renderPillShot(const std::string& name, double scale) {
  const Setup s = setupFor(name);
  PillModel model;
  PillView view(model);
  model.onChange = [&view](std::optional<Curve> c) { view.modelChanged(c); };
  view.freeze(4.2);
  model.change(std::nullopt, [&](PillModel::Values& v) {
    v.state = s.state;
    v.controls = s.controls;
    v.hover = s.hover;
    v.offer = s.offer;
    v.notice = s.notice;
    v.shown = true;
  });
  view.freeze(4.2);
  return views::renderWidget(view, scale);
}

}  // namespace orvak::views::pill
