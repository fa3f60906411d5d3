#include "core/base/read_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace orvak {

namespace fs = std::filesystem;

FileContents readFile(const fs::path& file, std::uintmax_t maxBytes) {
  FileContents out;
  std::error_code ec;
  const auto status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) return out;
  if (ec) {
    out.status = FileContents::Status::unreadable;
    out.error = ec.message();
    return out;
  }
  if (fs::is_directory(status)) {
    out.status = FileContents::Status::unreadable;
    out.error = "it is a folder";
    return out;
  }
  if (fs::is_regular_file(status)) {
    const auto size = fs::file_size(file, ec);
    if (!ec && size > maxBytes) {
      out.status = FileContents::Status::tooLarge;
      out.error = "larger than " + std::to_string(maxBytes) + " bytes";
      return out;
    }
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    out.status = FileContents::Status::unreadable;
    out.error = std::strerror(errno);
    return out;
  }
  // Read in pieces, so a file that grows (or a pipe) is still held to the limit.
  std::string bytes;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > maxBytes) {
      out.status = FileContents::Status::tooLarge;
      out.error = "larger than " + std::to_string(maxBytes) + " bytes";
      return out;
    }
  }
  if (in.bad()) {
    out.status = FileContents::Status::unreadable;
    out.error = "a read failed";
    return out;
  }
  out.status = FileContents::Status::read;
  out.bytes = std::move(bytes);
  return out;
}

std::optional<std::string> readWholeFile(const fs::path& file) {
  auto contents = readFile(file);
  if (!contents.ok()) return std::nullopt;
  return std::move(contents.bytes);
}

}  // namespace orvak
