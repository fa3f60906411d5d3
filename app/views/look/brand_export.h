// Writes the brand images (icons, bare orbs, square, social and share cards) into a folder.
#pragma once

#include <QColor>
#include <QRectF>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

class QPainter;

namespace orvak::look::BrandExport {

QColor night();  // 20, 17, 13: the dark background
QColor paper();  // 243, 238, 229: the light background
QColor cream();  // 244, 239, 230: the word on night
QColor ink();    // 23, 19, 14: the word on paper

// The twelve file names in the order they are written.
std::vector<std::string> fileNames();

// Writes every image into `dir`, creating it with its parents. A step that fails prints one line
// to `errors` ("brand: could not write NAME: " and the reason) and the export goes on with the
// rest. Returns the names of the images written, in fileNames() order: all twelve when nothing
// failed. Needs a QGuiApplication (fonts).
std::vector<std::string> run(const std::filesystem::path& dir, std::ostream& errors);

// The orb filling the oval inscribed in `rect`, with its warm halo behind it when `halo`.
void orb(QPainter& p, const QRectF& rect, bool halo);

}  // namespace orvak::look::BrandExport
