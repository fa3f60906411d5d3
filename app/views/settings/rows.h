// The settings layout: a titled card (`MSection`) holding one-line rows (`MRow`), each a label
// with an optional wrapping caption and a control at the right. Every settings page and the help
// page are built from them; they hold no state of their own.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>

class QVBoxLayout;

namespace orvak::look {
class Eyebrow;
class InkLabel;
}  // namespace orvak::look

namespace orvak::views::settings {

class ClampedText;

class MRow : public QWidget {
 public:
  static constexpr int kMinHeight = 44;
  static constexpr int kPadding = 10;  // above and below
  static constexpr double kTrailingFontSize = 12.5;

  // `trailing` may be null (nothing at the right); the row takes it over and sets the trailing
  // font on it, which its children inherit unless they set their own.
  MRow(const QString& label, std::optional<QString> caption, QWidget* trailing, QWidget* parent = nullptr);

  look::InkLabel* label() const { return label_; }
  ClampedText* caption() const { return caption_; }  // null without a caption
  QWidget* trailing() const { return trailing_; }
  // The hairline along the bottom edge, across the whole row.
  QRect hairline() const;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  look::InkLabel* label_;
  ClampedText* caption_ = nullptr;
  QWidget* trailing_;
};

class MSection : public QWidget {
 public:
  static constexpr int kSideInset = 16;
  static constexpr int kCardRadius = 14;

  explicit MSection(const QString& title, QWidget* parent = nullptr);

  // Appends a row or any other widget to the card's column.
  void add(QWidget* widget);
  MRow* addRow(const QString& label, std::optional<QString> caption, QWidget* trailing);
  // A line of text placed straight in the card (no hairline, no row padding).
  look::InkLabel* addText(const QString& text);
  // Removes and deletes everything in the card.
  void clear();

  look::Eyebrow* heading() const { return heading_; }
  QWidget* card() const { return card_; }

 private:
  look::Eyebrow* heading_;
  QWidget* card_;
  QVBoxLayout* content_;
};

}  // namespace orvak::views::settings
