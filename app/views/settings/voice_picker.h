// The natural voice picker: a search field and three filters over a fixed-height list of the
// catalogue's voices, each row with a sample button and the rest of the row choosing the voice.
// It follows the catalogue (list, sample playing or loading) and the chosen voice.
#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "app/account/voice_list.h"
#include "app/settings/voice_picker_model.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;

namespace orvak {
class Prefs;
class VoiceCatalog;
class VoiceSource;
namespace look {
class InkLabel;
}
}  // namespace orvak

namespace orvak::views::settings {

// The round sample button of a row.
class PreviewButton : public QAbstractButton {
 public:
  PreviewButton(QString icon, QWidget* parent = nullptr);
  const QString& icon() const { return icon_; }
  QSize sizeHint() const override { return {24, 24}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString icon_;
};

// The rest of a row: name, tag, one-line description and the check mark of the chosen voice.
class VoiceSelectButton : public QAbstractButton {
 public:
  VoiceSelectButton(const VoiceCatalogItem& voice, bool selected, QWidget* parent = nullptr);
  bool selected() const { return isChecked(); }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  VoiceCatalogItem voice_;
  std::optional<std::string> tag_;
};

class VoicePicker : public QWidget {
 public:
  VoicePicker(VoiceCatalog& catalog, VoiceSource& source, Prefs& prefs, QWidget* parent = nullptr);
  ~VoicePicker() override;

  struct Row {
    std::string id;
    PreviewButton* preview;
    VoiceSelectButton* select;
  };
  const std::vector<Row>& rows() const { return rows_; }
  look::InkLabel* loading() const { return loading_; }  // shown without a list
  look::InkLabel* noMatch() const { return noMatch_; }  // shown when the filters leave nothing
  QLineEdit* search() const { return search_; }
  QComboBox* who() const { return who_; }
  QComboBox* accent() const { return accent_; }
  QCheckBox* otherLanguages() const { return others_; }
  QWidget* listFrame() const { return listFrame_; }

 private:
  VoicePickerModel::Filters filters() const;
  void rebuild();
  void rebuildRows();

  VoiceCatalog& catalog_;
  VoiceSource& source_;
  Prefs& prefs_;
  std::uint64_t catalogObserver_ = 0;
  std::uint64_t prefsObserver_ = 0;
  bool hadList_ = false;

  look::InkLabel* loading_ = nullptr;
  QWidget* filterRow_ = nullptr;
  QLineEdit* search_ = nullptr;
  QComboBox* who_ = nullptr;
  QComboBox* accent_ = nullptr;
  QCheckBox* others_ = nullptr;
  QWidget* listFrame_ = nullptr;
  QScrollArea* list_ = nullptr;
  QVBoxLayout* listColumn_ = nullptr;
  look::InkLabel* noMatch_ = nullptr;
  std::vector<Row> rows_;
};

}  // namespace orvak::views::settings
