// Capture dumps: a pair of files recording what one capture saw, for a developer to inspect or to
// replay in the simulated desktop (a dump loads as a scene).
//
// NAME.json holds {"meta": {...}, "clean": CleanResult, "nodes": [AXNode...]} on one line, keys
// sorted, slashes unescaped; NAME.txt holds the cleaned text. NAME is the local time of writing
// ("yyyyMMdd-HHmmss-SSS") and the application name. Dumps hold page text in plain form, so the
// capture writes them only when the developer asked for them, and never of a private window.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/capture/ax_walker.h"
#include "app/capture/capture.h"
#include "core/base/json_fwd.h"

namespace orvak::CaptureDump {

// "20260314-092653-589-Safari-Technology-Preview": the local date and time of `wallMillis`, then
// the application name with every run of characters other than ASCII letters and digits made a
// single "-".
std::string baseName(std::string_view appName, std::int64_t wallMillis);

// The JSON file's object, with `timestamp` as its time of writing.
json::Json toJson(const Capture& capture, const WalkResult& walk, const std::string& timestamp);

// Writes the pair into `folder` (the logs folder's "captures" by default), creating it as needed.
// Never fails: what cannot be written is left out, and the capture goes on regardless.
void write(const Capture& capture, const WalkResult& walk);
void write(const Capture& capture, const WalkResult& walk, const std::filesystem::path& folder);

}  // namespace orvak::CaptureDump
