#include "app/library/notes_model.h"

#include <algorithm>
#include <numeric>

#include "app/library/notes_text.h"
#include "app/library/notifications.h"
#include "core/base/atomic_file.h"
#include "core/base/log.h"
#include "core/page/page_title.h"
#include "core/text/text.h"

namespace orvak {

namespace {

std::string kindNoun(const StoredItem& s) {
  return s.item.kind == ResearchItem::Kind::note ? "Note" : "Highlight";
}

// An item's text to read: the quote, the note after `notePrefix`, or both with a blank line.
std::string itemLine(const StoredItem& s, std::string_view notePrefix) {
  const std::string quote(text::trim(s.item.quote));
  const std::string note(text::trim(s.item.note.value_or("")));
  if (note.empty()) return quote;
  if (quote.empty()) return std::string(notePrefix) + note;
  return quote + "\n\n" + std::string(notePrefix) + note;
}

}  // namespace

std::shared_ptr<NotesModel> NotesModel::make(std::shared_ptr<NotesStore> store, Services services) {
  std::shared_ptr<NotesModel> model(new NotesModel(std::move(store), std::move(services)));
  if (model->services_.center) {
    std::weak_ptr<NotesModel> weak = model;
    model->observer_ = model->services_.center->observe(std::string(notifications::orvakNotesChanged),
                                                        [weak](const platform::Notification&) {
                                                          if (const auto self = weak.lock()) self->reload();
                                                        });
  }
  model->reload();
  return model;
}

NotesModel::NotesModel(std::shared_ptr<NotesStore> store, Services services)
    : store_(std::move(store)), services_(std::move(services)) {}

std::int64_t NotesModel::total() const {
  return std::accumulate(docs_.begin(), docs_.end(), std::int64_t{0},
                         [](std::int64_t sum, const DocumentSummary& d) { return sum + d.count; });
}

std::optional<DocumentSummary> NotesModel::selectedDoc() const {
  if (!selected_) return std::nullopt;
  const auto it = std::find_if(docs_.begin(), docs_.end(), [&](const DocumentSummary& d) { return d.key == *selected_; });
  if (it == docs_.end()) return std::nullopt;
  return *it;
}

std::uint64_t NotesModel::addObserver(Observer observer) { return observers_.add(std::move(observer)); }

void NotesModel::removeObserver(std::uint64_t token) { observers_.remove(token); }

void NotesModel::publish(Member m) { observers_.notify(m); }

void NotesModel::reload() {
  docs_ = store_->documents();
  publish(Member::docs);
  const bool listed = selected_ && std::any_of(docs_.begin(), docs_.end(),
                                               [&](const DocumentSummary& d) { return d.key == *selected_; });
  if (!listed) {
    selected_ = docs_.empty() ? std::nullopt : std::optional<std::string>(docs_.front().key);
    publish(Member::selected);
  }
  items_ = selected_ ? store_->items(*selected_) : std::vector<StoredItem>{};
  publish(Member::items);
  if (!query_.empty()) runSearch();
}

void NotesModel::setQuery(std::string query) {
  if (query == query_) return;
  query_ = std::move(query);
  publish(Member::query);
  runSearch();
}

void NotesModel::runSearch() {
  const std::string_view text = text::trim(query_, text::TrimSet::whitespaces);
  results_ = text.empty() ? std::vector<StoredItem>{} : store_->search(text, std::nullopt, kSearchLimit);
  publish(Member::results);
}

void NotesModel::select(const std::string& key) {
  setQuery("");
  setEditing(std::nullopt);
  selected_ = key;
  publish(Member::selected);
  items_ = store_->items(key);
  publish(Member::items);
}

void NotesModel::setEditing(std::optional<std::int64_t> id) {
  if (editing_ == id) return;
  editing_ = id;
  publish(Member::editing);
}

void NotesModel::saveNote(const StoredItem& item, const std::string& text) {
  try {
    store_->updateNote(item.id, text);
  } catch (const std::exception& e) {
    Log::write(std::string("notes: edit failed: ") + e.what());
    say("Note not saved");
    return;
  }
  setEditing(std::nullopt);
  reload();
}

void NotesModel::remove(const StoredItem& given, const std::shared_ptr<UndoManager>& undo) {
  // A copy: callers pass one of the model's own items, which the reload below replaces.
  const StoredItem item = given;
  try {
    store_->deleteItem(item.id);
  } catch (const std::exception& e) {
    Log::write(std::string("notes: delete failed: ") + e.what());
    return;
  }
  lastUndo_ = undo;
  lastUndoAction_.reset();
  if (undo) {
    std::weak_ptr<NotesModel> weak = weak_from_this();
    lastUndoAction_ = undo->registerUndo("Delete " + kindNoun(item), [weak, item] {
      if (const auto self = weak.lock()) self->restore(item);
    });
  }
  reload();
  show(Toast{kindNoun(item) + " deleted", item, ++lastToastId_});
  lastUndoToast_ = lastToastId_;
}

void NotesModel::restore(const StoredItem& item) {
  try {
    store_->restore(item);
  } catch (const std::exception& e) {
    Log::write(std::string("notes: restore failed: ") + e.what());
    return;
  }
  if (toastWork_) toastWork_->cancel();
  toastWork_.reset();
  setToast(std::nullopt);
  const bool listed = selected_ && std::any_of(docs_.begin(), docs_.end(),
                                               [&](const DocumentSummary& d) { return d.key == item.docKey; });
  if (!listed) {
    // Nothing selected, or the item's page left the list with its last item: bring it back selected.
    selected_ = item.docKey;
    publish(Member::selected);
  }
  reload();
}

void NotesModel::undoToast() {
  if (!toast_ || !toast_->undo) return;
  const StoredItem item = *toast_->undo;
  const auto manager = lastUndo_.lock();
  const bool ours = manager && lastUndoToast_ == toast_->id && lastUndoAction_ && manager->canUndo() &&
                    manager->nextUndo() == lastUndoAction_;
  if (ours) {
    manager->undo();
  } else {
    restore(item);
  }
}

void NotesModel::copy(const StoredItem& item) {
  if (!services_.clipboard) return;
  services_.clipboard->setText(NotesText::plain(item));
  say("Copied");
}

void NotesModel::say(const std::string& text) { show(Toast{text, std::nullopt, ++lastToastId_}); }

void NotesModel::setToast(std::optional<Toast> toast) {
  if (toast_ == toast) return;
  toast_ = std::move(toast);
  publish(Member::toast);
}

void NotesModel::show(Toast toast) {
  if (toastWork_) toastWork_->cancel();
  const std::uint64_t id = toast.id;
  const double seconds = toast.undo ? kUndoToastSeconds : kToastSeconds;
  setToast(std::move(toast));
  std::weak_ptr<NotesModel> weak = weak_from_this();
  toastWork_ = dispatch::main().asyncAfter(seconds, [weak, id] {
    const auto self = weak.lock();
    if (self && self->toast_ && self->toast_->id == id) self->setToast(std::nullopt);
  });
}

std::string NotesModel::listenText(const StoredItem& item) { return itemLine(item, "You said: "); }

std::string NotesModel::listenText(const DocumentSummary& page, const std::vector<StoredItem>& items) {
  std::string lines;
  for (const auto& item : items) {
    const std::string line = itemLine(item, "Your note: ");
    if (line.empty()) continue;
    lines += (lines.empty() ? "" : "\n\n") + line;
  }
  if (lines.empty()) return "";
  return "Your highlights from " + PageTitle::clean(page.title, page.app, page.url) + ".\n\n" + lines;
}

void NotesModel::listen(const StoredItem& item) {
  const std::string text = listenText(item);
  if (!text.empty() && read) read(text);
}

void NotesModel::listen(const DocumentSummary& page) {
  const std::string text = listenText(page, items_);
  if (!text.empty() && read) read(text);
}

void NotesModel::exportMarkdown(const std::optional<DocumentSummary>& page) {
  if (!services_.chooser) return;
  std::string markdown = page ? store_->markdown(std::string_view(page->key)) : store_->markdown(std::nullopt);
  const std::string title = page ? PageTitle::clean(page->title, page->app, page->url) : kLibraryExportTitle;
  std::weak_ptr<NotesModel> weak = weak_from_this();
  services_.chooser->chooseSaveFile(
      platform::SaveRequest{NotesText::exportFileName(title), "Markdown (*.md)"},
      [weak, markdown = std::move(markdown), reveal = services_.reveal](std::optional<std::filesystem::path> file) {
        if (!file) return;
        try {
          writeFileAtomically(*file, markdown, FileMode::userDocument);
        } catch (const std::exception& e) {
          Log::write(std::string("notes: export failed: ") + e.what());
          if (const auto self = weak.lock()) self->say("Export failed");
          return;
        }
        if (reveal) reveal->reveal(*file);
      });
}

std::optional<OpenedSource> NotesModel::openSource(const std::optional<std::string>& url, const std::string& app,
                                                   const std::optional<std::string>& quote) {
  if (!services_.opener) return std::nullopt;
  return services_.opener->open(url, app, quote);
}

}  // namespace orvak
