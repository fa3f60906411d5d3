// What the library window's panes say and do, without a window: every control's text (or that it
// is not shown) and every action with its arguments, over the notes model and the library model.
// The Qt panes (app/views/library/) draw these texts and call these actions; they hold no logic
// of their own, so the wording, counts, dates, open buttons, marks and undo agree on every pane.
//
// Main queue only, like the models.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_model.h"
#include "app/library/library_model.h"
#include "app/library/notes_model.h"
#include "core/base/date.h"
#include "core/base/date_format.h"
#include "core/library/notes_store.h"

namespace orvak {
class Prefs;
}

namespace orvak::panes {

// The display name of the trigger key with that code ("Right Shift").
std::string keyName(std::uint16_t hotkeyCode);
// A count and a noun with the plain English plural: "1 page", "0 pages".
std::string counted(std::int64_t n, std::string_view noun);

// ---- The search and ask bar ----

inline constexpr const char* kBarPlaceholder =
    "Search or ask your library \u2014 \u201Cwhat did I save about pricing this week?\u201D";
inline constexpr const char* kBarAccessibleName = "Search or ask your library";
inline constexpr const char* kAskButton = "Ask Orvak \u21A9";
inline constexpr const char* kAskButtonHelp = "Ask Orvak about what you saved";
inline constexpr const char* kClearButton = "Clear";

// "or hold Right Shift and say it": shown while the bar is empty.
std::string barHint(std::string_view keyName);
// The ask and clear buttons show while the text is not empty (spaces count).
bool showsBarButtons(std::string_view query);

enum class Pane { ask, search, documents, listened, pages, highlights };
// A question that is not idle, then a text that is not blank (spaces and tabs), then the page.
Pane paneFor(const LibraryModel::AskState& ask, std::string_view query, MainModel::Page page);

// Return and "Ask Orvak ↩": a question about the whole library with the bar's text as it stands
// (the model trims it and ignores a blank one).
void submit(LibraryModel& lib);
// Escape and the clear button: the bar empties and a question goes back to idle.
void clearBar(LibraryModel& lib);
// "orvak.focusAsk": a question goes back to idle; the bar keeps its text (the view focuses it).
void focusAsk(LibraryModel& lib);
// Another page was chosen: the page detail closes and a failed question is cleared; an answer or
// a question on its way stays.
void pageChanged(LibraryModel& lib);

// ---- Highlights stream ----

inline constexpr const char* kHighlightsTitle = "Highlights";
inline constexpr const char* kNothingSaved = "Nothing saved yet.";

// "12 saved · 3 with your words" over the whole stream, whatever the filter; a note of spaces
// counts here. "" when nothing is saved.
std::string summary(const std::vector<StoredItem>& stream);

struct Chip {
  std::string label;
  LibraryModel::Filter filter;
  bool on = false;
  bool operator==(const Chip&) const = default;
};
// "All", "With your words", "This week", the current filter's one on.
std::vector<Chip> chips(LibraryModel::Filter current);
// The empty state's sentence, naming the key.
std::string emptyText(std::string_view keyName);
// The day group's heading: its label in capitals ("TODAY", "SATURDAY, MAR 14").
std::string dayHeading(std::string_view label);

// ---- Saved card ----

// A note that is present and not empty (spaces count as words here).
bool hasNote(const StoredItem& s);
// The card's hover button: "Add note" or "Edit note".
std::string noteButton(const StoredItem& s);
// The your-words block's one accessibility label: "You said: " + note.
std::string yourWordsLabel(std::string_view note);
// The page title under the card: the window title cleaned with the application and address.
std::string cardTitle(const StoredItem& s);
// The time of day alone (the stream's day heading gives the date), else the relative date and time.
std::string timeText(Date saved, bool timeOnly, const dates::Zone& zone);
// "· example.com · 9:26 AM".
std::string sourceLine(const StoredItem& s, bool timeOnly, const dates::Zone& zone);

// What is opened: a saved item opens at its quote, a page at its top.
enum class OpenKind { savedItem, page };
// "Open at quote" (saved item) or "Open page" with an address, else "Open " + the application's
// name when it has one, else nothing (no button).
std::optional<std::string> openTitle(OpenKind kind, const std::optional<std::string>& url, std::string_view app);
bool canOpen(const std::optional<std::string>& url, std::string_view app);

enum class CardAction { editNote, copy, openAtQuote, showPage, divider, remove };
struct MenuEntry {
  std::string label;  // "" for the divider
  CardAction action;
  bool operator==(const MenuEntry&) const = default;
};
// The card's context menu in order: "Add Note"/"Edit Note", "Copy", "Open at Quote" (only when
// the item can be opened), "Show Page", a divider, "Delete".
std::vector<MenuEntry> cardMenu(const StoredItem& s);
// Runs a menu entry or hover button other than the note editor's start (the card does that: it
// holds the draft). `undo` may be null: the delete then registers nothing.
void perform(CardAction action, NotesModel& notes, const StoredItem& s, const std::shared_ptr<UndoManager>& undo);
// The card's open button and the menu's "Open at Quote": the address at the quote, else the
// application.
void openItem(NotesModel& notes, const StoredItem& s);

// The note editor: its start gives the draft (the note, or "") and names the card as the one
// being edited, which ends any other card's edit unsaved.
std::string startEdit(NotesModel& notes, const StoredItem& s);
void saveEdit(NotesModel& notes, const StoredItem& s, const std::string& draft);
void cancelEdit(NotesModel& notes);
inline constexpr const char* kNotePlaceholder = "Your note";
inline constexpr const char* kEditorHint = "Return saves \u00B7 Esc cancels";

// ---- Heard card ----

inline constexpr const char* kHeardTag = "HEARD";
std::string heardTitle(const PageHit& p);
// "· example.com · Yesterday".
std::string heardSourceLine(const PageHit& p, Date now, const dates::Zone& zone);
void openHeard(NotesModel& notes, const PageHit& p);

// ---- Search results ----

// "Ask Orvak: “pricing”".
std::string askRowLabel(std::string_view query);
// "1 saved item matches", "3 saved items match", "No saved words match “x”.".
std::string countLine(std::size_t hits, std::string_view query);

// ---- Answer ----

inline constexpr const char* kAsking = "Looking through what you saved\u2026";
inline constexpr const char* kYouAsked = "YOU ASKED";
inline constexpr const char* kFromYourLibrary = "FROM YOUR LIBRARY";

// A text as drawn: plain runs and raised citation marks.
struct Segment {
  std::string text;
  bool mark = false;
  bool operator==(const Segment&) const = default;
};
// Each run of bracketed 1-3 digit numbers (with the white space before each) becomes one mark: a
// thin space, then its distinct numbers in first-seen order joined by ", ". "[2024]" and "[1a]"
// stay text.
std::vector<Segment> marked(std::string_view text);
// The text with each mark shown as ^(2, 3), for the workbench.
std::string markedPlain(std::string_view text);

// "Hear it": the answer without its citation marks, read when the model has a reader.
void hearIt(NotesModel& notes, std::string_view answer);
// The document button: "Writing…" and disabled while a document is being written.
std::string documentButton(bool writing);
bool documentButtonEnabled(bool writing);
// "Ask a follow-up": the bar empties, the question goes back to idle, then the bar takes focus.
void followUp(LibraryModel& lib, const std::function<void()>& focusBar);
// "Back": the question goes back to idle; the bar keeps its text.
void back(LibraryModel& lib);

// ---- Pages list and detail ----

inline constexpr const char* kPagesTitle = "Pages";
inline constexpr const char* kPagesSub = "Everything you saved, by where it came from";
std::string pageTitle(const DocumentSummary& d);
// "example.com · 2 highlights · 1 note · 3 days ago".
std::string pageCardLine(const DocumentSummary& d, Date now, const dates::Zone& zone);
// The card: select the page, then open its detail.
void openPageDetail(LibraryModel& lib, const DocumentSummary& d);
// "Listen to my highlights": select the page (without opening it), then listen to its items.
void listenToPage(NotesModel& notes, const DocumentSummary& d);
void openPageSource(NotesModel& notes, const DocumentSummary& d);
// The page detail is shown while it is open and its page is still listed.
std::optional<DocumentSummary> detailPage(const LibraryModel& lib);

// ---- Listened history ----

inline constexpr const char* kListenedTitle = "Listened";
inline constexpr const char* kRememberLabel = "Remember what I listen to";
inline constexpr const char* kRememberCaption =
    "Orvak remembers what you listen to, on this computer only, so you can find it again and, soon, ask how it "
    "connects. Private windows are never kept.";
inline constexpr const char* kKeepLabel = "Keep the text of pages you didn't save anything from";
inline constexpr const char* kKeepAccessibleName = "Keep page text for";
inline constexpr const char* kKeepNote =
    "Pages you highlighted, noted or used in a document are kept for good. Before anything is cleared, Orvak asks "
    "first.";
inline constexpr const char* kListenedEmptyOn = "Pages you listen to will show here.";
inline constexpr const char* kListenedEmptyOff = "Turned off: Orvak isn't keeping a history.";
inline constexpr const char* kClearHistory = "Clear History\u2026";
inline constexpr const char* kRemoveFromHistory = "Remove from History";
inline constexpr const char* kAskAboutIt = "Ask about it";

struct KeepChoice {
  std::string label;
  std::int64_t days;
  bool operator==(const KeepChoice&) const = default;
};
// "90 days" 90, "1 year" 365, "Forever" 0.
const std::vector<KeepChoice>& keepChoices();

// "" for none, else "1 page", "2 pages".
std::string listenedSub(std::size_t n);
std::string listenedEmpty(bool remembering);
// "under a minute" below 60 s (and for a time that is not a number), else whole minutes rounded
// half away from zero: 89 s "1 min", 90 s "2 min".
std::string minutes(double seconds);
// The progress clamped to 0...1 (not a number: 0), in whole percent, truncated.
int wholePercent(double progress);
// The bar's fill in a 200 wide track: at least 5.
double progressWidth(double progress);
// "Finished", else "37 percent".
std::string progressAccessibleName(const ListenedItem& item);
// "Finished"; else "Stopped at “…”" with the first 60 characters (and "…" when cut); else "37%".
std::string stopLine(const ListenedItem& item);
std::string listenedTitle(const ListenedItem& item);
// "example.com · Yesterday · 3 min".
std::string listenedLine(const ListenedItem& item, Date now, const dates::Zone& zone);
// The question "Ask about it" asks about the row's page.
std::string askQuestion(const ListenedItem& item);
// Only pages whose text is kept can be asked about.
bool showsAskAboutIt(NotesStore& store, const ListenedItem& item);
void askAboutIt(LibraryModel& lib, const ListenedItem& item);
// "Open again" for a finished page, else "Resume"; nothing when there is nothing to open.
std::optional<std::string> rowOpenTitle(const ListenedItem& item);
// Opens the page (at the stopping place when unfinished) and, only when something opened, toasts
// how to carry on. Returns whether anything opened.
bool openRow(LibraryModel& lib, const ListenedItem& item, std::string_view keyName);
// The toast after opening a row.
std::string openedMessage(const ListenedItem& item, std::string_view keyName);
void removeFromHistory(LibraryModel& lib, const ListenedItem& item);

// "3 pages you listened to will be cleared on March 14. Nothing was saved from them."
std::string bannerText(const ExpiringPages& pending, const dates::Zone& zone);
bool showsBanner(const LibraryModel& lib);
inline constexpr const char* kKeepThem = "Keep them";
inline constexpr const char* kKeepEverything = "Keep everything";
inline constexpr const char* kLetThemGo = "Let them go";
void keepThem(LibraryModel& lib);
// Keeps the pages and keeps every page text from now on.
void keepEverything(LibraryModel& lib, Prefs& prefs);
void letThemGo(LibraryModel& lib);

// A modal question with a confirming and a cancelling button; the window asks it, tests answer it.
struct Confirmation {
  std::string message;
  std::string informative;
  std::string confirm;
  std::string cancel;
};
class Confirmer {
 public:
  virtual ~Confirmer() = default;
  // True only when the confirming button was chosen.
  virtual bool confirm(const Confirmation& question) = 0;
};
const Confirmation& clearHistoryQuestion();
// Clears the history only when the user confirms.
void confirmClear(LibraryModel& lib, Confirmer& confirmer);

// ---- Documents ----

inline constexpr const char* kDocumentsTitle = "Documents";
inline constexpr const char* kDocumentsCaption =
    "Written by Orvak from what you saved. Ask a question in the bar, then \u201CMake a document from this\u201D.";
inline constexpr const char* kNoDocuments = "No documents yet.";
inline constexpr const char* kSources = "SOURCES";
inline constexpr const char* kSourceHelp = "Open at this quote";

// "Today · 2 sources".
std::string docRowLine(const WrittenDoc& doc, Date now, const dates::Zone& zone);
// "FROM YOUR QUESTION · “…”" with the first 60 characters of the question (no ellipsis), else
// "DOCUMENT".
std::string kicker(const WrittenDoc& doc);
// The paragraph's marks taken out of its words and its cites put at its end: "Alpha beta.[2][1]".
std::string paragraphText(const WrittenDoc::Para& para);
std::vector<Segment> paragraphSegments(const WrittenDoc::Para& para);
// "“quote” — title".
std::string sourceLabel(const WrittenDoc::Source& source);
bool sourceEnabled(const WrittenDoc::Source& source);
// What "Listen" reads: the paragraphs without their citation marks, a blank line between.
std::string listenText(const WrittenDoc& doc);
// The open document; nothing when none is open (or it is gone).
std::optional<WrittenDoc> openDocument(const LibraryModel& lib);
void listenToDocument(LibraryModel& lib, const WrittenDoc& doc);
void copyDocument(LibraryModel& lib, const WrittenDoc& doc);
void exportDocument(LibraryModel& lib, const WrittenDoc& doc);
void deleteDocument(LibraryModel& lib, const WrittenDoc& doc);
void openDocSource(LibraryModel& lib, const WrittenDoc::Source& source);

// ---- Toast ----

inline constexpr const char* kUndo = "Undo";
// "Undo" only when the toast carries an item; the orb pings when it does not.
bool showsUndo(const NotesModel::Toast& toast);

}  // namespace orvak::panes
