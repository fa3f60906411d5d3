#include "core/library/notes_schema.h"

namespace orvak::notes_schema {

const std::string_view pragmas = "PRAGMA journal_mode=WAL; PRAGMA foreign_keys=ON;";

const std::string_view itemTables = R"(CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE IF NOT EXISTS items (
    id INTEGER PRIMARY KEY,
    ts REAL NOT NULL,
    kind TEXT NOT NULL,
    quote TEXT NOT NULL,
    note TEXT,
    transcript TEXT NOT NULL DEFAULT '',
    app TEXT NOT NULL DEFAULT '',
    window_title TEXT NOT NULL DEFAULT '',
    url TEXT,
    doc_key TEXT NOT NULL,
    sentence_index INTEGER,
    engine TEXT NOT NULL DEFAULT '',
    edited_ts REAL
);
CREATE INDEX IF NOT EXISTS items_doc ON items(doc_key, ts);
CREATE INDEX IF NOT EXISTS items_ts ON items(ts);)";

// External content: the index keeps no text of its own and the triggers re-index a row on every
// insert, delete and update.
const std::string_view itemIndex =
    R"(CREATE VIRTUAL TABLE IF NOT EXISTS items_fts USING fts5(quote, note, window_title, app, url, content='items', content_rowid='id', tokenize='unicode61 remove_diacritics 2');
CREATE TRIGGER IF NOT EXISTS items_ai AFTER INSERT ON items BEGIN
  INSERT INTO items_fts(rowid, quote, note, window_title, app, url) VALUES (new.id, new.quote, new.note, new.window_title, new.app, new.url);
END;
CREATE TRIGGER IF NOT EXISTS items_ad AFTER DELETE ON items BEGIN
  INSERT INTO items_fts(items_fts, rowid, quote, note, window_title, app, url) VALUES ('delete', old.id, old.quote, old.note, old.window_title, old.app, old.url);
END;
CREATE TRIGGER IF NOT EXISTS items_au AFTER UPDATE ON items BEGIN
  INSERT INTO items_fts(items_fts, rowid, quote, note, window_title, app, url) VALUES ('delete', old.id, old.quote, old.note, old.window_title, old.app, old.url);
  INSERT INTO items_fts(rowid, quote, note, window_title, app, url) VALUES (new.id, new.quote, new.note, new.window_title, new.app, new.url);
END;)";

const std::string_view historyTables = R"(CREATE TABLE IF NOT EXISTS listened (
    id INTEGER PRIMARY KEY,
    started REAL NOT NULL, last REAL NOT NULL,
    app TEXT NOT NULL DEFAULT '', title TEXT NOT NULL DEFAULT '', url TEXT, doc_key TEXT NOT NULL,
    seconds REAL NOT NULL DEFAULT 0, progress REAL NOT NULL DEFAULT 0, stopped_at TEXT NOT NULL DEFAULT '', finished INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS listened_last ON listened(last);
CREATE INDEX IF NOT EXISTS listened_doc ON listened(doc_key, last);
CREATE TABLE IF NOT EXISTS written_docs (
    id INTEGER PRIMARY KEY, created REAL NOT NULL, title TEXT NOT NULL, question TEXT NOT NULL DEFAULT '',
    paragraphs TEXT NOT NULL, sources TEXT NOT NULL
);)";

const std::string_view pageTables = R"(CREATE TABLE IF NOT EXISTS page_text (
    doc_key TEXT PRIMARY KEY, title TEXT NOT NULL DEFAULT '', app TEXT NOT NULL DEFAULT '', url TEXT,
    text TEXT NOT NULL, first REAL NOT NULL, last REAL NOT NULL, keep INTEGER NOT NULL DEFAULT 0, warned REAL
);
CREATE INDEX IF NOT EXISTS page_text_last ON page_text(last);)";

// The page index is keyed by page_text's implicit rowid, which VACUUM may renumber: never VACUUM
// this database without rebuilding page_fts afterwards
// (INSERT INTO page_fts(page_fts) VALUES ('rebuild')), or searches return the wrong pages.
const std::string_view pageIndex =
    R"(CREATE VIRTUAL TABLE IF NOT EXISTS page_fts USING fts5(title, text, content='page_text', content_rowid='rowid', tokenize='unicode61 remove_diacritics 2');
CREATE TRIGGER IF NOT EXISTS page_ai AFTER INSERT ON page_text BEGIN
  INSERT INTO page_fts(rowid, title, text) VALUES (new.rowid, new.title, new.text);
END;
CREATE TRIGGER IF NOT EXISTS page_ad AFTER DELETE ON page_text BEGIN
  INSERT INTO page_fts(page_fts, rowid, title, text) VALUES ('delete', old.rowid, old.title, old.text);
END;
CREATE TRIGGER IF NOT EXISTS page_au AFTER UPDATE OF title, text ON page_text BEGIN
  INSERT INTO page_fts(page_fts, rowid, title, text) VALUES ('delete', old.rowid, old.title, old.text);
  INSERT INTO page_fts(rowid, title, text) VALUES (new.rowid, new.title, new.text);
END;)";

}  // namespace orvak::notes_schema
