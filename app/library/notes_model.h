// The library's model of saved highlights and notes: the pages that have them, the selected page
// with its items in reading order, a search over every item, the item whose note is being edited,
// and a short-lived toast that may carry an undo. It performs the user's actions on items (edit a
// note, delete with undo, restore, copy, listen, open the source) and on pages (listen, export).
//
// Main queue only. Observers hear which member changed, after it changed. The model reloads
// itself after its own edits and on "orvak.notesChanged"; its toast timer and its observation
// hold it weakly, so it is made through `make` and owned by a shared_ptr.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/library/source_opener.h"
#include "app/library/undo.h"
#include "core/base/dispatch.h"
#include "core/base/observers.h"
#include "core/library/notes_store.h"
#include "platform/clipboard.h"
#include "platform/file_reveal.h"
#include "platform/notify.h"
#include "platform/save_chooser.h"

namespace orvak {

class NotesModel : public std::enable_shared_from_this<NotesModel> {
 public:
  struct Toast {
    std::string text;
    std::optional<StoredItem> undo;  // the deleted item Undo brings back; delete toasts only
    std::uint64_t id = 0;            // new for every toast
    bool operator==(const Toast&) const = default;
  };

  // What the model reaches outside itself. Any may be null: the action needing it then does
  // nothing (no clipboard: no copy; no chooser: no export).
  struct Services {
    std::shared_ptr<platform::NotificationCenter> center;
    std::shared_ptr<platform::Clipboard> clipboard;
    std::shared_ptr<platform::SaveChooser> chooser;
    std::shared_ptr<platform::FileReveal> reveal;
    std::shared_ptr<SourceOpener> opener;
  };

  enum class Member { docs, selected, items, query, results, editing, toast };
  using Observer = std::function<void(Member)>;

  static constexpr std::size_t kSearchLimit = 300;
  static constexpr double kToastSeconds = 1.6;
  static constexpr double kUndoToastSeconds = 6.0;
  static constexpr const char* kLibraryExportTitle = "Orvak highlights and notes";

  // Observes "orvak.notesChanged" and loads the library.
  static std::shared_ptr<NotesModel> make(std::shared_ptr<NotesStore> store, Services services);

  NotesModel(const NotesModel&) = delete;
  NotesModel& operator=(const NotesModel&) = delete;

  // ---- State ----
  NotesStore& store() const { return *store_; }
  const std::shared_ptr<NotesStore>& storePtr() const { return store_; }
  const std::vector<DocumentSummary>& docs() const { return docs_; }
  const std::optional<std::string>& selected() const { return selected_; }
  const std::vector<StoredItem>& items() const { return items_; }
  const std::string& query() const { return query_; }
  const std::vector<StoredItem>& results() const { return results_; }
  const std::optional<std::int64_t>& editing() const { return editing_; }
  const std::optional<Toast>& toast() const { return toast_; }
  // The number of saved items in the library.
  std::int64_t total() const;
  // The selected page, when it is still among `docs`.
  std::optional<DocumentSummary> selectedDoc() const;

  // Reads a text aloud; set by the window manager.
  std::function<void(const std::string&)> read;

  std::uint64_t addObserver(Observer observer);
  void removeObserver(std::uint64_t token);

  // ---- Actions ----
  void reload();
  // A different text searches again; the same text does nothing.
  void setQuery(std::string query);
  void select(const std::string& key);
  // The card's note editor opens (an id) or closes (none).
  void setEditing(std::optional<std::int64_t> id);
  // Stores the note. When the store fails the editor stays open with the draft, and a toast says
  // so: a typed note is never lost while looking saved.
  void saveNote(const StoredItem& item, const std::string& text);
  // Deletes the item and shows the undo toast; `undo` (weakly held) gets an action that restores
  // it. A failed delete changes nothing the user sees.
  void remove(const StoredItem& item, const std::shared_ptr<UndoManager>& undo);
  void restore(const StoredItem& item);
  // The toast's Undo: through the undo manager when the action it would run is this toast's
  // delete, else a direct restore of the toast's item. Exactly one restore, of the right item.
  void undoToast();
  void copy(const StoredItem& item);
  void say(const std::string& text);
  void listen(const StoredItem& item);
  void listen(const DocumentSummary& page);
  // Asks where to save the page (or the whole library) as Markdown, writes it, shows it in the
  // file manager; a failed write is logged and toasted.
  void exportMarkdown(const std::optional<DocumentSummary>& page);
  // Opens where an item came from; what was opened, or nothing.
  std::optional<OpenedSource> openSource(const std::optional<std::string>& url, const std::string& app,
                                         const std::optional<std::string>& quote);

  // The texts `listen` reads.
  static std::string listenText(const StoredItem& item);
  static std::string listenText(const DocumentSummary& page, const std::vector<StoredItem>& items);

 private:
  NotesModel(std::shared_ptr<NotesStore> store, Services services);
  void runSearch();
  void show(Toast toast);
  void publish(Member m);
  void setToast(std::optional<Toast> toast);

  std::shared_ptr<NotesStore> store_;
  Services services_;
  std::vector<DocumentSummary> docs_;
  std::optional<std::string> selected_;
  std::vector<StoredItem> items_;
  std::string query_;
  std::vector<StoredItem> results_;
  std::optional<std::int64_t> editing_;
  std::optional<Toast> toast_;
  std::optional<dispatch::WorkItem> toastWork_;
  std::uint64_t lastToastId_ = 0;
  // The undo manager of the last delete, and the action registered there for that delete's toast.
  std::weak_ptr<UndoManager> lastUndo_;
  std::optional<UndoActionId> lastUndoAction_;
  std::uint64_t lastUndoToast_ = 0;
  platform::NotificationCenter::Observation observer_;
  Observers<Member> observers_;
};

}  // namespace orvak
