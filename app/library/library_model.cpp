#include "app/library/library_model.h"

#include <algorithm>
#include <set>

#include "app/account/account.h"
#include "app/library/citations.h"
#include "app/library/notes_text.h"
#include "app/library/notifications.h"
#include "core/base/atomic_file.h"
#include "core/base/log.h"
#include "core/page/page_title.h"
#include "core/text/text.h"

namespace orvak {

namespace {

constexpr std::string_view kStopWords[] = {
    "what", "did", "i", "my", "me", "the", "a", "an", "about", "this", "that", "week", "save", "saved", "highlight",
    "highlighted", "note", "notes", "do", "does", "is", "are", "was", "were", "of", "on", "in", "to", "for", "and",
    "or", "how", "why", "when", "where", "which", "who", "have", "has", "with", "from", "it", "any", "anything",
    "say", "said"};

constexpr std::size_t kSearchedTerms = 6;
constexpr std::size_t kHitsPerTerm = 25;
constexpr std::size_t kNewestItems = 50;
constexpr std::size_t kMaxItems = 80;
constexpr std::size_t kMaxPages = 10;
constexpr std::int32_t kFocusExcerpt = 3500;
constexpr std::int32_t kSearchExcerpt = 1400;
constexpr std::int32_t kRecentExcerpt = 900;
constexpr std::int32_t kPageQuoteChars = 240;
constexpr double kWeekSeconds = 604800;

bool isStopWord(std::string_view w) {
  return std::find(std::begin(kStopWords), std::end(kStopWords), w) != std::end(kStopWords);
}

}  // namespace

// Sets `writing` back to false on the main queue when the request's last holder lets go of it:
// after the reply was applied, after a failure, when the request was cancelled or dropped
// unanswered, and when applying the reply threw.
class LibraryModel::WritingScope {
 public:
  explicit WritingScope(std::weak_ptr<LibraryModel> model) : model_(std::move(model)) {}
  WritingScope(const WritingScope&) = delete;
  WritingScope& operator=(const WritingScope&) = delete;
  ~WritingScope() {
    dispatch::main().async([model = model_] {
      if (const auto self = model.lock()) self->setWriting(false);
    });
  }

 private:
  std::weak_ptr<LibraryModel> model_;
};

std::string_view LibraryModel::rawValue(Filter f) {
  switch (f) {
    case Filter::all: return "All";
    case Filter::words: return "With your words";
    case Filter::week: return "This week";
  }
  return "All";
}

std::optional<LibraryModel::Filter> LibraryModel::filterFromRaw(std::string_view raw) {
  for (const Filter f : allFilters) {
    if (rawValue(f) == raw) return f;
  }
  return std::nullopt;
}

std::shared_ptr<LibraryModel> LibraryModel::make(std::shared_ptr<NotesModel> notes, Services services) {
  std::shared_ptr<LibraryModel> model(new LibraryModel(std::move(notes), std::move(services)));
  if (model->services_.center) {
    std::weak_ptr<LibraryModel> weak = model;
    model->observer_ = model->services_.center->observe(std::string(notifications::orvakNotesChanged),
                                                        [weak](const platform::Notification&) {
                                                          if (const auto self = weak.lock()) self->reload();
                                                        });
  }
  model->reload();
  return model;
}

LibraryModel::LibraryModel(std::shared_ptr<NotesModel> notes, Services services)
    : notes_(std::move(notes)), services_(std::move(services)) {}

std::uint64_t LibraryModel::addObserver(Observer observer) { return observers_.add(std::move(observer)); }

void LibraryModel::removeObserver(std::uint64_t token) { observers_.remove(token); }

void LibraryModel::publish(Member m) { observers_.notify(m); }

void LibraryModel::setFilter(Filter f) {
  if (filter_ == f) return;
  filter_ = f;
  publish(Member::filter);
}

void LibraryModel::setOpenDoc(std::optional<std::int64_t> id) {
  if (openDoc_ == id) return;
  openDoc_ = id;
  publish(Member::openDoc);
}

void LibraryModel::setOpenPage(bool open) {
  if (openPage_ == open) return;
  openPage_ = open;
  publish(Member::openPage);
}

void LibraryModel::setAsk(AskState state) {
  if (ask_ == state) return;
  ask_ = std::move(state);
  publish(Member::ask);
}

void LibraryModel::setPendingDismissed(bool dismissed) {
  if (pendingDismissed_ == dismissed) return;
  pendingDismissed_ = dismissed;
  publish(Member::pendingDismissed);
}

void LibraryModel::setWriting(bool writing) {
  if (writing_ == writing) return;
  writing_ = writing;
  publish(Member::writing);
}

void LibraryModel::reload() {
  NotesStore& store = notes_->store();
  stream_ = store.recentItems(kStreamLimit);
  publish(Member::stream);
  listened_ = store.listened(kListenedLimit);
  publish(Member::listened);
  docs_ = store.writtenDocs();
  publish(Member::docs);
  pending_ = store.pendingClear(keepDays ? keepDays() : 90, kWarnDays);
  publish(Member::pending);
  const bool stillThere =
      openDoc_ && std::any_of(docs_.begin(), docs_.end(), [&](const WrittenDoc& d) { return d.id == *openDoc_; });
  if (!stillThere) setOpenDoc(docs_.empty() ? std::nullopt : std::optional<std::int64_t>(docs_.front().id));
}

std::vector<StoredItem> LibraryModel::shown() const {
  const Date cutoff{Date::now().sinceEpoch - kWeekSeconds};
  std::vector<StoredItem> out;
  for (const auto& s : stream_) {
    const bool keep = filter_ == Filter::all ||
                      (filter_ == Filter::words && s.item.note &&
                       !text::trim(*s.item.note, text::TrimSet::whitespaces).empty()) ||
                      (filter_ == Filter::week && s.item.ts > cutoff);
    if (keep) out.push_back(s);
  }
  return out;
}

std::vector<LibraryModel::DayGroup> LibraryModel::days() const {
  const Date now = Date::now();
  std::vector<DayGroup> groups;
  for (const auto& s : shown()) {
    std::string label = dayLabel(s.item.ts, now, zone);
    if (!groups.empty() && groups.back().label == label) {
      groups.back().items.push_back(s);
    } else {
      groups.push_back(DayGroup{std::move(label), {s}});
    }
  }
  return groups;
}

std::string LibraryModel::dayLabel(Date date, Date now, const dates::Zone& zone) {
  const std::int64_t daysBefore = dates::calendarDaysBetween(date, now, zone);
  if (daysBefore == 0) return "Today";
  if (daysBefore == 1) return "Yesterday";
  if (daysBefore >= 2 && daysBefore <= 5) return dates::skeleton(date, "EEEE", zone);
  return dates::skeleton(date, "EEEE, MMM d", zone);
}

std::vector<std::string> LibraryModel::terms(std::string_view question) {
  const std::string lower = text::lowercase(question);
  std::vector<std::string> out;
  std::string piece;
  const auto flush = [&] {
    if (text::graphemeCount(piece) >= 3 && !isStopWord(piece)) out.push_back(piece);
    piece.clear();
  };
  for (std::size_t i = 0; i < lower.size();) {
    const char32_t c = text::nextScalar(lower, i);
    if (text::isLetter(c) || text::isNumber(c)) {
      text::appendUtf8(piece, c);
    } else {
      flush();
    }
  }
  flush();
  return out;
}

std::vector<LibraryModel::Cited> LibraryModel::context(std::string_view question,
                                                       const std::optional<std::string>& focus) const {
  NotesStore& store = notes_->store();
  const auto words = terms(question);

  std::vector<StoredItem> picked;
  std::set<std::int64_t> seenIds;
  std::set<std::string> seenTexts;
  const auto add = [&](const StoredItem& s) {
    if (!seenIds.insert(s.id).second) return;
    // Quote and note trimmed each: the same words with other spacing or case are the same item.
    std::string key = text::lowercase(std::string(text::trim(s.item.quote)) + "|" +
                                      std::string(text::trim(s.item.note.value_or(""))));
    if (!seenTexts.insert(std::move(key)).second) return;
    picked.push_back(s);
  };
  for (std::size_t t = 0; t < words.size() && t < kSearchedTerms; ++t) {
    for (const auto& hit : store.search(words[t], std::nullopt, kHitsPerTerm)) add(hit);
  }
  for (std::size_t i = 0; i < stream_.size() && i < kNewestItems; ++i) add(stream_[i]);
  std::stable_sort(picked.begin(), picked.end(),
                   [](const StoredItem& a, const StoredItem& b) { return a.item.ts > b.item.ts; });
  if (picked.size() > kMaxItems) picked.resize(kMaxItems);

  std::vector<PageHit> pages;
  std::set<std::string> seenPages;
  if (focus) {
    if (auto hit = store.page(*focus, words, kFocusExcerpt)) {
      pages.push_back(std::move(*hit));
      seenPages.insert(*focus);
    }
  }
  const auto addPage = [&](const PageHit& h) {
    if (seenPages.insert(h.docKey).second) pages.push_back(h);
  };
  for (const auto& h : store.searchPages(words, 5, kSearchExcerpt)) addPage(h);
  for (const auto& h : store.recentPages(6, kRecentExcerpt)) addPage(h);
  if (pages.size() > kMaxPages) pages.resize(kMaxPages);

  std::vector<Cited> out;
  for (const auto& s : picked) out.push_back(Cited{static_cast<std::int64_t>(out.size()) + 1, s, std::nullopt});
  for (const auto& p : pages) out.push_back(Cited{static_cast<std::int64_t>(out.size()) + 1, std::nullopt, p});
  return out;
}

std::string LibraryModel::dayText(Date d) const {
  return dates::pattern(d, "yyyy-MM-dd (EEEE)", dates::Zone{"en_US_POSIX", zone.timeZone});
}

std::vector<account::LibraryItem> LibraryModel::payload(const std::vector<Cited>& sources) const {
  std::vector<account::LibraryItem> out;
  for (const auto& c : sources) {
    account::LibraryItem li;
    li.n = c.n;
    if (c.item) {
      const ResearchItem& i = c.item->item;
      li.kind = "saved";
      li.quote = i.quote;
      li.note = i.note.value_or("");
      li.title = PageTitle::clean(i.windowTitle, i.app, i.url);
      li.source = NotesText::source(i.url, i.app);
      li.when = dayText(i.ts);
    } else if (c.page) {
      li.kind = "listened";
      li.excerpt = c.page->excerpt;
      li.title = PageTitle::clean(c.page->title, c.page->app, c.page->url);
      li.source = NotesText::source(c.page->url, c.page->app);
      li.when = dayText(c.page->last);
    }
    out.push_back(std::move(li));
  }
  return out;
}

void LibraryModel::askLibrary(std::string_view question, const std::optional<std::string>& focus) {
  const std::string trimmed(text::trim(question));
  if (trimmed.empty()) return;
  const std::uint64_t serial = ++askSerial_;
  setAsk(Asking{trimmed});
  auto sources = context(trimmed, focus);
  if (!services_.service) return;
  const account::LibraryBody body{trimmed, payload(sources), dayText(Date::now())};
  std::weak_ptr<LibraryModel> weak = weak_from_this();
  services_.service->libraryAsk(body, [weak, serial, trimmed, sources](account::Result<account::LibraryAnswer> reply) {
    const auto self = weak.lock();
    if (!self || serial != self->askSerial_) return;  // a newer question is on screen
    if (!reply) {
      self->setAsk(Failed{trimmed, Account::explain(reply.failure())});
      return;
    }
    std::vector<Cited> cited;
    for (const std::int64_t n : reply->cites) {
      const auto it = std::find_if(sources.begin(), sources.end(), [n](const Cited& c) { return c.n == n; });
      if (it != sources.end()) cited.push_back(*it);
    }
    self->setAsk(Answer{trimmed, reply->answer, std::move(cited), sources});
  });
}

std::pair<std::vector<WrittenDoc::Para>, std::vector<WrittenDoc::Source>> LibraryModel::renumber(
    const std::vector<account::LibraryDoc::P>& paragraphs, const std::vector<Cited>& sources) {
  const auto sourceOf = [&](std::int64_t n) -> const Cited* {
    const auto it = std::find_if(sources.begin(), sources.end(), [n](const Cited& c) { return c.n == n; });
    return it == sources.end() ? nullptr : &*it;
  };
  std::vector<std::int64_t> order;  // old numbers, in order of first citation
  std::vector<WrittenDoc::Para> paras;
  for (const auto& p : paragraphs) {
    WrittenDoc::Para para{p.text, {}};
    for (const std::int64_t n : p.cites) {
      if (!sourceOf(n)) continue;  // a mark with nothing behind it is dropped
      auto at = std::find(order.begin(), order.end(), n);
      if (at == order.end()) at = order.insert(order.end(), n);
      para.cites.push_back(static_cast<std::int64_t>(at - order.begin()) + 1);
    }
    paras.push_back(std::move(para));
  }
  std::vector<WrittenDoc::Source> out;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const Cited& c = *sourceOf(order[i]);
    WrittenDoc::Source s;
    s.n = static_cast<std::int64_t>(i) + 1;
    if (c.item) {
      const ResearchItem& item = c.item->item;
      s.itemId = c.item->id;
      s.quote = item.quote;
      s.note = item.note;
      s.title = PageTitle::clean(item.windowTitle, item.app, item.url);
      s.url = item.url;
    } else if (c.page) {
      s.quote = std::string(text::graphemePrefix(c.page->excerpt, kPageQuoteChars));
      s.title = PageTitle::clean(c.page->title, c.page->app, c.page->url);
      s.url = c.page->url;
    }
    out.push_back(std::move(s));
  }
  return {std::move(paras), std::move(out)};
}

void LibraryModel::makeDocument() {
  const auto* answer = std::get_if<Answer>(&ask_);
  if (!answer || writing_ || !services_.service) return;
  const std::vector<Cited> sources = answer->cited.empty() ? answer->sent : answer->cited;
  const std::string question = answer->question;
  const std::uint64_t serial = askSerial_;
  setWriting(true);
  auto scope = std::make_shared<WritingScope>(weak_from_this());
  const account::LibraryBody body{question, payload(sources), dayText(Date::now())};
  std::weak_ptr<LibraryModel> weak = weak_from_this();
  services_.service->libraryDocument(
      body, [weak, scope, serial, question, sources](account::Result<account::LibraryDoc> reply) mutable {
        const auto endOfRequest = std::move(scope);  // `writing` ends with this call, whatever happens in it
        const auto self = weak.lock();
        if (!self) return;
        const bool current = serial == self->askSerial_;
        if (!reply) {
          if (current) self->setAsk(Failed{question, Account::explain(reply.failure())});
          return;
        }
        auto [paras, docSources] = renumber(reply->paragraphs, sources);
        const auto id = self->notes_->store().saveDoc(reply->title, question, paras, docSources, Date::now());
        if (!id) {
          Log::write("library: saving the document failed");
          self->notes_->say("Couldn't save the document.");
          return;
        }
        self->reload();
        self->setOpenDoc(*id);
        if (!current) return;  // a newer question is on screen: leave it, the bar and the page alone
        self->setAsk(Idle{});
        self->notes_->setQuery("");
        if (self->show) self->show("documents");
      });
}

void LibraryModel::copy(const WrittenDoc& doc) {
  if (!services_.clipboard) return;
  WrittenDoc clean = doc;
  for (auto& p : clean.paragraphs) p.text = citations::strip(p.text);
  services_.clipboard->setText(doc.title + "\n\n" + clean.plain());
}

std::string LibraryModel::markdown(const WrittenDoc& doc) {
  std::string out = "# " + doc.title + "\n\n";
  for (std::size_t i = 0; i < doc.paragraphs.size(); ++i) {
    if (i) out += "\n\n";
    out += citations::strip(doc.paragraphs[i].text);
    for (const std::int64_t n : doc.paragraphs[i].cites) out += "[" + std::to_string(n) + "]";
  }
  out += "\n\n## Sources\n\n";
  for (std::size_t i = 0; i < doc.sources.size(); ++i) {
    const auto& s = doc.sources[i];
    if (i) out += "\n";
    out += std::to_string(s.n) + ". \u201C" + s.quote + "\u201D \u2014 " + s.title;
    if (s.url) out += " (" + *s.url + ")";
  }
  return out;
}

void LibraryModel::exportMarkdown(const WrittenDoc& doc) {
  if (!services_.chooser) return;
  std::weak_ptr<LibraryModel> weak = weak_from_this();
  services_.chooser->chooseSaveFile(
      platform::SaveRequest{NotesText::exportFileName(doc.title), "Markdown (*.md)"},
      [weak, text = markdown(doc)](std::optional<std::filesystem::path> file) {
        if (!file) return;
        try {
          writeFileAtomically(*file, text, FileMode::userDocument);
        } catch (const std::exception& e) {
          Log::write(std::string("library: export failed: ") + e.what());
          if (const auto self = weak.lock()) self->notes_->say("Couldn't export the document.");
        }
      });
}

}  // namespace orvak
