#include "core/base/atomic_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <cerrno>
#include <string>
#include <system_error>

namespace orvak {

namespace fs = std::filesystem;

namespace {

// Marks our temporary files, so that a sweep takes only ours.
constexpr std::string_view kTempMark = ".orvak-tmp-";

[[noreturn]] void fail(const char* what, const fs::path& p, int err) {
  throw fs::filesystem_error(what, p, std::error_code(err, std::generic_category()));
}

// Owns an open descriptor and, until released, the temporary file it names.
class TempFile {
 public:
  explicit TempFile(const fs::path& target) {
    std::string tmpl = target.string() + std::string(kTempMark) + "XXXXXX";
    fd_ = mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd_ < 0) fail("cannot create temporary file", target, errno);
    path_ = tmpl;
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    closeFd();
    if (!path_.empty()) ::unlink(path_.c_str());
  }

  void setMode(mode_t mode) {
    if (::fchmod(fd_, mode) != 0) fail("cannot set permissions of temporary file", path_, errno);
  }

  void write(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
      const ssize_t n = ::write(fd_, p, left);
      if (n < 0) {
        if (errno == EINTR) continue;
        fail("cannot write temporary file", path_, errno);
      }
      p += n;
      left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd_) != 0) fail("cannot flush temporary file", path_, errno);
    const int err = closeFd();
    if (err != 0) fail("cannot close temporary file", path_, err);
  }

  void renameOver(const fs::path& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) fail("cannot replace file", target, errno);
    path_.clear();
  }

 private:
  int closeFd() {
    if (fd_ < 0) return 0;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }

  int fd_ = -1;
  fs::path path_;
};

// Makes the rename itself durable; a failure here loses nothing that was there before.
void syncFolder(const fs::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// The process's umask, read without changing it (umask(2) can only read by setting, which would
// race with other threads creating files); the common 022 when the kernel does not say.
mode_t currentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      try {
        return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8)) & 0777;
      } catch (const std::exception&) {
        break;
      }
    }
  }
  return 022;
}

}  // namespace

void writeFileAtomically(const fs::path& file, std::string_view bytes,
                         const std::function<void()>& beforeReplace) {
  writeFileAtomically(file, bytes, FileMode::ownerOnly, beforeReplace);
}

void writeFileAtomically(const fs::path& file, std::string_view bytes, FileMode mode,
                         const std::function<void()>& beforeReplace) {
  const fs::path folder = file.parent_path();
  if (!folder.empty()) fs::create_directories(folder);
  TempFile temp(file);
  if (mode == FileMode::userDocument) temp.setMode(0666 & ~currentUmask());
  temp.write(bytes);
  if (beforeReplace) beforeReplace();
  temp.renameOver(file);
  syncFolder(folder);
}

}  // namespace orvak

namespace orvak {

std::size_t sweepStaleTemporaryFiles(const fs::path& folder, std::int64_t nowMillis, double olderThanSeconds) {
  std::size_t removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const auto mark = name.rfind(kTempMark);
    // The mark and exactly the six characters mkostemp put after it.
    if (mark == std::string::npos || mark == 0 || name.size() != mark + kTempMark.size() + 6) continue;
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const double ageSeconds = static_cast<double>(nowMillis) / 1000.0 - static_cast<double>(st.st_mtime);
    if (!(ageSeconds >= olderThanSeconds)) continue;  // perhaps a write still under way
    std::error_code rm;
    if (fs::remove(it->path(), rm)) ++removed;
  }
  return removed;
}

}  // namespace orvak
