// Reading a whole file at once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

namespace orvak {

// What reading a whole file found. Only `missing` means "there is nothing": a file that is there
// but could not be read must not be taken for an empty one (and written over).
struct FileContents {
  enum class Status { read, missing, unreadable, tooLarge };
  Status status = Status::missing;
  std::string bytes;  // the file's bytes when read
  std::string error;  // why not, for a message

  bool ok() const { return status == Status::read; }
};

// Reads the file, refusing one larger than `maxBytes` before reading any of it.
FileContents readFile(const std::filesystem::path& file,
                      std::uintmax_t maxBytes = std::numeric_limits<std::uintmax_t>::max());

// Like `readFile`, for a path someone else chose: only a regular file is read (a device, a pipe, a
// socket or a folder is `unreadable` without being read, and opening a pipe never waits for a
// writer), and one larger than `maxBytes` is `tooLarge`.
FileContents readRegularFile(const std::filesystem::path& file, std::uintmax_t maxBytes);

// The file's bytes; nullopt when it does not exist or cannot be read to its end.
std::optional<std::string> readWholeFile(const std::filesystem::path& file);

}  // namespace orvak
