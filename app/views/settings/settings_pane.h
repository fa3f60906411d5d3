// The frame of every settings page and of help: a scroll area holding a column with the page's
// eyebrow and headline over its content. It builds the General and Advanced pages itself; the
// other pages' contents are handed in. Every control stores into `Prefs` at once; what a change
// sets off follows from Prefs and its observers.
#pragma once

#include <QAbstractButton>
#include <QScrollArea>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/main_model.h"
#include "app/settings/general_settings.h"

namespace orvak {
class Prefs;
class SettingsHost;
namespace look {
class Eyebrow;
class Headline;
class InkLabel;
class MarginButton;
class OrbitSwitch;
}  // namespace look
}  // namespace orvak

namespace orvak::views::settings {

class MRow;
class MSection;

// One of the appearance choices: a capsule, filled with ink when selected.
class AppearanceCapsule : public QAbstractButton {
 public:
  AppearanceCapsule(const QString& text, QWidget* parent = nullptr);
  void setSelected(bool selected);
  bool selected() const { return selected_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool selected_ = false;
};

class SettingsPane : public QScrollArea {
 public:
  // The pages whose contents other parts build; a missing one leaves its page under the header.
  struct Pages {
    std::function<QWidget*()> account;
    std::function<QWidget*()> voice;
    std::function<QWidget*()> pronunciation;
    std::function<QWidget*()> keys;
    // The compact key chooser with its test row, under "Read / stop".
    std::function<QWidget*()> hotkeyPicker;
  };

  SettingsPane(SettingsHost& host, Prefs& prefs, MainModel::Page page, Pages pages = {}, QWidget* parent = nullptr);
  ~SettingsPane() override;

  const GeneralSettings::Frame& frame() const { return frame_; }
  look::Eyebrow* eyebrow() const { return eyebrow_; }
  look::Headline* headline() const { return headline_; }
  QWidget* content() const { return content_; }

  // Looking things up by what they show, as a person would.
  MSection* section(const QString& title) const;
  MRow* row(const QString& label) const;                   // the first row with that label, shown or not
  std::vector<MRow*> rows(const MSection* section) const;  // in order, shown ones only
  const std::vector<AppearanceCapsule*>& capsules() const { return capsules_; }
  look::MarginButton* addAppButton() const { return addApp_; }
  look::MarginButton* openSetupButton() const { return openSetup_; }  // null when not shown

 private:
  QWidget* buildGeneral();
  QWidget* buildAdvanced();
  look::OrbitSwitch* bindSwitch(std::function<bool()> get, std::function<void(bool)> set);
  void follow();
  void rebuildNeverRead();
  void rebuildPermissions();

  SettingsHost& host_;
  Prefs& prefs_;
  GeneralSettings::Frame frame_;
  Pages pages_;
  look::Eyebrow* eyebrow_ = nullptr;
  look::Headline* headline_ = nullptr;
  QWidget* content_ = nullptr;

  struct Bound {
    look::OrbitSwitch* control;
    std::function<bool()> get;
  };
  std::vector<Bound> switches_;
  std::vector<AppearanceCapsule*> capsules_;
  MRow* followWords_ = nullptr;
  MRow* focusMode_ = nullptr;
  MRow* listen_ = nullptr;
  MSection* neverRead_ = nullptr;
  look::MarginButton* addApp_ = nullptr;
  MSection* permissions_ = nullptr;
  look::MarginButton* openSetup_ = nullptr;
  std::uint64_t prefsObserver_ = 0;
  std::uint64_t permissionsObserver_ = 0;
};

}  // namespace orvak::views::settings
