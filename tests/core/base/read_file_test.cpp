// Reading a file whose path someone else chose: only regular files, within a size, never waiting.
#include "core/base/read_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "tests/support/temp_home.h"

namespace orvak {
namespace {

namespace fs = std::filesystem;
using Status = FileContents::Status;

TEST(ReadRegularFile, ReadsOnlyARegularFileWithinItsSizeAndNeverBlocks) {
  const fs::path dir = test::freshDir("regular");
  const fs::path small = dir / "page.txt";
  std::ofstream(small) << "A short page.";
  const fs::path big = dir / "big.txt";
  std::ofstream(big) << std::string(101, 'x');
  const fs::path pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);  // no writer: opening it to read would wait for one
  const fs::path link = dir / "zero-link";
  fs::create_symlink("/dev/zero", link);

  const struct {
    fs::path path;
    Status status;
  } cases[] = {
      {small, Status::read},        {big, Status::tooLarge},        {dir / "absent", Status::missing},
      {dir, Status::unreadable},    {pipe, Status::unreadable},     {"/dev/zero", Status::unreadable},
      {link, Status::unreadable},
  };
  for (const auto& c : cases) {
    const FileContents got = readRegularFile(c.path, 100);
    EXPECT_EQ(got.status, c.status) << c.path;
    if (c.status == Status::read) {
      EXPECT_EQ(got.bytes, "A short page.");
    } else {
      EXPECT_TRUE(got.bytes.empty()) << c.path;
    }
  }
  EXPECT_EQ(readRegularFile(big, 101).status, Status::read) << "as large as the limit is within it";
}

}  // namespace
}  // namespace orvak
