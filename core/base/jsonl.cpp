#include "core/base/jsonl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
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
  const int fd = ::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fail("cannot open", file, errno);
  const std::unique_ptr<const int, void (*)(const int*)> closer(&fd, [](const int* f) { ::close(*f); });
  struct stat before {};
  if (::fstat(fd, &before) != 0) fail("cannot read", file, errno);
  // A last line cut short (a kill, a full disk, an edit without a final line feed) would take
  // this line into itself, and the two would decode as neither: start a fresh line instead.
  std::string fresh;
  char last = '\n';
  if (before.st_size > 0 && ::pread(fd, &last, 1, before.st_size - 1) == 1 && last != '\n') {
    fresh.reserve(bytes.size() + 1);
    fresh.push_back('\n');
    fresh.append(bytes);
    bytes = fresh;
  }
  std::size_t done = 0;
  int writeError = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      writeError = n < 0 ? errno : ENOSPC;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (writeError == 0) return;
  // Take back what part of the line went in, unless another writer appended after it: the file
  // then ends as it did, on a whole line.
  struct stat after {};
  if (done > 0 && ::fstat(fd, &after) == 0 &&
      after.st_size == before.st_size + static_cast<off_t>(done)) {
    [[maybe_unused]] const int rc = ::ftruncate(fd, before.st_size);
  }
  fail("cannot write", file, writeError);
}

}  // namespace orvak::JSONL
