#include "core/base/atomic_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/support/files.h"
#include "tests/support/temp_home.h"

namespace fs = std::filesystem;

namespace {


std::size_t entries(const fs::path& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(AtomicFile, CreatesFolderAndReplacesContentsWhole) {
  const fs::path dir = orvak::test::freshDir("atomic");
  const fs::path file = dir / "nested" / "settings.json";
  orvak::writeFileAtomically(file, "a much longer first version\n");
  orvak::writeFileAtomically(file, "short\n");
  EXPECT_EQ(orvak::test::readFile(file), "short\n");
  EXPECT_EQ(entries(file.parent_path()), 1u) << "no temporary file left behind";
}

TEST(AtomicFile, ModeChoosesWhoMayReadTheNewFile) {
  const fs::path dir = orvak::test::freshDir("atomic");
  const mode_t old = ::umask(027);  // restored below; nothing else in this process makes files now
  orvak::writeFileAtomically(dir / "private", "x");
  orvak::writeFileAtomically(dir / "export.md", "x", orvak::FileMode::userDocument);
  ::umask(old);
  const auto mode = [](const fs::path& p) { return fs::status(p).permissions() & fs::perms::all; };
  EXPECT_EQ(mode(dir / "private"), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(mode(dir / "export.md"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(AtomicFile, FailureLeavesTheOldFileAndNoTemporary) {
  const fs::path dir = orvak::test::freshDir("atomic");
  const fs::path file = dir / "settings.json";
  orvak::writeFileAtomically(file, "old");
  // A rename onto a non-empty folder fails after the temporary file was written.
  const fs::path blocked = dir / "blocked";
  fs::create_directories(blocked / "inside");
  EXPECT_THROW(orvak::writeFileAtomically(blocked, "new"), fs::filesystem_error);
  EXPECT_EQ(orvak::test::readFile(file), "old");
  EXPECT_EQ(entries(dir), 2u);
}

TEST(AtomicFileDeathTest, ProcessKilledBetweenTemporaryAndRenameKeepsTheOldFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const fs::path file = orvak::test::freshDir("atomic") / "settings.json";
  orvak::writeFileAtomically(file, "old contents\n");
  EXPECT_EXIT(orvak::writeFileAtomically(file, "new contents\n", [] { std::raise(SIGKILL); }),
              ::testing::KilledBySignal(SIGKILL), "");
  EXPECT_EQ(orvak::test::readFile(file), "old contents\n");
}

TEST(AtomicFile, SweepRemovesOnlyOurStaleTemporaryFiles) {
  // What a killed write leaves is swept by a later start, once it is old enough; files that only
  // look similar are never ours to remove.
  const fs::path dir = orvak::test::freshDir("sweep");
  orvak::writeFileAtomically(dir / "settings.json", "kept");
  orvak::writeFileAtomically(dir / "settings.json", "kept", [&] {
    fs::copy_file(dir / "settings.json", dir / "copy");  // any file; the temporary is beside it
    for (const auto& e : fs::directory_iterator(dir)) {
      if (e.path().filename().string().starts_with("settings.json.orvak-tmp-")) {
        fs::copy_file(e.path(), dir / "settings.json.orvak-tmp-Killed");
      }
    }
  });
  fs::remove(dir / "copy");
  orvak::test::writeFile(dir / "notes.orvak-tmp-", "short name");
  orvak::test::writeFile(dir / "photo.jpg.XYZ123", "someone else's");
  orvak::test::writeFile(dir / "a.orvak-tmp-abcdef.keep", "longer name");
  std::size_t temps = 0;
  for (const auto& e : fs::directory_iterator(dir)) temps += e.path().filename().string().starts_with("settings.json.orvak-tmp-");
  EXPECT_EQ(temps, 1u);
  const std::int64_t now = static_cast<std::int64_t>(::time(nullptr)) * 1000;
  EXPECT_EQ(orvak::sweepStaleTemporaryFiles(dir, now), 0u) << "too young: perhaps a write under way";
  EXPECT_EQ(orvak::sweepStaleTemporaryFiles(dir, now + 7'200'000), 1u);
  std::set<std::string> left;
  for (const auto& e : fs::directory_iterator(dir)) left.insert(e.path().filename().string());
  EXPECT_EQ(left, (std::set<std::string>{"settings.json", "notes.orvak-tmp-", "photo.jpg.XYZ123", "a.orvak-tmp-abcdef.keep"}));
  EXPECT_EQ(orvak::sweepStaleTemporaryFiles(dir / "missing", now), 0u);
}

}  // namespace
