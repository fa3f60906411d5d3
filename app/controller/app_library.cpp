// What reading leaves in the library: documents written from the page being read, and the
// periodic clearing of kept page texts.
#include <memory>

#include "app/controller/app_controller.h"
#include "app/controller/housekeeping.h"
#include "app/controller/page_document.h"
#include "core/base/date.h"
#include "core/base/log.h"
#include "core/page/page_title.h"
#include "core/text/text.h"

namespace orvak {

namespace {

// Without a client of the service (a stand-in account), every question fails as signed out.
class NoLibraryService final : public LibraryService {
 public:
  account::Exchange libraryAsk(const account::LibraryBody&, AnswerDone done) override {
    dispatch::main().async([done] { done(account::Fail{}); });
    return {};
  }
  account::Exchange libraryDocument(const account::LibraryBody&, DocumentDone done) override {
    dispatch::main().async([done] { done(account::Fail{}); });
    return {};
  }
};

}  // namespace

std::shared_ptr<LibraryService> AppController::libraryService() {
  if (!services_.library) services_.library = std::dynamic_pointer_cast<LibraryService>(services_.account);
  if (!services_.library) services_.library = std::make_shared<NoLibraryService>();
  return services_.library;
}

void AppController::writeDoc(const std::string& topic, const std::optional<Player::Moment>& at) {
  const auto& player = read_->player();
  const auto context = player ? player->askContext(at) : std::nullopt;
  if (!context || !notes_) {
    notices_->note("Double-tap to start reading, then ask for a document");
    return;
  }
  const auto source = player->source();
  auto page = std::make_shared<PageDocument::Page>();
  page->excerpt =
      std::string(text::graphemePrefix(topic.empty() ? context->section : context->text, PageDocument::kExcerptChars));
  page->title = PageTitle::clean(source.windowTitle, source.app, source.url);
  page->site = PageDocument::site(source.url, source.app);
  page->url = source.url;
  if (const auto key = PositionStore::key(source.url, source.app, source.windowTitle))
    page->saved = notes_->items(*key);
  const std::string today = iso8601(Date::now()).substr(0, 10);
  account::LibraryBody body{PageDocument::question(topic, page->title), PageDocument::items(*page, today), today};

  std::weak_ptr<AppController> weak = weak_from_this();
  dispatch::main().async([weak, body = std::move(body), page, topic] {
    auto self = weak.lock();
    if (!self) return;  // gone before the request: nothing is asked
    self->libraryService()->libraryDocument(body, [self, page, topic](account::Result<account::LibraryDoc> reply) {
      if (!reply) {
        self->notices_->note(account::explain(reply.failure()));
        return;
      }
      // Renumbering and storing stay off the main queue; the database takes its own lock.
      dispatch::global().async([self, page, topic, doc = reply.value()] {
        const auto stored = PageDocument::fromReply(doc, *page);
        const auto id = self->notes_
                            ? self->notes_->saveDoc(doc.title, PageDocument::storedQuestion(topic, page->title),
                                                    stored.paragraphs, stored.sources, Date::now())
                            : std::nullopt;
        dispatch::main().async([self, id, title = doc.title] {
          if (!id) {
            // Nothing was stored: no notice pointing at a document that does not exist.
            self->notices_->note("Couldn't save — see log");
            return;
          }
          if (self->services_.notifications) self->services_.notifications->post("orvak.notesChanged");
          std::weak_ptr<AppController> weak = self;
          self->pill_->notice("Document written: " + title, "In Library → Documents", false, "Open", "doc.richtext",
                              [weak] {
                                auto c = weak.lock();
                                if (c && c->windows_) c->windows_->showMain(MainModel::Page::documents);
                              });
        });
      });
    });
  });
}

void AppController::historyHousekeeping() {
  if (!notes_) return;
  const auto pass = HistoryHousekeeping::run(*notes_, prefs().historyKeepDays(), Date::now());
  const auto notifications = services_.notifications;
  if (pass.warned) {
    std::weak_ptr<AppController> weak = weak_from_this();
    pill_->notice(pass.notice, HistoryHousekeeping::kNoticeSub, false, "Keep them", "clock.arrow.circlepath",
                  [weak, notifications, keys = pass.warned->keys] {
                    auto self = weak.lock();
                    if (self && self->notes_) self->notes_->keepPages(keys);
                    if (notifications) notifications->post("orvak.notesChanged");
                  });
    if (notifications) notifications->post("orvak.notesChanged");
  }
  if (pass.cleared > 0 && notifications) notifications->post("orvak.notesChanged");
}

}  // namespace orvak
