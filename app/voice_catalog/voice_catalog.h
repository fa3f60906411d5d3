// The natural voices the service offers a signed-in user, and their spoken samples.
//
// The last list received is kept in memory and in "voices.json" in the support folder, so the
// voice picker has a list at once after a restart, even offline. Samples, once fetched, stay in
// memory for the life of the process and play through the audio graph's cue node.
//
// Everything published (`list`, `playing`, `loadingPreview`) changes on the main queue, and
// `onChange` follows every change there; `load` and `preview` are called on the main queue.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/account/voice_list.h"
#include "app/audio/audio_graph.h"
#include "app/audio/sample_player.h"
#include "app/voice_catalog/voice_source.h"
#include "core/base/dispatch.h"
#include "core/base/observers.h"

namespace orvak {

class VoiceCatalog : public std::enable_shared_from_this<VoiceCatalog> {
 public:
  using List = VoiceCatalogList;
  using Item = VoiceCatalogItem;

  // The process's catalogue, made on first use over the shared audio graph, reading
  // OrvakPaths::support() / "voices.json"; never destroyed.
  static VoiceCatalog& shared();
  // A catalogue of its own (tests, tools), reading `cacheFile` now.
  static std::shared_ptr<VoiceCatalog> make(std::filesystem::path cacheFile, AudioGraph& graph);

  VoiceCatalog(const VoiceCatalog&) = delete;
  VoiceCatalog& operator=(const VoiceCatalog&) = delete;

  const std::optional<List>& list() const { return list_; }
  // The voice whose sample plays now.
  const std::optional<std::string>& playing() const { return playing_; }
  // The voice whose sample is being fetched.
  const std::optional<std::string>& loadingPreview() const { return loadingPreview_; }
  bool hasSample(const std::string& id) const { return previews_.count(id) != 0; }
  const std::filesystem::path& cacheFile() const { return cacheFile_; }

  // Runs on the main queue after any published value changed.
  std::function<void()> onChange;
  // Views hear of the same changes; `addObserver` returns a token for `removeObserver`. Main
  // queue only; an observer may remove itself.
  std::uint64_t addObserver(std::function<void()> observer);
  void removeObserver(std::uint64_t token);

  // Fetches the list; when one comes back it is written to the cache and then published. A
  // failed fetch changes nothing. Of loads that overlap, the one started last wins.
  void load(VoiceSource& source);
  // The preview button of voice `id`: stops the sample that plays; starts this voice's sample
  // (from memory, or fetched) unless it was the one playing.
  void preview(const std::string& id, VoiceSource& source);

 private:
  VoiceCatalog(std::filesystem::path cacheFile, AudioGraph& graph);
  void readCache();
  void storeFetched(std::uint64_t serial, List list);
  void sampleArrived(const std::string& id, std::optional<std::vector<std::uint8_t>> bytes);
  void play(const std::vector<std::uint8_t>& bytes, const std::string& id);
  void stopPlaying();
  void changed();

  std::filesystem::path cacheFile_;
  audio::SamplePlayer player_;
  std::shared_ptr<dispatch::Queue> queue_ = dispatch::makeQueue("orvak.voices");

  // Main queue only.
  std::optional<List> list_;
  std::optional<std::string> playing_;
  std::optional<std::string> loadingPreview_;
  std::map<std::string, std::vector<std::uint8_t>> previews_;
  std::uint64_t playback_ = 0;  // moves on with every sample started
  Observers<> observers_;

  std::atomic<std::uint64_t> loadsStarted_{0};
  // The catalogue's queue only: the newest load whose list was written.
  std::uint64_t newestStored_ = 0;
};

}  // namespace orvak
