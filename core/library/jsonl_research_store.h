// Research items kept as JSON lines in one file ("research.jsonl"): the store used when the
// notes database cannot be opened. Items are only ever appended; nothing is kept in memory.
#pragma once

#include <filesystem>
#include <mutex>
#include <vector>

#include "core/base/jsonl.h"
#include "core/library/research_item.h"

namespace orvak {

class JSONLResearchStore final : public ResearchStore {
 public:
  // Touches no file.
  explicit JSONLResearchStore(std::filesystem::path url) : url_(std::move(url)) {}

  // Appends the item as one line, creating the folder and the file; throws FileError.
  void save(const ResearchItem& item) override;
  // The last decodable lines, newest first; damaged lines are skipped, a missing file is empty.
  std::vector<ResearchItem> recent(std::size_t limit) override;

  const std::filesystem::path& url() const { return url_; }

 private:
  std::filesystem::path url_;
  std::mutex lock_;
};

}  // namespace orvak
