#include "app/voice_catalog/voice_catalog.h"

#include "app/audio/sample_decoder.h"
#include "core/base/atomic_file.h"
#include "core/base/json.h"
#include "core/base/paths.h"
#include "core/base/read_file.h"

namespace orvak {

VoiceCatalog& VoiceCatalog::shared() {
  // Lives for the whole process: fetches and sample ends may still report during exit.
  static auto* catalog =
      new std::shared_ptr<VoiceCatalog>(make(OrvakPaths::support() / "voices.json", AudioGraph::shared()));
  return **catalog;
}

std::shared_ptr<VoiceCatalog> VoiceCatalog::make(std::filesystem::path cacheFile, AudioGraph& graph) {
  return std::shared_ptr<VoiceCatalog>(new VoiceCatalog(std::move(cacheFile), graph));
}

VoiceCatalog::VoiceCatalog(std::filesystem::path cacheFile, AudioGraph& graph)
    : cacheFile_(std::move(cacheFile)), player_(graph) {
  readCache();
}

void VoiceCatalog::readCache() {
  // Quiet by design: a missing or damaged cache only means no list until the next fetch.
  const auto text = readWholeFile(cacheFile_);
  if (!text) return;
  try {
    list_ = json::parse(*text).get<List>();
  } catch (const std::exception&) {
    list_.reset();
  }
}

void VoiceCatalog::changed() {
  if (onChange) onChange();
  observers_.notify();
}

std::uint64_t VoiceCatalog::addObserver(std::function<void()> observer) {
  return observers_.add(std::move(observer));
}

void VoiceCatalog::removeObserver(std::uint64_t token) { observers_.remove(token); }

void VoiceCatalog::load(VoiceSource& source) {
  const std::uint64_t serial = ++loadsStarted_;
  source.voices([weak = weak_from_this(), serial](std::optional<List> list) {
    if (!list) return;
    auto self = weak.lock();
    if (!self) return;
    self->queue_->async([weak, serial, list = std::move(*list)]() mutable {
      if (auto self = weak.lock()) self->storeFetched(serial, std::move(list));
    });
  });
}

void VoiceCatalog::storeFetched(std::uint64_t serial, List list) {
  // Writes run one at a time on this queue and publish in the order they were written, so a
  // load that started earlier but answered later must not overwrite the newer list.
  if (serial < newestStored_) return;
  newestStored_ = serial;
  try {
    writeFileAtomically(cacheFile_, json::dump(json::Json(list)));
  } catch (const std::exception&) {
    // The list is still shown; the next launch reads the older file, or none.
  }
  dispatch::main().async([weak = weak_from_this(), list = std::move(list)]() mutable {
    auto self = weak.lock();
    if (!self) return;
    self->list_ = std::move(list);
    self->changed();
  });
}

void VoiceCatalog::preview(const std::string& id, VoiceSource& source) {
  if (playing_ == id) {
    stopPlaying();
    loadingPreview_.reset();
    changed();
    return;
  }
  stopPlaying();
  if (auto found = previews_.find(id); found != previews_.end()) {
    loadingPreview_.reset();
    play(found->second, id);
    changed();
    return;
  }
  loadingPreview_ = id;
  changed();
  source.voiceSample(id, [weak = weak_from_this(), id](std::optional<std::vector<std::uint8_t>> bytes) {
    dispatch::main().async([weak, id, bytes = std::move(bytes)]() mutable {
      if (auto self = weak.lock()) self->sampleArrived(id, std::move(bytes));
    });
  });
}

void VoiceCatalog::sampleArrived(const std::string& id, std::optional<std::vector<std::uint8_t>> bytes) {
  if (bytes) previews_[id] = std::move(*bytes);
  // A reply for a voice the user has since left (another voice pressed, or this one pressed
  // again) is kept for later but neither plays nor touches the spinner of the voice now loading.
  if (loadingPreview_ != id) return;
  loadingPreview_.reset();
  if (bytes) play(previews_[id], id);
  changed();
}

void VoiceCatalog::play(const std::vector<std::uint8_t>& bytes, const std::string& id) {
  auto decoded = audio::decodeSample(bytes);
  if (!decoded) return;
  const std::uint64_t mine = ++playback_;
  const bool started = player_.play(std::move(decoded->samples), [weak = weak_from_this(), id, mine] {
    auto self = weak.lock();
    if (!self || self->playing_ != id || self->playback_ != mine) return;
    self->playing_.reset();
    self->changed();
  });
  if (started) playing_ = id;
}

void VoiceCatalog::stopPlaying() {
  if (!playing_) return;
  playing_.reset();
  player_.stop();
}

}  // namespace orvak
