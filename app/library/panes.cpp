#include "app/library/panes.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "app/hotkey/modifier_tap.h"
#include "app/library/citations.h"
#include "app/library/notes_text.h"
#include "app/prefs.h"
#include "core/page/page_title.h"
#include "core/text/regex.h"
#include "core/text/text.h"

namespace orvak::panes {

namespace {

constexpr const char* kDot = " \u00B7 ";

bool isBlankLine(std::string_view s) { return text::trim(s, text::TrimSet::whitespaces).empty(); }

}  // namespace

std::string keyName(std::uint16_t hotkeyCode) { return ModifierTap::Choice::with(hotkeyCode).name; }

std::string counted(std::int64_t n, std::string_view noun) { return NotesText::plural(n, noun); }

// ---- The bar ----

std::string barHint(std::string_view keyName) { return "or hold " + std::string(keyName) + " and say it"; }

bool showsBarButtons(std::string_view query) { return !query.empty(); }

Pane paneFor(const LibraryModel::AskState& ask, std::string_view query, MainModel::Page page) {
  if (!std::holds_alternative<LibraryModel::Idle>(ask)) return Pane::ask;
  if (!isBlankLine(query)) return Pane::search;
  switch (page) {
    case MainModel::Page::documents:
      return Pane::documents;
    case MainModel::Page::listened:
      return Pane::listened;
    case MainModel::Page::pages:
      return Pane::pages;
    default:
      return Pane::highlights;
  }
}

void submit(LibraryModel& lib) {
  const std::string question = lib.notes().query();
  lib.askLibrary(question, std::nullopt);
}

void clearBar(LibraryModel& lib) {
  lib.notes().setQuery("");
  lib.setAsk(LibraryModel::Idle{});
}

void focusAsk(LibraryModel& lib) { lib.setAsk(LibraryModel::Idle{}); }

void pageChanged(LibraryModel& lib) {
  lib.setOpenPage(false);
  if (std::holds_alternative<LibraryModel::Failed>(lib.ask())) lib.setAsk(LibraryModel::Idle{});
}

// ---- Highlights stream ----

std::string summary(const std::vector<StoredItem>& stream) {
  if (stream.empty()) return "";
  const auto withWords = std::count_if(stream.begin(), stream.end(), [](const StoredItem& s) { return hasNote(s); });
  return std::to_string(stream.size()) + " saved \u00B7 " + std::to_string(withWords) + " with your words";
}

std::vector<Chip> chips(LibraryModel::Filter current) {
  std::vector<Chip> out;
  for (const auto f : LibraryModel::allFilters) {
    out.push_back({std::string(LibraryModel::rawValue(f)), f, f == current});
  }
  return out;
}

std::string emptyText(std::string_view keyName) {
  return "While Orvak reads, hold " + std::string(keyName) +
         " and say \u201Chighlight that\u201D, or \u201Csave a note: \u2026\u201D to keep your own words with it. "
         "Everything you save collects here, and you can ask about it in the bar above.";
}

std::string dayHeading(std::string_view label) { return text::uppercase(label); }

// ---- Saved card ----

bool hasNote(const StoredItem& s) { return s.item.note && !s.item.note->empty(); }

std::string noteButton(const StoredItem& s) { return hasNote(s) ? "Edit note" : "Add note"; }

std::string yourWordsLabel(std::string_view note) { return "You said: " + std::string(note); }

std::string cardTitle(const StoredItem& s) { return PageTitle::clean(s.item.windowTitle, s.item.app, s.item.url); }

std::string timeText(Date saved, bool timeOnly, const dates::Zone& zone) {
  return timeOnly ? dates::timeOnly(saved, zone) : NotesText::when(saved, zone);
}

namespace {

// The parts with a dot between each two; an empty part (no address and no application for a
// source) is left out with its dot.
std::string dotted(std::initializer_list<std::string> parts) {
  std::string out;
  for (const auto& part : parts) {
    if (part.empty()) continue;
    out += (out.empty() ? "" : kDot) + part;
  }
  return out;
}

// "· source · when".
std::string metaLine(const std::string& source, const std::string& when) {
  return "\u00B7 " + dotted({source, when});
}

}  // namespace

std::string sourceLine(const StoredItem& s, bool timeOnly, const dates::Zone& zone) {
  return metaLine(NotesText::source(s.item.url, s.item.app), timeText(s.item.ts, timeOnly, zone));
}

std::optional<std::string> openTitle(OpenKind kind, const std::optional<std::string>& url, std::string_view app) {
  if (url) return kind == OpenKind::savedItem ? "Open at quote" : "Open page";
  if (!app.empty()) return "Open " + std::string(app);
  return std::nullopt;
}

bool canOpen(const std::optional<std::string>& url, std::string_view app) { return url || !app.empty(); }

std::vector<MenuEntry> cardMenu(const StoredItem& s) {
  std::vector<MenuEntry> out{{hasNote(s) ? "Edit Note" : "Add Note", CardAction::editNote}, {"Copy", CardAction::copy}};
  if (canOpen(s.item.url, s.item.app)) out.push_back({"Open at Quote", CardAction::openAtQuote});
  out.push_back({"Show Page", CardAction::showPage});
  out.push_back({"", CardAction::divider});
  out.push_back({"Delete", CardAction::remove});
  return out;
}

void openItem(NotesModel& notes, const StoredItem& s) { notes.openSource(s.item.url, s.item.app, s.item.quote); }

void perform(CardAction action, NotesModel& notes, const StoredItem& s, const std::shared_ptr<UndoManager>& undo) {
  switch (action) {
    case CardAction::editNote:
      startEdit(notes, s);
      return;
    case CardAction::copy:
      notes.copy(s);
      return;
    case CardAction::openAtQuote:
      openItem(notes, s);
      return;
    case CardAction::showPage:
      notes.select(s.docKey);
      return;
    case CardAction::divider:
      return;
    case CardAction::remove:
      notes.remove(s, undo);
      return;
  }
}

std::string startEdit(NotesModel& notes, const StoredItem& s) {
  notes.setEditing(s.id);
  return s.item.note.value_or("");
}

void saveEdit(NotesModel& notes, const StoredItem& s, const std::string& draft) { notes.saveNote(s, draft); }

void cancelEdit(NotesModel& notes) { notes.setEditing(std::nullopt); }

// ---- Heard card ----

std::string heardTitle(const PageHit& p) { return PageTitle::clean(p.title, p.app, p.url); }

std::string heardSourceLine(const PageHit& p, Date now, const dates::Zone& zone) {
  return metaLine(NotesText::source(p.url, p.app), LibraryModel::dayLabel(p.last, now, zone));
}

void openHeard(NotesModel& notes, const PageHit& p) { notes.openSource(p.url, p.app, std::nullopt); }

// ---- Search results ----

std::string askRowLabel(std::string_view query) { return "Ask Orvak: \u201C" + std::string(query) + "\u201D"; }

std::string countLine(std::size_t hits, std::string_view query) {
  if (hits == 0) return "No saved words match \u201C" + std::string(query) + "\u201D.";
  return std::to_string(hits) + " saved " + (hits == 1 ? "item matches" : "items match");
}

// ---- Answer ----

std::vector<Segment> marked(std::string_view input) {
  static const text::Regex run = text::Regex::cached(R"((?:\s*\[\d{1,3}\])+)");
  static const text::Regex number = text::Regex::cached(R"(\d+)");
  const icu::UnicodeString subject =
      icu::UnicodeString::fromUTF8(icu::StringPiece(input.data(), int32_t(input.size())));
  std::vector<Segment> out;
  const auto plain = [&](int32_t from, int32_t to) {
    if (to <= from) return;
    std::string s;
    subject.tempSubStringBetween(from, to).toUTF8String(s);
    if (!out.empty() && !out.back().mark) {
      out.back().text += s;
    } else {
      out.push_back({std::move(s), false});
    }
  };
  int32_t at = 0;
  run.forEachMatch(subject, [&](const text::Match& m) {
    plain(at, m.range().start);
    std::vector<std::string> numbers;
    for (const auto& n : number.allMatches(m.group())) {
      if (std::find(numbers.begin(), numbers.end(), n.groups[0]) == numbers.end()) numbers.push_back(n.groups[0]);
    }
    std::string label = "\u2009";
    for (std::size_t i = 0; i < numbers.size(); ++i) label += (i ? ", " : "") + numbers[i];
    out.push_back({std::move(label), true});
    at = m.range().end;
    return true;
  });
  plain(at, subject.length());
  return out;
}

std::string markedPlain(std::string_view text) {
  std::string out;
  for (const auto& s : marked(text)) {
    if (!s.mark) {
      out += s.text;
      continue;
    }
    // Without the thin space in front: the caret stands where the mark is raised.
    const std::string numbers = s.text.substr(std::string_view("\u2009").size());
    out += "^(" + numbers + ")";
  }
  return out;
}

void hearIt(NotesModel& notes, std::string_view answer) {
  if (notes.read) notes.read(citations::strip(answer));
}

std::string documentButton(bool writing) { return writing ? "Writing\u2026" : "Make a document from this"; }

bool documentButtonEnabled(bool writing) { return !writing; }

void followUp(LibraryModel& lib, const std::function<void()>& focusBar) {
  lib.notes().setQuery("");
  lib.setAsk(LibraryModel::Idle{});
  if (focusBar) focusBar();
}

void back(LibraryModel& lib) { lib.setAsk(LibraryModel::Idle{}); }

// ---- Pages ----

std::string pageTitle(const DocumentSummary& d) { return PageTitle::clean(d.title, d.app, d.url); }

std::string pageCardLine(const DocumentSummary& d, Date now, const dates::Zone& zone) {
  return dotted({NotesText::source(d.url, d.app), NotesText::counts(d), NotesText::ago(d.lastSaved, now, zone)});
}

void openPageDetail(LibraryModel& lib, const DocumentSummary& d) {
  lib.notes().select(d.key);
  lib.setOpenPage(true);
}

void listenToPage(NotesModel& notes, const DocumentSummary& d) {
  notes.select(d.key);
  notes.listen(d);
}

void openPageSource(NotesModel& notes, const DocumentSummary& d) { notes.openSource(d.url, d.app, std::nullopt); }

std::optional<DocumentSummary> detailPage(const LibraryModel& lib) {
  if (!lib.openPage()) return std::nullopt;
  return lib.notes().selectedDoc();
}

// ---- Listened ----

const std::vector<KeepChoice>& keepChoices() {
  static const std::vector<KeepChoice> choices{{"90 days", 90}, {"1 year", 365}, {"Forever", 0}};
  return choices;
}

std::string listenedSub(std::size_t n) { return n == 0 ? "" : counted(std::int64_t(n), "page"); }

std::string listenedEmpty(bool remembering) { return remembering ? kListenedEmptyOn : kListenedEmptyOff; }

std::string minutes(double seconds) {
  // A value from the database may be anything; only a finite time of a minute or more is counted,
  // and it is bounded before it becomes an integer.
  if (!std::isfinite(seconds) || seconds < 60) return "under a minute";
  const double whole = std::round(std::min(seconds / 60, 1e12));
  return std::to_string(static_cast<long long>(whole)) + " min";
}

namespace {

double clampedProgress(double progress) {
  if (!std::isfinite(progress)) return 0;
  return std::clamp(progress, 0.0, 1.0);
}

}  // namespace

int wholePercent(double progress) { return static_cast<int>(clampedProgress(progress) * 100); }

double progressWidth(double progress) { return std::max(clampedProgress(progress) * 200, 5.0); }

std::string progressAccessibleName(const ListenedItem& item) {
  return item.finished ? "Finished" : std::to_string(wholePercent(item.progress)) + " percent";
}

std::string stopLine(const ListenedItem& item) {
  if (item.finished) return "Finished";
  if (!item.stoppedAt.empty()) {
    constexpr int kShown = 60;
    std::string shown(text::graphemePrefix(item.stoppedAt, kShown));
    if (text::graphemeCount(item.stoppedAt) > kShown) shown += "\u2026";
    return "Stopped at \u201C" + shown + "\u201D";
  }
  return std::to_string(wholePercent(item.progress)) + "%";
}

std::string listenedTitle(const ListenedItem& item) { return PageTitle::clean(item.title, item.app, item.url); }

std::string listenedLine(const ListenedItem& item, Date now, const dates::Zone& zone) {
  return NotesText::source(item.url, item.app) + kDot + LibraryModel::dayLabel(item.last, now, zone) + kDot +
         minutes(item.seconds);
}

std::string askQuestion(const ListenedItem& item) {
  return "What was \u201C" + listenedTitle(item) + "\u201D about, and how does it connect to what I've saved?";
}

bool showsAskAboutIt(NotesStore& store, const ListenedItem& item) { return store.hasPageText(item.docKey); }

void askAboutIt(LibraryModel& lib, const ListenedItem& item) { lib.askLibrary(askQuestion(item), item.docKey); }

std::optional<std::string> rowOpenTitle(const ListenedItem& item) {
  if (!canOpen(item.url, item.app)) return std::nullopt;
  return item.finished ? "Open again" : "Resume";
}

std::string openedMessage(const ListenedItem& item, std::string_view keyName) {
  if (item.finished) return "Opened. Double-tap " + std::string(keyName) + " to read it";
  return "Opened at your place. Double-tap " + std::string(keyName) + " to carry on";
}

bool openRow(LibraryModel& lib, const ListenedItem& item, std::string_view keyName) {
  std::optional<std::string> quote;
  if (!item.finished && !item.stoppedAt.empty()) quote = item.stoppedAt;
  if (!lib.notes().openSource(item.url, item.app, quote)) return false;
  lib.notes().say(openedMessage(item, keyName));
  return true;
}

void removeFromHistory(LibraryModel& lib, const ListenedItem& item) {
  lib.notes().store().deleteListened(item.id);
  lib.reload();
}

std::string bannerText(const ExpiringPages& pending, const dates::Zone& zone) {
  return counted(std::int64_t(pending.keys.size()), "page") + " you listened to will be cleared on " +
         dates::skeleton(pending.clearOn, "MMMMd", zone) + ". Nothing was saved from them.";
}

bool showsBanner(const LibraryModel& lib) { return lib.pending() && !lib.pendingDismissed(); }

void keepThem(LibraryModel& lib) {
  if (!lib.pending()) return;
  lib.notes().store().keepPages(lib.pending()->keys);
  lib.reload();
}

void keepEverything(LibraryModel& lib, Prefs& prefs) {
  if (lib.pending()) lib.notes().store().keepPages(lib.pending()->keys);
  prefs.setHistoryKeepDays(0);
  lib.reload();
}

void letThemGo(LibraryModel& lib) { lib.setPendingDismissed(true); }

const Confirmation& clearHistoryQuestion() {
  static const Confirmation q{"Clear your listening history?",
                              "This removes the list of pages you listened to from this computer. Your highlights, "
                              "notes and documents stay.",
                              "Clear History", "Cancel"};
  return q;
}

void confirmClear(LibraryModel& lib, Confirmer& confirmer) {
  if (!confirmer.confirm(clearHistoryQuestion())) return;
  lib.notes().store().clearListened();
  lib.reload();
}

// ---- Documents ----

std::string docRowLine(const WrittenDoc& doc, Date now, const dates::Zone& zone) {
  return LibraryModel::dayLabel(doc.created, now, zone) + kDot + counted(std::int64_t(doc.sources.size()), "source");
}

std::string kicker(const WrittenDoc& doc) {
  if (doc.question.empty()) return "DOCUMENT";
  return "FROM YOUR QUESTION \u00B7 \u201C" + std::string(text::graphemePrefix(doc.question, 60)) + "\u201D";
}

std::string paragraphText(const WrittenDoc::Para& para) {
  std::string out = citations::strip(para.text);
  for (const auto n : para.cites) out += "[" + std::to_string(n) + "]";
  return out;
}

std::vector<Segment> paragraphSegments(const WrittenDoc::Para& para) { return marked(paragraphText(para)); }

std::string sourceLabel(const WrittenDoc::Source& source) {
  return "\u201C" + source.quote + "\u201D \u2014 " + source.title;
}

bool sourceEnabled(const WrittenDoc::Source& source) { return source.url.has_value(); }

std::string listenText(const WrittenDoc& doc) {
  std::string out;
  for (std::size_t i = 0; i < doc.paragraphs.size(); ++i) {
    if (i) out += "\n\n";
    out += citations::strip(doc.paragraphs[i].text);
  }
  return out;
}

std::optional<WrittenDoc> openDocument(const LibraryModel& lib) {
  if (!lib.openDoc()) return std::nullopt;
  for (const auto& d : lib.docs()) {
    if (d.id == *lib.openDoc()) return d;
  }
  return std::nullopt;
}

void listenToDocument(LibraryModel& lib, const WrittenDoc& doc) {
  if (lib.notes().read) lib.notes().read(listenText(doc));
}

void copyDocument(LibraryModel& lib, const WrittenDoc& doc) {
  lib.copy(doc);
  lib.notes().say("Copied");
}

void exportDocument(LibraryModel& lib, const WrittenDoc& doc) { lib.exportMarkdown(doc); }

void deleteDocument(LibraryModel& lib, const WrittenDoc& doc) {
  lib.notes().store().deleteDoc(doc.id);
  lib.reload();
}

void openDocSource(LibraryModel& lib, const WrittenDoc::Source& source) {
  if (!sourceEnabled(source)) return;
  lib.notes().openSource(source.url, "", source.quote);
}

// ---- Toast ----

bool showsUndo(const NotesModel::Toast& toast) { return toast.undo.has_value(); }

}  // namespace orvak::panes
