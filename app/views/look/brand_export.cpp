#include "app/views/look/brand_export.h"

#include <QFontMetricsF>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRadialGradient>
#include <functional>
#include <optional>
#include <ostream>
#include <system_error>

#include "app/views/look/app_icon.h"
#include "app/views/look/painting.h"
#include "app/views/look/text_styles.h"

namespace orvak::look::BrandExport {
namespace {

constexpr int kSizes[] = {1024, 512, 256};

struct Background {
  QColor colour;
  const char* name;
  QColor word;
};

std::vector<Background> backgrounds() { return {{night(), "night", cream()}, {paper(), "paper", ink()}}; }

// The word's face: the serif design, light and italic where the fonts have them.
QFont wordFont(double size, double kerning) {
  QFont f = serifFont(size, QFont::Light, true);
  f.setLetterSpacing(QFont::AbsoluteSpacing, kerning);
  return f;
}

void drawWord(QPainter& p, const QFont& font, const QColor& colour, const QRectF& box, Qt::Alignment align) {
  p.setFont(font);
  p.setPen(colour);
  p.drawText(box, align | Qt::AlignVCenter, QStringLiteral("Orvak"));
}

QRectF squareAround(QPointF centre, double side) {
  return {centre.x() - side / 2, centre.y() - side / 2, side, side};
}

// One image: the canvas, the drawing, the file. Returns the reason it failed, if it did.
std::optional<std::string> writeImage(const std::filesystem::path& dir, const std::string& name, int w, int h,
                                      const std::function<void(QPainter&)>& draw) {
  QImage img(w, h, QImage::Format_ARGB32);
  if (img.isNull()) {
    return "could not make a " + std::to_string(w) + " x " + std::to_string(h) + " canvas";
  }
  img.fill(Qt::transparent);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    draw(p);
  }
  const bool jpeg = name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0;
  const auto path = dir / name;
  QImageWriter writer(QString::fromStdString(path.string()), jpeg ? "jpg" : "png");
  if (jpeg) {
    writer.setQuality(90);
  }
  if (!writer.write(jpeg ? img.convertToFormat(QImage::Format_RGB32) : img)) {
    return writer.errorString().toStdString();
  }
  return std::nullopt;
}

}  // namespace

QColor night() { return QColor(20, 17, 13); }
QColor paper() { return QColor(243, 238, 229); }
QColor cream() { return QColor(244, 239, 230); }
QColor ink() { return QColor(23, 19, 14); }

std::vector<std::string> fileNames() {
  std::vector<std::string> out;
  for (int n : kSizes) {
    out.push_back("orvak-icon-" + std::to_string(n) + ".png");
    out.push_back("orvak-orb-" + std::to_string(n) + ".png");
  }
  for (const auto& b : backgrounds()) {
    out.push_back(std::string("orvak-") + b.name + "-1024.jpg");
    out.push_back(std::string("social-") + b.name + "-1080.jpg");
    out.push_back(std::string("share-") + b.name + "-1200x630.jpg");
  }
  return out;
}

void orb(QPainter& p, const QRectF& rect, bool halo) {
  if (halo) {
    QRadialGradient g(rect.center(), 0.92 * rect.width());
    g.setColorAt(0, QColor::fromRgb(244, 176, 124, qRound(0.42 * 255)));
    g.setColorAt(0.55, QColor::fromRgb(244, 176, 124, qRound(0.147 * 255)));
    g.setColorAt(1, QColor::fromRgb(244, 176, 124, 0));
    const double r = 0.92 * rect.width();
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(rect.center(), r, r);
    p.restore();
  }
  paintOrbBody(p, rect);
}

std::vector<std::string> run(const std::filesystem::path& dir, std::ostream& errors) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  // A folder that could not be made shows up as every image failing to write, one line each.
  std::vector<std::string> written;
  auto write = [&](const std::string& name, int w, int h, const std::function<void(QPainter&)>& draw) {
    if (const auto failure = writeImage(dir, name, w, h, draw)) {
      errors << "brand: could not write " << name << ": " << *failure << "\n";
    } else {
      written.push_back(name);
    }
  };

  for (int n : kSizes) {
    write("orvak-icon-" + std::to_string(n) + ".png", n, n, [n](QPainter& p) {
      p.drawImage(QRectF(0, 0, n, n), n == 512 ? AppIcon::image() : AppIcon::render(n));
    });
    write("orvak-orb-" + std::to_string(n) + ".png", n, n, [n](QPainter& p) {
      const double inset = 0.04 * n;
      orb(p, QRectF(0, 0, n, n).adjusted(inset, inset, -inset, -inset), false);
    });
  }
  for (const auto& b : backgrounds()) {
    write(std::string("orvak-") + b.name + "-1024.jpg", 1024, 1024, [&b](QPainter& p) {
      p.fillRect(QRectF(0, 0, 1024, 1024), b.colour);
      orb(p, squareAround(QPointF(512, 512), 0.42 * 1024), true);
    });
    write(std::string("social-") + b.name + "-1080.jpg", 1080, 1080, [&b](QPainter& p) {
      constexpr double side = 1080;
      p.fillRect(QRectF(0, 0, side, side), b.colour);
      orb(p, squareAround(QPointF(side / 2, side / 2 - 0.07 * side), 0.40 * side), true);
      const QFont font = wordFont(92, -1.84);
      const double t = QFontMetricsF(font).height();
      drawWord(p, font, b.word, QRectF(0, 0.79 * side - t / 2, side, t), Qt::AlignHCenter);
    });
    write(std::string("share-") + b.name + "-1200x630.jpg", 1200, 630, [&b](QPainter& p) {
      constexpr double w = 1200, h = 630;
      p.fillRect(QRectF(0, 0, w, h), b.colour);
      orb(p, squareAround(QPointF(0.3 * w, h / 2), 0.56 * h), true);
      const QFont font = wordFont(150, -3.0);
      const double t = QFontMetricsF(font).height();
      drawWord(p, font, b.word, QRectF(0.46 * w, 0.5 * h + 18 - t / 2, 0.5 * w, t), Qt::AlignLeft);
    });
  }
  return written;
}

}  // namespace orvak::look::BrandExport
