#include "core/base/json.h"
#include "core/page/content_score.h"

namespace orvak {

void to_json(json::Json& j, const ContentScore& s) {
  json::put(j, "score", s.score);
  json::put(j, "quality", s.quality);
  json::put(j, "blocked", s.blocked);
  json::put(j, "length", s.length);
  json::put(j, "sentences", s.sentences);
  json::put(j, "diversity", s.diversity);
  json::put(j, "navRatio", s.navRatio);
  json::put(j, "issues", s.issues);
}

void from_json(const json::Json& j, ContentScore& s) {
  s.score = json::get<int>(j, "score");
  s.quality = json::get<std::string>(j, "quality");
  s.blocked = json::getOptional<std::string>(j, "blocked");
  s.length = json::get<int>(j, "length");
  s.sentences = json::get<int>(j, "sentences");
  s.diversity = json::get<double>(j, "diversity");
  s.navRatio = json::get<double>(j, "navRatio");
  s.issues = json::get<std::vector<std::string>>(j, "issues");
}

}  // namespace orvak
