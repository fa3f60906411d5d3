// The text styles. Sizes are logical pixels; tracking is absolute letter spacing in pixels. The
// faces are fontconfig's: "sans-serif" for the system face, "serif" for the serif design and
// "monospace" for the monospaced one, so every machine with the same fonts draws the same.
#pragma once

#include <QFont>

namespace orvak::look {

QFont systemFont(double pixelSize, QFont::Weight weight = QFont::Normal);
QFont serifFont(double pixelSize, QFont::Weight weight = QFont::Normal, bool italic = false);
QFont monoFont(double pixelSize, QFont::Weight weight = QFont::Normal);
// For counters and times whose digits must not jitter: the system face when its digits are all
// of one width, else the monospaced face.
QFont digitsFont(double pixelSize, QFont::Weight weight = QFont::Normal);
// True when the ten digits of `font` advance by the same width.
bool hasEqualDigits(const QFont& font);

// The shared styles.
QFont headlineFont(double size);  // serif, light, tracking -0.025 x size
QFont eyebrowFont();              // monospace 10.5, medium, tracking 1.3
QFont buttonFont(bool primary);   // system 13, semibold or medium

}  // namespace orvak::look
