// Kept page texts: storing, finding and excerpting the texts of listened pages.
#include "core/library/notes_store.h"
#include "core/page/page_excerpt.h"
#include "core/text/text.h"

namespace orvak {

namespace {

constexpr std::string_view kPageUpsert =
    "INSERT INTO page_text (doc_key, title, app, url, text, first, last) VALUES (?,?,?,?,?,?,?)\n"
    "ON CONFLICT(doc_key) DO UPDATE SET title = excluded.title, app = excluded.app, url = excluded.url, "
    "text = excluded.text, last = excluded.last, warned = NULL";

std::int64_t clampCount(std::size_t n) { return static_cast<std::int64_t>(std::min<std::size_t>(n, INT64_MAX)); }

}  // namespace

bool NotesStore::tryWrite(std::string_view sql, std::span<const SqlValue> values) {
  try {
    write(sql, values);
    return true;
  } catch (const NotesStoreError&) {
    return false;
  }
}

bool NotesStore::tryWrite(std::string_view sql, std::initializer_list<SqlValue> values) {
  return tryWrite(sql, std::span<const SqlValue>(values.begin(), values.size()));
}

std::vector<std::string> NotesStore::keys(std::string_view sql, std::span<const SqlValue> values) {
  std::vector<std::string> out;
  withStatement(sql, values, [&](SqlStatement& st) {
    while (st.nextRow()) {
      if (auto key = st.optText(0)) out.push_back(std::move(*key));
    }
  });
  return out;
}

void NotesStore::storePageText(std::string_view docKey, std::string_view title, std::string_view app,
                               const std::optional<std::string>& url, std::string_view cutText, Date at) {
  if (text::trim(cutText).empty()) return;
  tryWrite(kPageUpsert, {docKey, title, app, url, cutText, at.sinceEpoch, at.sinceEpoch});
}

void NotesStore::savePageText(std::string_view docKey, std::string_view title, std::string_view app,
                              const std::optional<std::string>& url, std::string_view pageText, Date at) {
  storePageText(docKey, title, app, url, text::graphemePrefix(pageText, pageTextCap), at);
}

bool NotesStore::hasPageText(std::string_view docKey) {
  bool found = false;
  const SqlValue values[] = {docKey};
  std::lock_guard guard(lock_);
  withStatement("SELECT 1 FROM page_text WHERE doc_key = ?", values, [&](SqlStatement& st) { found = st.nextRow(); });
  return found;
}

std::optional<std::string> NotesStore::pageText(std::string_view docKey) {
  std::optional<std::string> found;
  const SqlValue values[] = {docKey};
  std::lock_guard guard(lock_);
  withStatement("SELECT text FROM page_text WHERE doc_key = ?", values, [&](SqlStatement& st) {
    if (st.nextRow()) found = st.optText(0);
  });
  return found;
}

std::vector<PageHit> NotesStore::searchPages(const std::vector<std::string>& rawTerms, std::size_t limit,
                                             std::int32_t excerpt) {
  const auto terms = normalisePageTerms(rawTerms);
  if (terms.empty()) return {};
  std::vector<std::string> found;
  {
    std::lock_guard guard(lock_);
    std::vector<SqlValue> values;
    std::string sql;
    if (hasFullTextSearch_) {
      std::string match;
      for (const auto& t : terms) match += (match.empty() ? "\"" : " OR \"") + t + "\"*";
      values.emplace_back(std::move(match));
      sql =
          "SELECT p.doc_key FROM page_fts JOIN page_text p ON p.rowid = page_fts.rowid WHERE page_fts MATCH ? "
          "ORDER BY bm25(page_fts) LIMIT ?";
    } else {
      sql = "SELECT doc_key FROM page_text WHERE ";
      for (std::size_t i = 0; i < terms.size(); ++i) {
        sql += i ? " OR text LIKE ?" : "text LIKE ?";
        values.emplace_back("%" + terms[i] + "%");
      }
      sql += " ORDER BY last DESC LIMIT ?";
    }
    values.emplace_back(clampCount(limit));
    found = keys(sql, values);
  }
  std::vector<PageHit> hits;
  for (const auto& key : found) {
    if (auto hit = pageHit(key, terms, excerpt)) hits.push_back(std::move(*hit));
  }
  return hits;
}

std::optional<PageHit> NotesStore::page(std::string_view docKey, const std::vector<std::string>& terms,
                                        std::int32_t excerpt) {
  // The terms are normalised as search normalises them, so a term with an upper-case letter or a
  // hyphen still finds its place in the lower-cased text.
  return pageHit(docKey, normalisePageTerms(terms), excerpt);
}

std::optional<PageHit> NotesStore::pageHit(std::string_view docKey, const std::vector<std::string>& terms,
                                           std::int32_t excerpt) {
  std::optional<PageHit> hit;
  std::optional<std::string> pageText;
  {
    const SqlValue values[] = {docKey};
    std::lock_guard guard(lock_);
    withStatement("SELECT doc_key, title, app, url, last, text FROM page_text WHERE doc_key = ?", values,
                  [&](SqlStatement& st) {
                    if (!st.nextRow() || st.isNull(5)) return;
                    PageHit h;
                    h.docKey = st.optText(0).value_or(std::string(docKey));
                    h.title = st.text(1);
                    h.app = st.text(2);
                    h.url = st.optText(3);
                    h.last = Date{st.real(4)};
                    hit = std::move(h);
                    pageText = st.text(5);
                  });
  }
  // The excerpt is cut outside the lock: on a long page it is the slow part.
  if (hit) hit->excerpt = pageExcerpt(*pageText, terms, excerpt);
  return hit;
}

std::vector<PageHit> NotesStore::recentPages(std::size_t limit, std::int32_t excerpt) {
  std::vector<std::string> found;
  {
    const SqlValue values[] = {clampCount(limit)};
    std::lock_guard guard(lock_);
    found = keys("SELECT doc_key FROM page_text ORDER BY last DESC LIMIT ?", values);
  }
  std::vector<PageHit> hits;
  for (const auto& key : found) {
    if (auto hit = pageHit(key, {}, excerpt)) hits.push_back(std::move(*hit));
  }
  return hits;
}

void NotesStore::keepPages(const std::vector<std::string>& pageKeys) {
  for (const auto& key : pageKeys) tryWrite("UPDATE page_text SET keep = 1 WHERE doc_key = ?", {key});
}

void NotesStore::clearPageTexts() { tryWrite("DELETE FROM page_text", {}); }

void NotesStore::deletePageText(std::string_view docKey) {
  tryWrite("DELETE FROM page_text WHERE doc_key = ?", {docKey});
}

std::int64_t NotesStore::pageTextCount() {
  std::lock_guard guard(lock_);
  return scalar("SELECT COUNT(*) FROM page_text").value_or(0);
}

}  // namespace orvak
