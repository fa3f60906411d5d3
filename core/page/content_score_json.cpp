#include "core/base/json.h"
#include "core/page/content_score.h"

namespace orvak {

void fields(json::Record<ContentScore> auto& s, auto&& f) {
  f("score", s.score);
  f("quality", s.quality);
  f("blocked", s.blocked);
  f("length", s.length);
  f("sentences", s.sentences);
  f("diversity", s.diversity);
  f("navRatio", s.navRatio);
  f("issues", s.issues);
}

void to_json(json::Json& j, const ContentScore& s) { json::writeFields(j, s); }
void from_json(const json::Json& j, ContentScore& s) { json::readFields(j, s); }

}  // namespace orvak
