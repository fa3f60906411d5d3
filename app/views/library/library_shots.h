// The library panes' named pictures, over the sample library at a fixed time in a fixed time zone,
// so they look the same on every machine; and that sample library itself, for tests.
#pragma once

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "app/prefs.h"
#include "app/views/library/cards.h"
#include "app/views/shots.h"
#include "core/base/dispatch.h"

namespace orvak::views::library {

// A clipboard that keeps its text in memory.
class MemoryClipboard final : public platform::Clipboard {
 public:
  void setText(const std::string& t) override { text_ = t; }
  std::string text() override { return text_; }

 private:
  std::string text_;
};

// The sample library (resources/samples/library.json) in a temporary store, saved up to Saturday
// 14 March 2026, 09:26 in New York, with its models, settings and an undo history. Holds virtual
// time while it lives, so nothing else may.
class SampleLibrary {
 public:
  static constexpr double kNow = 1773494813;
  static dates::Zone zone() { return {"en_US", "America/New_York"}; }

  // `filled` false: an empty library.
  explicit SampleLibrary(bool filled = true, NotesModel::Services notesServices = {},
                         std::shared_ptr<LibraryService> service = nullptr);
  dispatch::VirtualTime& time() { return *time_; }
  // The first saved item whose quote begins with `start` (or whose note does, for an empty quote).
  StoredItem item(const std::string& start) const;

  std::unique_ptr<dispatch::VirtualTime> time_;
  QTemporaryDir dir;
  std::shared_ptr<platform::NotificationCenter> center;
  std::shared_ptr<MemoryClipboard> clipboard;
  std::shared_ptr<NotesStore> store;
  std::unique_ptr<Prefs> prefs;
  std::shared_ptr<MemoryUndoManager> undo;
  PaneContext ctx;
};

std::vector<Shot> libraryShots();

}  // namespace orvak::views::library
