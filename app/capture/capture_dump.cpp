#include "app/capture/capture_dump.h"

#include <ctime>
#include <cstdio>

#include "core/base/atomic_file.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/paths.h"
#include "core/base/timing.h"

namespace orvak::CaptureDump {

namespace {

bool isAsciiAlphanumeric(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

std::string baseName(std::string_view appName, std::int64_t wallMillis) {
  std::int64_t seconds = wallMillis / 1000;
  std::int64_t millis = wallMillis % 1000;
  if (millis < 0) {
    millis += 1000;
    --seconds;
  }
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&t, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  char ms[8];
  std::snprintf(ms, sizeof ms, "-%03d", static_cast<int>(millis));

  std::string name = std::string(stamp) + ms + "-";
  bool inRun = false;
  for (char c : appName) {
    if (isAsciiAlphanumeric(c)) {
      name += c;
      inRun = false;
    } else if (!inRun) {
      name += '-';
      inRun = true;
    }
  }
  return name;
}

json::Json toJson(const Capture& capture, const WalkResult& walk, const std::string& timestamp) {
  json::Json meta = json::Json::object();
  json::put(meta, "timestamp", timestamp);
  json::put(meta, "appName", capture.appName);
  json::put(meta, "bundleId", capture.bundleId.value_or("?"));
  json::put(meta, "windowTitle", capture.windowTitle);
  json::put(meta, "url", capture.url);
  json::put(meta, "windowFrame", walk.windowFrame);
  json::Json j = json::Json::object();
  j["meta"] = std::move(meta);
  j["clean"] = capture.clean;
  j["nodes"] = walk.nodes;
  return j;
}

void write(const Capture& capture, const WalkResult& walk) { write(capture, walk, OrvakPaths::captures()); }

void write(const Capture& capture, const WalkResult& walk, const std::filesystem::path& folder) {
  const std::int64_t now = dispatch::wallMillis();
  const std::string timestamp = Timestamp::formatMillis(now);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string base = baseName(capture.appName, now);
  try {
    writeFileAtomically(folder / (base + ".json"), json::dump(toJson(capture, walk, timestamp)));
  } catch (const std::exception&) {
    // Text that cannot be encoded or a folder that cannot be written: no JSON file.
  }
  try {
    writeFileAtomically(folder / (base + ".txt"), capture.clean.text);
  } catch (const std::exception&) {
  }
}

}  // namespace orvak::CaptureDump
