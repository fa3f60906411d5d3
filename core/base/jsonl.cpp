#include "core/base/jsonl.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>

namespace orvak::JSONL {

namespace {
std::mutex& appendLock() {
  static std::mutex lock;
  return lock;
}

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& file, int err) {
  throw FileError(what + " " + file.string() + ": " + std::strerror(err));
}
}  // namespace

void appendBytes(std::string_view bytes, const std::filesystem::path& file) {
  std::lock_guard guard(appendLock());
  std::error_code ec;
  if (file.has_parent_path()) {
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) throw FileError("cannot create " + file.parent_path().string() + ": " + ec.message());
  }
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fail("cannot open", file, errno);
  std::size_t done = 0;
  int writeError = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      writeError = errno;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (writeError != 0) fail("cannot write", file, writeError);
}

}  // namespace orvak::JSONL
