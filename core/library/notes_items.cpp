// Saved highlights and notes: the operations on the items table.
#include <algorithm>
#include <unordered_map>

#include "core/library/notes_store.h"
#include "core/page/page_excerpt.h"
#include "core/library/position_store.h"
#include "core/text/text.h"

namespace orvak {

namespace {

constexpr std::string_view kColumns =
    "id, ts, kind, quote, note, transcript, app, window_title, url, doc_key, sentence_index, engine, edited_ts";

constexpr std::string_view kInsert =
    "INSERT INTO items (ts, kind, quote, note, transcript, app, window_title, url, doc_key, sentence_index, "
    "engine)\nVALUES (?,?,?,?,?,?,?,?,?,?,?)";

StoredItem row(const SqlStatement& st) {
  StoredItem s;
  s.id = st.integer(0);
  s.item.ts = Date{st.real(1)};
  s.item.kind = st.text(2) == "note" ? ResearchItem::Kind::note : ResearchItem::Kind::highlight;
  s.item.quote = st.text(3);
  s.item.note = st.optText(4);
  s.item.transcript = st.text(5);
  s.item.app = st.text(6);
  s.item.windowTitle = st.text(7);
  s.item.url = st.optText(8);
  s.docKey = st.text(9);
  s.item.sentenceIndex = st.optInteger(10);
  s.item.engine = st.text(11);
  if (auto edited = st.optReal(12)) s.editedAt = Date{*edited};
  return s;
}

// Lower-cased words of a query: runs of letters and numbers (Unicode properties, judged per
// character). Quotes, percent signs, underscores, hyphens and apostrophes never reach a word, not
// even behind a prepended letter, so words are safe inside an FTS5 phrase and a LIKE pattern.
std::vector<std::string> queryWords(std::string_view query) {
  const std::string lower = text::lowercase(query);
  std::vector<std::string> words;
  std::string current;
  for (const auto g : text::graphemes(lower)) {
    if (text::isLetter(g) || text::isNumber(g)) {
      appendWordCharacter(current, g);
    } else if (!current.empty()) {
      words.push_back(std::move(current));
      current.clear();
    }
  }
  if (!current.empty()) words.push_back(std::move(current));
  return words;
}

// Up to this many matches, the full-text search joins and sorts them all.
constexpr std::size_t kJoinMatches = 2000;

// Row ids as one bind value (a JSON array), for "id IN (SELECT value FROM json_each(?))".
std::string idList(const std::vector<std::int64_t>& ids) {
  std::string out = "[";
  for (const auto id : ids) {
    if (out.size() > 1) out += ',';
    out += std::to_string(id);
  }
  return out + "]";
}

std::int64_t clampLimit(std::size_t limit) {
  return static_cast<std::int64_t>(std::min<std::size_t>(limit, INT64_MAX));
}

}  // namespace

std::string docKeyFor(const ResearchItem& item) {
  if (auto key = PositionStore::key(item.url, item.app, item.windowTitle)) return *key;
  return item.app + "|";
}

std::vector<StoredItem> NotesStore::query(std::string_view sql, std::span<const SqlValue> values) {
  std::vector<StoredItem> items;
  withStatement(sql, values, [&](SqlStatement& st) {
    while (st.nextRow()) items.push_back(row(st));
  });
  return items;
}

std::int64_t NotesStore::insert(const ResearchItem& item) {
  std::lock_guard guard(lock_);
  return insertLocked(item);
}

std::int64_t NotesStore::insertLocked(const ResearchItem& item) {
  const SqlValue values[] = {item.ts.sinceEpoch, rawValue(item.kind), item.quote,       item.note,
                             item.transcript,    item.app,            item.windowTitle, item.url,
                             docKeyFor(item),    item.sentenceIndex,  item.engine};
  return writeLocked(kInsert, values);
}

void NotesStore::save(const ResearchItem& item) { insert(item); }

std::vector<ResearchItem> NotesStore::recent(std::size_t limit) {
  std::vector<ResearchItem> items;
  for (auto& s : recentItems(limit)) items.push_back(std::move(s.item));
  return items;
}

std::vector<StoredItem> NotesStore::recentItems(std::size_t limit) {
  const std::string sql = "SELECT " + std::string(kColumns) + " FROM items ORDER BY ts DESC, id DESC LIMIT ?";
  const SqlValue values[] = {clampLimit(limit)};
  std::lock_guard guard(lock_);
  return query(sql, values);
}

std::int64_t NotesStore::count() {
  std::lock_guard guard(lock_);
  return scalar("SELECT COUNT(*) FROM items").value_or(0);
}

std::vector<DocumentSummary> NotesStore::documents() {
  static constexpr std::string_view sql =
      "SELECT doc_key, MAX(ts),\n"
      "       COUNT(*), SUM(kind = 'highlight'), SUM(kind = 'note'),\n"
      "       (SELECT window_title FROM items j WHERE j.doc_key = i.doc_key ORDER BY ts DESC LIMIT 1),\n"
      "       (SELECT app FROM items j WHERE j.doc_key = i.doc_key ORDER BY ts DESC LIMIT 1),\n"
      "       (SELECT url FROM items j WHERE j.doc_key = i.doc_key ORDER BY ts DESC LIMIT 1)\n"
      "       FROM items i GROUP BY doc_key ORDER BY MAX(ts) DESC";
  std::vector<DocumentSummary> docs;
  std::lock_guard guard(lock_);
  withStatement(sql, {}, [&](SqlStatement& st) {
    while (st.nextRow()) {
      DocumentSummary d;
      d.key = st.text(0);
      d.lastSaved = Date{st.real(1)};
      d.count = st.integer(2);
      d.highlights = st.integer(3);
      d.notes = st.integer(4);
      d.title = st.text(5);
      d.app = st.text(6);
      d.url = st.optText(7);
      docs.push_back(std::move(d));
    }
  });
  return docs;
}

std::vector<StoredItem> NotesStore::items(std::string_view docKey) {
  const std::string sql = "SELECT " + std::string(kColumns) +
                          " FROM items WHERE doc_key = ? ORDER BY COALESCE(sentence_index, 1e9), ts";
  const SqlValue values[] = {docKey};
  std::lock_guard guard(lock_);
  return query(sql, values);
}

std::optional<StoredItem> NotesStore::item(std::int64_t id) {
  const std::string sql = "SELECT " + std::string(kColumns) + " FROM items WHERE id = ?";
  const SqlValue values[] = {id};
  std::lock_guard guard(lock_);
  auto rows = query(sql, values);
  if (rows.empty()) return std::nullopt;
  return std::move(rows.front());
}

std::vector<StoredItem> NotesStore::search(std::string_view queryText, std::optional<ResearchItem::Kind> kind,
                                           std::size_t limit) {
  const auto words = queryWords(queryText);
  if (words.empty() && !kind) return recentItems(limit);

  std::string sql;
  std::vector<SqlValue> values;
  const std::string kindCondition = kind ? " AND kind = ?" : "";
  if (words.empty()) {
    sql = "SELECT " + std::string(kColumns) + " FROM items WHERE kind = ? ORDER BY ts DESC LIMIT ?";
  } else if (hasFullTextSearch_) {
    // Every word as a whole-word phrase, the last one also as a prefix (the user is still typing).
    std::string match;
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (i) match += ' ';
      match += '"' + words[i] + '"';
    }
    match += '*';
    std::lock_guard guard(lock_);
    return searchFullText(match, kind, clampLimit(limit));
  } else {
    std::string clauses;
    for (const auto& w : words) {
      if (!clauses.empty()) clauses += " AND ";
      clauses += "(quote LIKE ? OR note LIKE ? OR window_title LIKE ?)";
      const std::string pattern = "%" + w + "%";
      for (int i = 0; i < 3; ++i) values.emplace_back(pattern);
    }
    sql = "SELECT " + std::string(kColumns) + " FROM items WHERE " + clauses + kindCondition +
          " ORDER BY ts DESC LIMIT ?";
  }
  if (kind) values.emplace_back(rawValue(*kind));
  values.emplace_back(clampLimit(limit));
  std::lock_guard guard(lock_);
  return query(sql, values);
}

// The matches are collected once from the index. Sorting their rows by time costs in proportion
// to their number: with a word found in most items, or the one-letter prefix of the first
// keystroke, that is the whole library. Past a few thousand matches the store instead walks the
// items newest first along the time index and keeps those among the matches, which stops as soon
// as `limit` are found. Both give the same items in the same order (ties by newest row).
std::vector<StoredItem> NotesStore::searchFullText(const std::string& match, std::optional<ResearchItem::Kind> kind,
                                                   std::int64_t limit) {
  const std::string kindCondition = kind ? " AND kind = ?" : "";
  std::vector<std::int64_t> matches;
  const SqlValue matchValue[] = {match};
  withStatement("SELECT rowid FROM items_fts WHERE items_fts MATCH ?", matchValue, [&](SqlStatement& st) {
    while (st.nextRow()) matches.push_back(st.integer(0));
  });

  if (matches.size() <= kJoinMatches || static_cast<std::int64_t>(matches.size()) / 20 <= limit) {
    // The matches are known already: sort their rows by time rather than matching again.
    std::vector<SqlValue> values{idList(matches)};
    if (kind) values.emplace_back(rawValue(*kind));
    values.emplace_back(limit);
    return query("SELECT " + std::string(kColumns) + " FROM items WHERE id IN (SELECT value FROM json_each(?))" +
                     kindCondition + " ORDER BY ts DESC, id DESC LIMIT ?",
                 values);
  }

  std::sort(matches.begin(), matches.end());
  std::vector<std::int64_t> ids;
  const std::string rawKind = kind ? std::string(rawValue(*kind)) : std::string();
  withStatement(kind ? "SELECT id, kind FROM items ORDER BY ts DESC, id DESC" : "SELECT id FROM items ORDER BY ts DESC, id DESC",
                {}, [&](SqlStatement& st) {
                  while (static_cast<std::int64_t>(ids.size()) < limit && st.nextRow()) {
                    const std::int64_t id = st.integer(0);
                    if (std::binary_search(matches.begin(), matches.end(), id) && (!kind || st.text(1) == rawKind)) {
                      ids.push_back(id);
                    }
                  }
                });
  return rowsInOrder(ids);
}

std::vector<StoredItem> NotesStore::rowsInOrder(const std::vector<std::int64_t>& ids) {
  const SqlValue values[] = {idList(ids)};
  auto rows = query("SELECT " + std::string(kColumns) + " FROM items WHERE id IN (SELECT value FROM json_each(?))", values);
  std::unordered_map<std::int64_t, std::size_t> position;
  for (std::size_t i = 0; i < ids.size(); ++i) position.emplace(ids[i], i);
  std::sort(rows.begin(), rows.end(),
            [&](const StoredItem& a, const StoredItem& b) { return position[a.id] < position[b.id]; });
  return rows;
}

void NotesStore::updateNote(std::int64_t id, std::optional<std::string> note) {
  std::optional<std::string> trimmed;
  if (note) trimmed = std::string(text::trim(*note));
  write(
      "UPDATE items SET note = ?, kind = CASE WHEN ? IS NOT NULL AND ? != '' THEN 'note' ELSE kind END, "
      "edited_ts = ? WHERE id = ?",
      {trimmed, trimmed, trimmed, Date::now().sinceEpoch, id});
}

void NotesStore::deleteItem(std::int64_t id) { write("DELETE FROM items WHERE id = ?", {id}); }

void NotesStore::restore(const StoredItem& s) {
  const auto& i = s.item;
  std::optional<double> edited;
  if (s.editedAt) edited = s.editedAt->sinceEpoch;
  const SqlValue values[] = {s.id,   i.ts.sinceEpoch, rawValue(i.kind), i.quote,    i.note,
                             i.transcript, i.app,     i.windowTitle,    i.url,      s.docKey,
                             i.sentenceIndex, i.engine, edited};
  write(
      "INSERT INTO items (id, ts, kind, quote, note, transcript, app, window_title, url, doc_key, sentence_index, "
      "engine, edited_ts)\nVALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)",
      values);
}

}  // namespace orvak
