// The two cards of the library: `SavedCard`, one saved highlight or note with its quote, the
// user's words, where and when it was saved and every action on it (the note edited in place,
// copy, delete with undo, listen, open at the quote, show its page); and `HeardCard`, one kept
// page an answer cites, with its excerpt and a way back to it.
//
// A saved card holds nothing of its own but the note being typed and whether the pointer is over
// it; whether it is being edited is the notes model's `editing`, which the pane hands to every
// card when it changes. Cards are reused by row id across reloads, so a draft survives one.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/library/library_model.h"
#include "app/library/notes_model.h"
#include "app/library/panes.h"
#include "app/views/library/library_widgets.h"

class QMenu;
class QPlainTextEdit;
class QVariantAnimation;
class QGraphicsOpacityEffect;

namespace orvak::views::library {

// What every pane and card works with: the window's models and undo history, and the hotkey.
struct PaneContext {
  std::shared_ptr<LibraryModel> lib;
  std::shared_ptr<NotesModel> notes;
  std::shared_ptr<UndoManager> undo;  // may be null: deleting then registers no undo
  Prefs* prefs = nullptr;             // the hotkey and the history settings
  std::shared_ptr<panes::Confirmer> confirmer;
  std::string keyName() const;
};

// The page title and the "· source · time" line on one baseline, the title cut first.
class TitleLine : public QWidget {
 public:
  TitleLine(QString title, QString line, QWidget* parent = nullptr);
  void set(QString title, QString line);
  QString title() const { return title_; }
  QString line() const { return line_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString title_, line_;
};

class SavedCard : public Surface {
 public:
  SavedCard(const PaneContext& ctx, const StoredItem& s, std::optional<std::int64_t> number, bool timeOnly,
            QWidget* parent = nullptr);

  const StoredItem& item() const { return s_; }
  // The same row with new contents (after a reload): redrawn in place, the draft kept.
  void setItem(const StoredItem& s);
  // Follows the notes model's `editing`: opens the editor for this card, or closes it.
  void syncEditing();
  bool editing() const;

  // The note editor: start (draft from the note, this card named as the one edited, focus),
  // save (the draft stored), cancel (the stored note untouched).
  void startEdit();
  void save();
  void cancel();

  void setHover(bool hover);
  bool hover() const { return hover_; }

  // For tests and pictures.
  QLabel* quoteLabel() const { return quote_; }
  QWidget* yourWords() const { return yourWords_; }
  QPlainTextEdit* editor() const { return field_; }
  QWidget* hoverButtons() const { return hoverRow_; }
  SmallButton* openButton() const { return open_; }
  SmallButton* listenButton() const { return listen_; }
  TitleLine* titleLine() const { return titleLine_; }
  // The context menu as it would open now.
  QMenu* makeMenu(QWidget* parent);
  // The quote's band colour, or none for a note.
  bool hasBand() const;

 protected:
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void contextMenuEvent(QContextMenuEvent*) override;
  void paintEvent(QPaintEvent*) override;

 private:
  void fill();
  void buildEditor();
  void updateHoverRow();

  PaneContext ctx_;
  StoredItem s_;
  std::optional<std::int64_t> number_;
  bool timeOnly_;
  bool hover_ = false;
  bool hoverShown_ = false;  // the hover buttons are (or are coming) in
  QString draft_;
  look::Appearance builtFor_;

  Text* number_label_ = nullptr;
  Text* quote_ = nullptr;
  QWidget* yourWords_ = nullptr;
  Text* yourWordsNote_ = nullptr;
  QWidget* editorBox_ = nullptr;
  QPlainTextEdit* field_ = nullptr;
  TitleLine* titleLine_ = nullptr;
  QWidget* hoverRow_ = nullptr;
  TextButton* noteButton_ = nullptr;
  SmallButton* listen_ = nullptr;
  SmallButton* open_ = nullptr;
  QVariantAnimation* hoverAnim_ = nullptr;
};

class HeardCard : public Surface {
 public:
  HeardCard(const PaneContext& ctx, const PageHit& p, std::int64_t number, QWidget* parent = nullptr);
  SmallButton* openButton() const { return open_; }
  TitleLine* titleLine() const { return titleLine_; }

 private:
  PaneContext ctx_;
  PageHit p_;
  TitleLine* titleLine_ = nullptr;
  SmallButton* open_ = nullptr;
};

}  // namespace orvak::views::library
