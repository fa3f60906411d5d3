// Appending one line to a file: the JSON Lines timing records, the research file, the text log.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/base/json.h"

namespace orvak {

struct FileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

namespace JSONL {

// Appends raw bytes to `file`, creating its folder and the file as needed. Opens in append mode
// and writes the bytes in one call, so concurrent writers never overwrite or split each other's
// lines; appends within this process are also serialised by one lock. A file whose last line was
// cut short gets a line feed first, so that line stays the only damaged one. A write that fails
// midway is taken back. Throws FileError.
void appendBytes(std::string_view bytes, const std::filesystem::path& file);

// Encodes `record` as one compact JSON line (sorted keys, absent optionals left out) and appends
// it. Never throws: the result is why the record was not written, or nothing once it was.
template <class T>
[[nodiscard]] std::optional<std::string> append(const T& record, const std::filesystem::path& file) noexcept {
  try {
    std::string line = json::encode(record);
    line.push_back('\n');
    appendBytes(line, file);
    return std::nullopt;
  } catch (const std::exception& e) {
    return std::string(e.what());
  } catch (...) {
    return std::string("unknown failure");
  }
}

}  // namespace JSONL
}  // namespace orvak
