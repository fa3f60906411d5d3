// The listened history: one row per page and stretch of listening, listens of the same page
// less than 30 minutes apart merged into one.
#include "core/library/notes_store.h"
#include "core/library/position_store.h"
#include "core/text/text.h"

namespace orvak {

namespace {

constexpr double kMinimumListen = 3;
constexpr double kMergeWindow = 1800;
constexpr std::int32_t kStoppedAtChars = 200;

}  // namespace

void NotesStore::recordListen(std::string_view app, std::string_view title, const std::optional<std::string>& url,
                              double seconds, double progress, std::string_view stoppedAt, bool finished,
                              const std::optional<std::string>& pageText, Date at) {
  if (!(seconds >= kMinimumListen)) return;  // NaN included
  std::optional<std::string_view> urlView;
  if (url) urlView = *url;
  const std::string docKey =
      PositionStore::key(urlView, app, title).value_or(std::string(app) + "|" + std::string(title));

  if (pageText) storePageText(docKey, title, app, url, text::graphemePrefix(*pageText, pageTextCap), at);

  std::optional<std::int64_t> recent;
  {
    const SqlValue values[] = {docKey, at.sinceEpoch - kMergeWindow};
    std::lock_guard guard(lock_);
    withStatement("SELECT id FROM listened WHERE doc_key = ? AND last > ? ORDER BY last DESC LIMIT 1", values,
                  [&](SqlStatement& st) {
                    if (st.nextRow()) recent = st.integer(0);
                  });
  }
  const std::string stopped = finished ? std::string() : std::string(text::graphemePrefix(stoppedAt, kStoppedAtChars));
  const int finishedFlag = finished ? 1 : 0;
  if (!recent) {
    tryWrite(
        "INSERT INTO listened (started, last, app, title, url, doc_key, seconds, progress, stopped_at, finished) "
        "VALUES (?,?,?,?,?,?,?,?,?,?)",
        {at.sinceEpoch - seconds, at.sinceEpoch, app, title, url, docKey, seconds, progress, stopped, finishedFlag});
  } else {
    tryWrite(
        "UPDATE listened SET last = ?, seconds = seconds + ?, progress = ?, stopped_at = ?, finished = ?, title = ? "
        "WHERE id = ?",
        {at.sinceEpoch, seconds, progress, stopped, finishedFlag, title, *recent});
  }
}

std::vector<ListenedItem> NotesStore::listened(std::size_t limit) {
  std::vector<ListenedItem> rows;
  const SqlValue values[] = {static_cast<std::int64_t>(std::min<std::size_t>(limit, INT64_MAX))};
  std::lock_guard guard(lock_);
  withStatement(
      "SELECT id, started, last, app, title, url, doc_key, seconds, progress, stopped_at, finished FROM listened "
      "ORDER BY last DESC LIMIT ?",
      values, [&](SqlStatement& st) {
        while (st.nextRow()) {
          ListenedItem r;
          r.id = st.integer(0);
          r.started = Date{st.real(1)};
          r.last = Date{st.real(2)};
          r.app = st.text(3);
          r.title = st.text(4);
          r.url = st.optText(5);
          r.docKey = st.text(6);
          r.seconds = st.real(7);
          r.progress = st.real(8);
          r.stoppedAt = st.text(9);
          r.finished = st.integer(10) != 0;
          rows.push_back(std::move(r));
        }
      });
  return rows;
}

void NotesStore::deleteListened(std::int64_t id) {
  std::optional<std::string> docKey;
  {
    const SqlValue values[] = {id};
    std::lock_guard guard(lock_);
    withStatement("SELECT doc_key FROM listened WHERE id = ?", values, [&](SqlStatement& st) {
      if (st.nextRow()) docKey = st.optText(0);
    });
  }
  tryWrite("DELETE FROM listened WHERE id = ?", {id});
  if (!docKey) return;
  // The key is bound, never spliced into the statement. A count that cannot be read keeps the
  // page text: losing a page the user may still have listened rows for is worse than keeping one.
  std::optional<std::int64_t> remaining;
  {
    const SqlValue values[] = {*docKey};
    std::lock_guard guard(lock_);
    withStatement("SELECT COUNT(*) FROM listened WHERE doc_key = ?", values, [&](SqlStatement& st) {
      if (st.nextRow()) remaining = st.integer(0);
    });
  }
  if (remaining && *remaining == 0) tryWrite("DELETE FROM page_text WHERE doc_key = ?", {*docKey});
}

void NotesStore::clearListened() {
  tryWrite("DELETE FROM listened", {});
  tryWrite("DELETE FROM page_text", {});
}

}  // namespace orvak
