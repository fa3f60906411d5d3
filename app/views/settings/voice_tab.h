// The Voice page: where the voice comes from (one row per offered vendor), that vendor's voice,
// the reading speed, and a sample read. Every control writes straight into Prefs.
#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "app/settings/voice_page_model.h"
#include "speech/on_device_engine.h"

class QComboBox;
class QLineEdit;

namespace orvak {
class Prefs;
class VoicePageHost;
namespace look {
class MarginButton;
}
}  // namespace orvak

namespace orvak::views::settings {

class MSection;
class MRow;
class VoicePicker;

// A vendor row: the radio mark, title and subtitle; the whole row takes clicks.
class VendorRowButton : public QAbstractButton {
 public:
  explicit VendorRowButton(const VoicePageModel::VendorRow& row, QWidget* parent = nullptr);
  const VoicePageModel::VendorRow& row() const { return row_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  VoicePageModel::VendorRow row_;
};

// One speed of the strip; the chosen one is raised on paper.
class SpeedButton : public QAbstractButton {
 public:
  SpeedButton(const VoicePageModel::SpeedButton& speed, QWidget* parent = nullptr);
  float value() const { return value_; }
  bool selected() const { return isChecked(); }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  float value_;
};

class VoiceTab : public QWidget {
 public:
  VoiceTab(VoicePageHost& host, Prefs& prefs, QWidget* parent = nullptr);
  ~VoiceTab() override;

  const std::vector<VendorRowButton*>& vendorRows() const { return vendorRows_; }
  VoicePageModel::Chooser chooser() const { return chooser_; }
  VoicePicker* picker() const { return picker_; }        // with the picker only
  QComboBox* voiceMenu() const { return voiceMenu_; }    // on-device or natural menu
  QLineEdit* voiceField() const { return voiceField_; }  // voice id or natural text field
  MRow* voiceRow() const { return voiceRow_; }
  const std::vector<SpeedButton*>& speeds() const { return speeds_; }
  look::MarginButton* sampleButton() const { return sample_; }

 private:
  void buildVoice();
  void showSpeed();

  VoicePageHost& host_;
  Prefs& prefs_;
  std::vector<OnDeviceEngine::VoiceChoice> onDevice_;
  MSection* voice_ = nullptr;
  std::vector<VendorRowButton*> vendorRows_;
  VoicePageModel::Chooser chooser_ = VoicePageModel::Chooser::onDeviceMenu;
  VoicePicker* picker_ = nullptr;
  QComboBox* voiceMenu_ = nullptr;
  QLineEdit* voiceField_ = nullptr;
  MRow* voiceRow_ = nullptr;
  std::vector<SpeedButton*> speeds_;
  look::MarginButton* sample_ = nullptr;
  std::uint64_t prefsObserver_ = 0;
};

}  // namespace orvak::views::settings
