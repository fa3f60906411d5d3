// The cheat sheet drawn: each group's title upper-cased over a two-column grid of phrases and
// what they do; in the compact form a closing line points to the help page.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class QVBoxLayout;

namespace orvak::views::settings {

class FitLine;
class ClampedText;

class CheatSheetView : public QWidget {
 public:
  CheatSheetView(const QString& key, bool compact, QWidget* parent = nullptr);

  // Rebuilds the rows for another hotkey name.
  void setKey(const QString& key);
  bool compact() const { return compact_; }

  // What is on show, for tests and the accessibility tree alike.
  struct Shown {
    QString title;  // as drawn (upper case)
    std::vector<std::pair<FitLine*, ClampedText*>> rows;
  };
  const std::vector<Shown>& shown() const { return shown_; }
  QWidget* closing() const { return closing_; }  // null outside the compact form

 private:
  void build(const QString& key);

  bool compact_;
  QVBoxLayout* outer_;
  QWidget* body_ = nullptr;  // everything shown, rebuilt whole for a new key
  std::vector<Shown> shown_;
  QWidget* closing_ = nullptr;
};

}  // namespace orvak::views::settings
