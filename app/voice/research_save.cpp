#include "app/voice/research_save.h"

#include <memory>

#include "app/audio/audio_graph.h"
#include "app/audio/earcon.h"
#include "core/base/dispatch.h"
#include "core/base/log.h"

namespace orvak {

bool saveResearch(ResearchStore& store, const ResearchItem& item, AudioGraph& graph,
                  const std::function<void(const std::string&)>& log) {
  try {
    store.save(item);
  } catch (const std::exception& e) {
    const std::string line = std::string("research save failed: ") + e.what();
    if (log) {
      log(line);
    } else {
      Log::write(line);
    }
    return false;
  }
  dispatch::main().async([weak = std::weak_ptr<AudioGraph>(graph.shared_from_this())] {
    if (!Earcon::enabled.load()) return;
    auto g = weak.lock();
    if (g && g->playCue(Earcon::samples(Earcon::Kind::saved))) return;
    auto& sound = Earcon::sound(Earcon::Kind::saved);
    sound.stop();
    sound.play();
  });
  return true;
}

}  // namespace orvak
