#include "core/library/jsonl_research_store.h"
#include "core/base/json.h"
#include "core/base/read_file.h"

#include "core/base/jsonl.h"

namespace orvak {

void JSONLResearchStore::save(const ResearchItem& item) {
  std::string line = json::encode(item);
  line.push_back('\n');
  std::lock_guard guard(lock_);
  JSONL::appendBytes(line, url_);
}

std::vector<ResearchItem> JSONLResearchStore::recent(std::size_t limit) {
  std::vector<ResearchItem> items;
  if (limit == 0) return items;
  std::lock_guard guard(lock_);
  const auto file = readWholeFile(url_);
  if (!file) return items;
  const std::string& bytes = *file;

  // Walk the lines from the end, decoding each on its own: a bad byte costs only its line.
  std::size_t end = bytes.size();
  while (end > 0 && items.size() < limit) {
    const std::size_t lf = bytes.rfind('\n', end - 1);
    const std::size_t start = lf == std::string::npos ? 0 : lf + 1;
    const std::string_view line(bytes.data() + start, end - start);
    if (!line.empty()) {
      if (auto decoded = decodeResearchLine(line)) items.push_back(std::move(*decoded));
    }
    if (lf == std::string::npos) break;
    end = lf;
  }
  return items;
}

}  // namespace orvak
