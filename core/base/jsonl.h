// Appending one line to a file: the JSON Lines timing records, the research file, the text log.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "core/base/json.h"

namespace orvak {

struct FileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

namespace JSONL {

// Appends raw bytes to `file`, creating its folder and the file as needed. Opens in append mode
// and writes the bytes in one call, so concurrent writers never overwrite or split each other's
// lines; appends within this process are also serialised by one lock. Throws FileError.
void appendBytes(std::string_view bytes, const std::filesystem::path& file);

// Encodes `record` as one compact JSON line (sorted keys, absent optionals left out) and appends
// it. Never fails and reports nothing: a record that cannot be written is dropped.
template <class T>
void append(const T& record, const std::filesystem::path& file) noexcept {
  try {
    std::string line = json::encode(record);
    line.push_back('\n');
    appendBytes(line, file);
  } catch (...) {
  }
}

}  // namespace JSONL
}  // namespace orvak
