#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <filesystem>
#include <sstream>
#include <fstream>
#include <unistd.h>

#include "app/views/look/brand_export.h"

namespace orvak::look {
namespace {

namespace fs = std::filesystem;

fs::path freshDir(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("orvak-brand-" + std::to_string(::getpid())) / name;
  fs::remove_all(dir);
  return dir;
}

QImage load(const fs::path& p) { return QImage(QString::fromStdString(p.string())).convertToFormat(QImage::Format_ARGB32); }

int distance(QRgb a, const QColor& b) {
  return std::abs(qRed(a) - b.red()) + std::abs(qGreen(a) - b.green()) + std::abs(qBlue(a) - b.blue());
}

TEST(BrandExport, WritesTheTwelveImagesIntoANewNestedFolder) {
  const fs::path dir = freshDir("nested") / "deeper" / "brand";
  std::ostringstream errors;
  const auto written = BrandExport::run(dir, errors);
  EXPECT_EQ(errors.str(), "");

  const std::vector<std::string> expected{
      "orvak-icon-1024.png", "orvak-orb-1024.png", "orvak-icon-512.png", "orvak-orb-512.png",
      "orvak-icon-256.png", "orvak-orb-256.png", "orvak-night-1024.jpg", "social-night-1080.jpg",
      "share-night-1200x630.jpg", "orvak-paper-1024.jpg", "social-paper-1080.jpg", "share-paper-1200x630.jpg"};
  EXPECT_EQ(BrandExport::fileNames(), expected);
  EXPECT_EQ(written, expected);

  // Written in that order: each file is no older than the one before it.
  auto previous = fs::file_time_type::min();
  for (const auto& name : expected) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(fs::exists(dir / name));
    const auto t = fs::last_write_time(dir / name);
    EXPECT_GE(t, previous);
    previous = t;
  }

  const struct {
    const char* name;
    int w, h;
  } sizes[] = {{"orvak-icon-1024.png", 1024, 1024}, {"orvak-orb-256.png", 256, 256},
               {"orvak-night-1024.jpg", 1024, 1024}, {"social-paper-1080.jpg", 1080, 1080},
               {"share-night-1200x630.jpg", 1200, 630}};
  for (const auto& s : sizes) {
    EXPECT_EQ(QImageReader(QString::fromStdString((dir / s.name).string())).size(), QSize(s.w, s.h)) << s.name;
  }

  // Orbs float on transparency; the JPEGs are opaque and their corners are the background.
  for (const char* name : {"orvak-orb-1024.png", "orvak-orb-256.png", "orvak-icon-512.png"}) {
    const QImage img = load(dir / name);
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << name;
    EXPECT_EQ(qAlpha(img.pixel(img.width() - 1, img.height() - 1)), 0) << name;
    EXPECT_GT(qAlpha(img.pixel(img.width() / 2, img.height() / 2)), 250) << name;
  }
  const struct {
    const char* name;
    QColor background;
  } cards[] = {{"orvak-night-1024.jpg", BrandExport::night()}, {"social-night-1080.jpg", BrandExport::night()},
               {"share-paper-1200x630.jpg", BrandExport::paper()}, {"orvak-paper-1024.jpg", BrandExport::paper()}};
  for (const auto& c : cards) {
    const QImage img = load(dir / c.name);
    EXPECT_FALSE(QImageReader(QString::fromStdString((dir / c.name).string())).read().hasAlphaChannel()) << c.name;
    EXPECT_LE(distance(img.pixel(0, 0), c.background), 6) << c.name;
    EXPECT_LE(distance(img.pixel(img.width() - 1, img.height() - 1), c.background), 6) << c.name;
  }
}

// The word's pixels: those in its band that are far from the background. On night they must be
// near cream, on paper near ink.
TEST(BrandExport, TheWordIsCreamOnNightAndInkOnPaper) {
  const fs::path dir = freshDir("word");
  std::ostringstream errors;
  ASSERT_EQ(BrandExport::run(dir, errors).size(), 12u);
  const struct {
    const char* name;
    QColor background, word;
    QRect band;
  } table[] = {
      {"social-night-1080.jpg", BrandExport::night(), BrandExport::cream(), QRect(0, 800, 1080, 110)},
      {"social-paper-1080.jpg", BrandExport::paper(), BrandExport::ink(), QRect(0, 800, 1080, 110)},
      {"share-night-1200x630.jpg", BrandExport::night(), BrandExport::cream(), QRect(552, 250, 600, 180)},
      {"share-paper-1200x630.jpg", BrandExport::paper(), BrandExport::ink(), QRect(552, 250, 600, 180)},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.name);
    const QImage img = load(dir / c.name);
    int strong = 0, nearWord = 0;
    for (int y = c.band.top(); y <= c.band.bottom(); ++y) {
      for (int x = c.band.left(); x <= c.band.right(); ++x) {
        const QRgb px = img.pixel(x, y);
        // Solid stroke pixels: as far from the background as the word's colour nearly is.
        if (distance(px, c.background) > 0.85 * distance(c.word.rgb(), c.background)) {
          ++strong;
          nearWord += distance(px, c.word) < 60 ? 1 : 0;
        }
      }
    }
    EXPECT_GT(strong, 500) << "the word is drawn";
    EXPECT_GT(nearWord, strong * 9 / 10);
  }
}

TEST(BrandExport, ASecondRunOverwrites) {
  const fs::path dir = freshDir("twice");
  fs::create_directories(dir);
  // A stale file of the same name, which the export must replace.
  { std::ofstream(dir / "orvak-orb-256.png") << "stale"; }
  std::ostringstream errors;
  ASSERT_EQ(BrandExport::run(dir, errors).size(), 12u);
  ASSERT_EQ(BrandExport::run(dir, errors).size(), 12u);
  EXPECT_EQ(load(dir / "orvak-orb-256.png").size(), QSize(256, 256));
}

TEST(BrandExport, AnUnwritableFolderReportsEveryImageAndClaimsNone) {
  // A regular file in the path fails for root too, where a read-only folder would not.
  const fs::path base = freshDir("blocked");
  fs::create_directories(base);
  { std::ofstream(base / "file") << "not a folder"; }
  std::ostringstream errors;
  EXPECT_EQ(BrandExport::run(base / "file" / "brand", errors), std::vector<std::string>{});
  std::istringstream lines(errors.str());
  std::vector<std::string> got;
  for (std::string line; std::getline(lines, line);) {
    got.push_back(line);
  }
  const auto names = BrandExport::fileNames();
  ASSERT_EQ(got.size(), names.size()) << errors.str();
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(got[i].rfind("brand: could not write " + names[i] + ": ", 0), 0u) << got[i];
    EXPECT_GT(got[i].size(), ("brand: could not write " + names[i] + ": ").size()) << "with its reason";
  }
}

}  // namespace
}  // namespace orvak::look
