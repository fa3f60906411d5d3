// The library window's model: the stream of saved highlights and notes with its filter and day
// groups, the listened pages, the written documents, a question asked about the library and the
// document written from its answer, and the page texts due to be cleared.
//
// Main queue only; observers hear which member changed. A question goes out with numbered
// sources (saved items found by its terms, the newest items, kept page texts); the answer comes
// back with the sources it cites. Only the newest question's reply is shown. A document request
// always ends with `writing` false again, whatever became of it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/account/library_service.h"
#include "app/library/notes_model.h"
#include "core/base/date_format.h"
#include "core/base/observers.h"
#include "core/library/notes_store.h"
#include "platform/clipboard.h"
#include "platform/notify.h"
#include "platform/save_chooser.h"

namespace orvak {

class LibraryModel : public std::enable_shared_from_this<LibraryModel> {
 public:
  enum class Filter { all, words, week };
  static constexpr std::array<Filter, 3> allFilters{Filter::all, Filter::words, Filter::week};
  // "All", "With your words", "This week"; construction accepts exactly these.
  static std::string_view rawValue(Filter f);
  static std::optional<Filter> filterFromRaw(std::string_view raw);

  // One numbered source of a question: a saved item or a kept page, never both.
  struct Cited {
    std::int64_t n = 0;
    std::optional<StoredItem> item;
    std::optional<PageHit> page;
    bool operator==(const Cited&) const = default;
  };

  struct Idle {
    bool operator==(const Idle&) const = default;
  };
  struct Asking {
    std::string question;
    bool operator==(const Asking&) const = default;
  };
  struct Answer {
    std::string question;
    std::string text;
    std::vector<Cited> cited;  // the sources the answer cites, in its order
    std::vector<Cited> sent;   // every source sent
    bool operator==(const Answer&) const = default;
  };
  struct Failed {
    std::string question;
    std::string message;
    bool operator==(const Failed&) const = default;
  };
  using AskState = std::variant<Idle, Asking, Answer, Failed>;

  struct DayGroup {
    std::string label;
    std::vector<StoredItem> items;
    bool operator==(const DayGroup&) const = default;
  };

  struct Services {
    std::shared_ptr<platform::NotificationCenter> center;
    std::shared_ptr<platform::Clipboard> clipboard;
    std::shared_ptr<platform::SaveChooser> chooser;
    std::shared_ptr<LibraryService> service;
  };

  enum class Member { filter, stream, listened, docs, openDoc, openPage, ask, writing, pending, pendingDismissed };
  using Observer = std::function<void(Member)>;

  static constexpr std::size_t kStreamLimit = 1000;
  static constexpr std::size_t kListenedLimit = 300;
  static constexpr std::int64_t kWarnDays = 7;

  // Observes "orvak.notesChanged" and loads the library.
  static std::shared_ptr<LibraryModel> make(std::shared_ptr<NotesModel> notes, Services services);

  LibraryModel(const LibraryModel&) = delete;
  LibraryModel& operator=(const LibraryModel&) = delete;

  // ---- State ----
  NotesModel& notes() const { return *notes_; }
  Filter filter() const { return filter_; }
  const std::vector<StoredItem>& stream() const { return stream_; }
  const std::vector<ListenedItem>& listened() const { return listened_; }
  const std::vector<WrittenDoc>& docs() const { return docs_; }
  const std::optional<std::int64_t>& openDoc() const { return openDoc_; }
  bool openPage() const { return openPage_; }
  const AskState& ask() const { return ask_; }
  bool writing() const { return writing_; }
  const std::optional<ExpiringPages>& pending() const { return pending_; }
  bool pendingDismissed() const { return pendingDismissed_; }

  void setFilter(Filter f);
  void setOpenDoc(std::optional<std::int64_t> id);
  void setOpenPage(bool open);
  void setAsk(AskState state);
  void setPendingDismissed(bool dismissed);

  // The history keep days; the window manager installs the setting's.
  std::function<std::int64_t()> keepDays = [] { return std::int64_t{90}; };
  // Switches the main window to a page, by its raw id ("documents").
  std::function<void(const std::string& page)> show;
  // The locale and time zone of day labels and dates sent (the user's unless a test fixes them).
  dates::Zone zone;

  std::uint64_t addObserver(Observer observer);
  void removeObserver(std::uint64_t token);

  // ---- Reading ----
  void reload();
  // `stream` under the filter, in order.
  std::vector<StoredItem> shown() const;
  // `shown` cut into consecutive groups of the same day label.
  std::vector<DayGroup> days() const;
  // "Today", "Yesterday", the weekday for two to five days before today, else "Saturday, Mar 14";
  // by calendar days in the zone.
  static std::string dayLabel(Date date, Date now, const dates::Zone& zone);

  // The search terms of a question: lower-cased runs of letters and numbers of at least 3
  // characters that are not stop words, in order, repeats kept.
  static std::vector<std::string> terms(std::string_view question);
  // The numbered sources for a question: up to 80 saved items, newest first, then up to 10 kept
  // pages (the focused page first).
  std::vector<Cited> context(std::string_view question, const std::optional<std::string>& focus) const;
  // The sources as the service receives them.
  std::vector<account::LibraryItem> payload(const std::vector<Cited>& sources) const;
  // "2026-03-14 (Saturday)".
  std::string dayText(Date d) const;

  // ---- Acting ----
  void askLibrary(std::string_view question, const std::optional<std::string>& focus);
  void makeDocument();
  void copy(const WrittenDoc& doc);
  void exportMarkdown(const WrittenDoc& doc);

  // A document's Markdown: title, paragraphs with their citation marks, the sources.
  static std::string markdown(const WrittenDoc& doc);
  // The cited numbers renumbered 1, 2, 3... in order of first citation, each with its source;
  // numbers that match no source are dropped from the paragraphs first.
  static std::pair<std::vector<WrittenDoc::Para>, std::vector<WrittenDoc::Source>> renumber(
      const std::vector<account::LibraryDoc::P>& paragraphs, const std::vector<Cited>& sources);

 private:
  LibraryModel(std::shared_ptr<NotesModel> notes, Services services);
  void publish(Member m);
  void setWriting(bool writing);
  // Ends a document request: `writing` goes back to false on the main queue, after the result.
  class WritingScope;

  std::shared_ptr<NotesModel> notes_;
  Services services_;
  Filter filter_ = Filter::all;
  std::vector<StoredItem> stream_;
  std::vector<ListenedItem> listened_;
  std::vector<WrittenDoc> docs_;
  std::optional<std::int64_t> openDoc_;
  bool openPage_ = false;
  AskState ask_ = Idle{};
  bool writing_ = false;
  std::optional<ExpiringPages> pending_;
  bool pendingDismissed_ = false;
  // Counts questions; a reply counts only while its question is the newest.
  std::uint64_t askSerial_ = 0;
  platform::NotificationCenter::Observation observer_;
  Observers<Member> observers_;
};

}  // namespace orvak
