#include "core/base/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

FileContents readRegularFile(const fs::path& file, std::uintmax_t maxBytes) {
  FileContents out;
  auto refuse = [&out](FileContents::Status status, std::string why) {
    out.status = status;
    out.error = std::move(why);
    return out;
  };
  auto tooLarge = [&] { return refuse(FileContents::Status::tooLarge, "larger than " + std::to_string(maxBytes) + " bytes"); };
  std::error_code ec;
  const auto status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) return out;
  if (ec) return refuse(FileContents::Status::unreadable, ec.message());
  if (!fs::is_regular_file(status)) return refuse(FileContents::Status::unreadable, "not a regular file");
  // Non-blocking, and checked again once open: the path may have become a pipe meanwhile.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return refuse(FileContents::Status::unreadable, std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return refuse(FileContents::Status::unreadable, std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return refuse(FileContents::Status::unreadable, "not a regular file");
  if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) return tooLarge();
  std::string bytes;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return refuse(FileContents::Status::unreadable, std::strerror(errno));
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > maxBytes) return tooLarge();  // it grew while being read
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
