// Stand-ins the tests share: audio outputs that give out or never start, and a research store in memory.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/library/research_item.h"
#include "platform/audio_device.h"

namespace orvak::test {

// Takes `good` writes, then fails like a device that was unplugged.
class FailingDevice final : public platform::AudioDevice {
 public:
  explicit FailingDevice(int good) : good_(good) {}
  std::string name() const override { return "failing"; }
  void open(const platform::AudioFormat&) override { written_ = 0; }
  void close() override {}
  void write(std::span<const float> interleaved) override {
    if (good_-- <= 0) throw platform::AudioDeviceError("device vanished");
    written_ += interleaved.size() / 2;
  }
  std::uint64_t framesPlayed() const override { return written_; }
  double latencySeconds() const override { return 0; }
  bool paced() const override { return false; }

 private:
  int good_;
  std::uint64_t written_ = 0;
};

// Refuses to open, like an output whose device or sound server is gone: `why` is the error it gives.
class UnavailableDevice final : public platform::AudioDevice {
 public:
  UnavailableDevice(std::string name, std::string why) : name_(std::move(name)), why_(std::move(why)) {}
  std::string name() const override { return name_; }
  void open(const platform::AudioFormat&) override { throw platform::AudioDeviceError(why_); }
  void close() override {}
  void write(std::span<const float>) override {}
  std::uint64_t framesPlayed() const override { return 0; }
  double latencySeconds() const override { return 0; }
  bool paced() const override { return false; }

 private:
  std::string name_;
  std::string why_;
};

// Keeps what is saved in a list; `refuse` makes the next saves fail like a full disk.
class MemoryStore final : public ResearchStore {
 public:
  bool refuse = false;
  std::vector<ResearchItem> items;
  void save(const ResearchItem& item) override {
    if (refuse) throw std::runtime_error("disk full");
    items.push_back(item);
  }
  std::vector<ResearchItem> recent(std::size_t) override { return items; }
};

}  // namespace orvak::test
