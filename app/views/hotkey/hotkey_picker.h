// The key chooser: the six trigger keys as a menu (settings) or as a grid of cards (first run),
// and below them the row that runs the hotkey test. It shows what the settings and the test hold
// and redraws when either changes.
#pragma once

#include <QAbstractButton>
#include <QVariantAnimation>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "app/hotkey/hotkey_picker_model.h"

class QComboBox;
class QHBoxLayout;
class QLabel;

namespace orvak::views::hotkey {

// One choice in the grid: key cap, title and caption on a rounded card; the whole card is the
// button.
class HotkeyCard : public QAbstractButton {
 public:
  HotkeyCard(const ModifierTap::Choice& choice, QWidget* parent = nullptr);
  std::uint16_t keyCode() const { return keyCode_; }
  bool selected() const { return selected_; }
  void setSelected(bool selected);
  QString title() const;
  QString caption() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  std::uint16_t keyCode_;
  bool selected_ = false;
  double shown_ = 0;  // where the drawing stands between unselected (0) and selected (1)
  QVariantAnimation ease_;
  QLabel* title_;
  QLabel* caption_;
};

class HotkeyPicker : public QWidget {
 public:
  // `keyWatched` false: the session cannot watch the key; the row says so and offers no test.
  HotkeyPicker(Prefs& prefs, HotkeyTest& test, bool compact, QWidget* parent = nullptr, bool keyWatched = true);
  ~HotkeyPicker() override;

  bool compact() const { return menu_ != nullptr; }
  QComboBox* menu() const { return menu_; }                         // compact only
  const std::vector<HotkeyCard*>& cards() const { return cards_; }  // full only
  // The test row's widget; its children are made anew on every change of the test.
  QWidget* testRow() const { return row_; }
  // The row's texts and button label as drawn, for tests and accessibility.
  QString rowText() const;
  QAbstractButton* rowButton() const { return rowButton_; }

 private:
  void showSelection();
  void rebuildRow();

  Prefs& prefs_;
  HotkeyTest& test_;
  HotkeyPickerModel model_;
  QComboBox* menu_ = nullptr;
  std::vector<HotkeyCard*> cards_;
  QWidget* row_ = nullptr;
  QHBoxLayout* rowLayout_ = nullptr;
  QLabel* rowLabel_ = nullptr;
  QAbstractButton* rowButton_ = nullptr;
  std::uint64_t prefsObserver_ = 0;
  std::uint64_t testObserver_ = 0;
};

}  // namespace orvak::views::hotkey
