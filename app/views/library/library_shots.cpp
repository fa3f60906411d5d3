#include "app/views/library/library_shots.h"

#include <QFile>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/library/sample_library.h"
#include "app/views/library/documents_pane.h"
#include "app/views/library/highlights_stream.h"
#include "app/views/library/library_view.h"
#include "app/views/library/pages_listened.h"
#include "app/views/library/search_answer.h"
#include "app/views/look/palette.h"

namespace orvak::views::library {

namespace {

std::string sampleJson() {
  QFile f(":/samples/library.json");
  if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("the sample library is missing from the resources");
  return f.readAll().toStdString();
}

// Answers every confirmation as told.
struct FixedConfirmer final : panes::Confirmer {
  bool confirm(const panes::Confirmation&) override { return false; }
};

// A service that keeps every library request waiting, unanswered.
struct HeldService final : LibraryService {
  account::Exchange libraryAsk(const account::LibraryBody&, AnswerDone done) override {
    held.push_back(std::move(done));
    return {};
  }
  account::Exchange libraryDocument(const account::LibraryBody&, DocumentDone done) override {
    heldDocs.push_back(std::move(done));
    return {};
  }
  std::vector<AnswerDone> held;
  std::vector<DocumentDone> heldDocs;
};

// A piece drawn on the window's paper, padded.
class Backdrop : public QWidget {
 public:
  Backdrop(QWidget* child, int width, int pad = 24) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(pad, pad, pad, pad);
    child->setParent(this);
    l->addWidget(child);
    setFixedWidth(width);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), look::Margin::paper.color());
  }
};

QImage renderPiece(QWidget* child, int width, double scale) {
  Backdrop b(child, width);
  b.resize(width, b.layout()->totalHeightForWidth(width));
  freezeMotion(&b, 1.2);
  QImage img = renderWidget(b, scale);
  return img;
}

// A pane in a window of the library's size, on paper.
QImage renderPane(QWidget& pane, double scale, QSize size = {1000, 820}) {
  pane.resize(size);
  freezeMotion(&pane, 1.2);
  QWidget holder;
  holder.resize(size);
  pane.setParent(&holder);
  pane.setGeometry(0, 0, size.width(), size.height());
  holder.setAutoFillBackground(true);
  QPalette pal = holder.palette();
  pal.setColor(QPalette::Window, look::Margin::paper.color());
  holder.setPalette(pal);
  const QImage img = renderWidget(holder, scale);
  pane.setParent(nullptr);
  return img;
}

LibraryModel::Answer sampleAnswer(const SampleLibrary& s) {
  LibraryModel::Answer a;
  a.question = "What did I save about pricing this week?";
  a.text =
      "You kept coming back to one idea: pricing is a conversation you keep having, not a number you pick once "
      "[1]. Your note asks whether the annual plan was tested at 20% off [2] [2][1], and the article you heard "
      "yesterday says most teams raise prices too late [3]. Nothing here is from [2024].";
  a.cited.push_back({1, s.item("Pricing is not"), std::nullopt});
  a.cited.push_back({2, s.item("Most teams"), std::nullopt});
  PageHit hit;
  hit.docKey = "forget";
  hit.title = "Why we forget \u2014 The Long Read \u2014 Mozilla Firefox";
  hit.app = "Firefox";
  hit.url = "https://longread.example/forget";
  hit.last = Date{SampleLibrary::kNow - 88000};
  hit.excerpt =
      "Sleep is when the day's reading settles into something you can use. Memory is less a library than a "
      "river that keeps rewriting its banks.";
  a.cited.push_back({3, std::nullopt, hit});
  a.cited.push_back({4, std::nullopt, std::nullopt});
  return a;
}

Shot shot(std::string name, std::string summary, std::function<QImage(double)> render) {
  return {std::move(name), std::move(summary), std::move(render)};
}

}  // namespace

SampleLibrary::SampleLibrary(bool filled, NotesModel::Services notesServices, std::shared_ptr<LibraryService> service)
    : time_(std::make_unique<dispatch::VirtualTime>()),
      center(std::make_shared<platform::NotificationCenter>()),
      clipboard(std::make_shared<MemoryClipboard>()),
      undo(std::make_shared<MemoryUndoManager>()) {
  time_->setWallMillis(static_cast<std::int64_t>(kNow * 1000));
  const std::filesystem::path folder = dir.path().toStdString();
  store = std::make_shared<NotesStore>(folder / "notes.sqlite", std::nullopt);
  if (filled) sample::fillLibrary(*store, sampleJson(), Date{kNow});
  prefs = std::make_unique<Prefs>(std::make_shared<platform::Defaults>(folder / "defaults.json"));
  if (!notesServices.center) notesServices.center = center;
  if (!notesServices.clipboard) notesServices.clipboard = clipboard;
  ctx.notes = NotesModel::make(store, notesServices);
  ctx.lib = LibraryModel::make(ctx.notes, LibraryModel::Services{center, clipboard, nullptr, std::move(service)});
  ctx.lib->zone = zone();
  ctx.lib->keepDays = [p = prefs.get()] { return p->historyKeepDays(); };
  ctx.lib->reload();
  ctx.undo = undo;
  ctx.prefs = prefs.get();
  ctx.confirmer = std::make_shared<FixedConfirmer>();
}

StoredItem SampleLibrary::item(const std::string& start) const {
  for (const auto& s : store->recentItems(1000)) {
    const std::string& text = s.item.quote.empty() ? s.item.note.value_or("") : s.item.quote;
    if (text.rfind(start, 0) == 0) return s;
  }
  throw std::runtime_error("no sample item begins with " + start);
}

std::vector<Shot> libraryShots() {
  std::vector<Shot> out;
  const auto card = [](const char* start, std::optional<std::int64_t> number, bool timeOnly,
                       std::function<void(SavedCard&)> state = {}) {
    return [=](double scale) {
      SampleLibrary s;
      auto* c = new SavedCard(s.ctx, s.item(start), number, timeOnly);
      if (state) state(*c);
      return renderPiece(c, 760, scale);
    };
  };
  out.push_back(shot("page-head", "library: a pane's title block", [](double scale) {
    return renderPiece(new PageHead("Highlights", "7 saved \u00B7 3 with your words"), 760, scale);
  }));
  out.push_back(shot("chips", "library: the filter chips, the first on", [](double scale) {
    auto* row = new QWidget;
    auto* l = new QHBoxLayout(row);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(8);
    for (const auto& c : panes::chips(LibraryModel::Filter::all)) l->addWidget(new Chip(qs(c.label), c.on));
    l->addStretch(1);
    return renderPiece(row, 520, scale);
  }));
  out.push_back(shot("small-button", "library: small buttons with and without a symbol", [](double scale) {
    auto* row = new QWidget;
    auto* l = new QHBoxLayout(row);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(8);
    l->addWidget(new SmallButton("Listen", "play.fill"));
    l->addWidget(new SmallButton("Open at quote", "arrow.up.right"));
    l->addWidget(new SmallButton("Export\u2026"));
    l->addStretch(1);
    return renderPiece(row, 520, scale);
  }));
  out.push_back(shot("card-highlight", "library: a highlight's card", card("Pricing is not", std::nullopt, true)));
  out.push_back(
      shot("card-note", "library: a note's card with the user's words", card("Most teams", std::nullopt, false)));
  out.push_back(shot("card-numbered", "library: a card cited by an answer", card("Pricing is not", 1, false)));
  out.push_back(shot("card-hover", "library: a card under the pointer",
                     card("A reader remembers", std::nullopt, true, [](SavedCard& c) { c.setHover(true); })));
  out.push_back(shot("card-editing", "library: a card's note being edited",
                     card("Most teams", std::nullopt, true, [](SavedCard& c) {
                       c.setHover(true);
                       c.startEdit();
                       c.editor()->setPlainText("Ask Dana whether we tested the annual plan at 20% off, and when.");
                     })));
  out.push_back(shot("card-no-quote", "library: a note saved without a quote", card("Idea:", std::nullopt, false)));
  out.push_back(shot("heard-card", "library: a kept page cited by an answer", [](double scale) {
    SampleLibrary s;
    return renderPiece(new HeardCard(s.ctx, *sampleAnswer(s).cited[2].page, 3), 760, scale);
  }));
  out.push_back(shot("heard-card-no-open", "library: a cited page with nothing to open", [](double scale) {
    SampleLibrary s;
    PageHit hit = *sampleAnswer(s).cited[2].page;
    hit.url.reset();
    hit.app.clear();
    hit.title = "Untitled page";
    return renderPiece(new HeardCard(s.ctx, hit, 3), 760, scale);
  }));
  out.push_back(shot("highlights", "library: the Highlights page", [](double scale) {
    SampleLibrary s;
    HighlightsStream pane(s.ctx);
    return renderPane(pane, scale, {1000, 1400});
  }));
  out.push_back(shot("highlights-empty", "library: the Highlights page with nothing saved", [](double scale) {
    SampleLibrary s(false);
    HighlightsStream pane(s.ctx);
    return renderPane(pane, scale, {1000, 460});
  }));
  out.push_back(shot("highlights-filter-empty", "library: a filter nothing passes", [](double scale) {
    SampleLibrary s;
    for (const auto& item : s.store->recentItems(100)) {
      if (panes::hasNote(item)) s.store->updateNote(item.id, std::nullopt);
    }
    s.ctx.lib->reload();
    s.ctx.lib->setFilter(LibraryModel::Filter::words);
    HighlightsStream pane(s.ctx);
    return renderPane(pane, scale, {1000, 360});
  }));

  // ---- Search, answers, documents, toast ----
  const auto search = [](const char* query) {
    return [=](double scale) {
      SampleLibrary s;
      s.ctx.notes->setQuery(query);
      SearchResults pane(s.ctx);
      return renderPane(pane, scale, {1000, 900});
    };
  };
  out.push_back(shot("search-one", "library: one search hit", search("undo")));
  out.push_back(shot("search-many", "library: several search hits", search("pricing")));
  out.push_back(shot("search-none", "library: a search nothing matches", search("zebra")));
  const auto ask = [](std::function<void(SampleLibrary&)> state, QSize size) {
    return [=](double scale) {
      SampleLibrary s;
      state(s);
      AskResult pane(s.ctx, [] {});
      return renderPane(pane, scale, size);
    };
  };
  out.push_back(
      shot("ask-asking", "library: a question on its way",
           ask([](SampleLibrary& s) { s.ctx.lib->setAsk(LibraryModel::Asking{"What did I save about pricing?"}); },
               {1000, 360})));
  out.push_back(shot("ask-answer", "library: an answer with its sources",
                     ask([](SampleLibrary& s) { s.ctx.lib->setAsk(sampleAnswer(s)); }, {1000, 1500})));
  out.push_back(shot("ask-answer-writing", "library: an answer while its document is written", [](double scale) {
    auto service = std::make_shared<HeldService>();
    SampleLibrary s(true, {}, service);
    s.ctx.lib->setAsk(sampleAnswer(s));
    AskResult pane(s.ctx, [] {});
    s.ctx.lib->makeDocument();  // held unanswered: the model stays writing
    return renderPane(pane, scale, {1000, 1500});
  }));
  out.push_back(shot("ask-failed", "library: a question that failed",
                     ask(
                         [](SampleLibrary& s) {
                           s.ctx.lib->setAsk(LibraryModel::Failed{
                               "What did I save about pricing?",
                               "Orvak couldn't reach its service. Check your connection and try again."});
                         },
                         {1000, 360})));
  out.push_back(shot("documents", "library: the Documents page with a document open", [](double scale) {
    SampleLibrary s;
    DocumentsPane pane(s.ctx);
    return renderPane(pane, scale, {1100, 900});
  }));
  out.push_back(shot("documents-empty", "library: the Documents page with none", [](double scale) {
    SampleLibrary s(false);
    DocumentsPane pane(s.ctx);
    return renderPane(pane, scale, {1100, 420});
  }));
  out.push_back(shot("document-no-sources", "library: a document without sources", [](double scale) {
    SampleLibrary s;
    for (const auto& d : s.ctx.lib->docs()) {
      if (d.sources.empty()) s.ctx.lib->setOpenDoc(d.id);
    }
    DocumentsPane pane(s.ctx);
    return renderPane(pane, scale, {1100, 520});
  }));
  const auto toast = [](bool undo) {
    return [=](double scale) {
      SampleLibrary s;
      if (undo) {
        s.ctx.notes->remove(s.item("Pricing is not"), s.undo);
      } else {
        s.ctx.notes->say("Copied");
      }
      QWidget holder;
      holder.resize(520, 110);
      holder.setAutoFillBackground(true);
      QPalette pal = holder.palette();
      pal.setColor(QPalette::Window, look::Margin::paper.color());
      holder.setPalette(pal);
      auto* t = new LibraryToast(s.ctx, &holder);
      t->setPresence(1);
      return renderWidget(holder, scale);
    };
  };
  out.push_back(shot("toast", "library: the toast", toast(false)));
  out.push_back(shot("toast-undo", "library: the toast with Undo", toast(true)));

  // ---- Pages, listened, the whole view ----
  out.push_back(shot("pages", "library: the Pages page", [](double scale) {
    SampleLibrary s;
    PagesList pane(s.ctx);
    return renderPane(pane, scale, {1000, 760});
  }));
  out.push_back(shot("pages-empty", "library: the Pages page with nothing saved", [](double scale) {
    SampleLibrary s(false);
    PagesList pane(s.ctx);
    return renderPane(pane, scale, {1000, 300});
  }));
  out.push_back(shot("page-detail", "library: one page with its items", [](double scale) {
    SampleLibrary s;
    panes::openPageDetail(*s.ctx.lib, s.ctx.notes->docs().front());
    PagesList pane(s.ctx);
    return renderPane(pane, scale, {1000, 900});
  }));
  const auto listened = [](std::function<void(SampleLibrary&)> state, QSize size) {
    return [=](double scale) {
      SampleLibrary s(true);
      state(s);
      ListenedList pane(s.ctx);
      return renderPane(pane, scale, size);
    };
  };
  out.push_back(shot("listened", "library: the Listened page",
                     listened([](SampleLibrary& s) { s.ctx.lib->setPendingDismissed(true); }, {1000, 900})));
  out.push_back(shot("listened-empty", "library: the Listened page with no history",
                     listened(
                         [](SampleLibrary& s) {
                           s.store->clearListened();
                           s.ctx.lib->reload();
                         },
                         {1000, 420})));
  out.push_back(shot("listened-off", "library: the history turned off",
                     listened(
                         [](SampleLibrary& s) {
                           s.store->clearListened();
                           s.prefs->setRememberListening(false);
                           s.ctx.lib->reload();
                         },
                         {1000, 420})));
  out.push_back(shot("listened-banner", "library: page texts about to be cleared",
                     listened([](SampleLibrary&) {}, {1000, 1000})));
  const auto view = [](MainModel::Page page, std::function<void(SampleLibrary&, LibraryView&)> state, QSize size) {
    return [=](double scale) {
      SampleLibrary s;
      LibraryView v(s.ctx, page, s.center);
      if (state) state(s, v);
      return renderPane(v, scale, size);
    };
  };
  out.push_back(shot("library-highlights", "library: the window's library side on Highlights",
                     view(MainModel::Page::library, {}, {1000, 900})));
  out.push_back(shot("library-typing", "library: typing in the bar searches",
                     view(MainModel::Page::library,
                          [](SampleLibrary& s, LibraryView&) { s.ctx.notes->setQuery("pricing"); }, {1000, 900})));
  out.push_back(shot("library-answer", "library: an answer in front of the page",
                     view(MainModel::Page::library,
                          [](SampleLibrary& s, LibraryView&) {
                            s.ctx.notes->setQuery("What did I save about pricing this week?");
                            s.ctx.lib->setAsk(sampleAnswer(s));
                          },
                          {1000, 1200})));
  out.push_back(shot("library-documents", "library: the Documents page under the bar",
                     view(MainModel::Page::documents, {}, {1100, 900})));
  return out;
}

}  // namespace orvak::views::library
