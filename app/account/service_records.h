// The JSON records that travel between the account client and the maker's service.
//
// Member names are the field names. Decoding is strict (core/base/json.h): a required member that
// is absent, null or of another type fails the whole record; an absent or null optional is absent;
// members a record does not list are ignored. Encoding leaves absent optionals out.
//
// `Account` names these records as its own members (`Account::Info`, `Account::AskAction` ...);
// they live here so the interfaces that carry them need not know the client.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/base/json_fwd.h"

namespace orvak::account {

// The account as the service reports it; also the cached "accountInfo" record.
struct Info {
  std::string email;
  std::optional<std::string> name;
  bool operator==(const Info&) const = default;
};

// Reply of "/api/signin".
struct SignInReply {
  bool sent = false;
  std::optional<std::string> reason;
  bool operator==(const SignInReply&) const = default;
};

// Reply of "/api/activate".
struct ActivateReply {
  std::string deviceToken;
  Info account;
  bool operator==(const ActivateReply&) const = default;
};

// Something the answer to a page question wants done ("highlight", "set_speed" ...).
struct AskAction {
  struct Input {
    std::optional<std::string> quote;
    std::optional<std::string> text;
    std::optional<std::int64_t> sentences;
    std::optional<double> rate;
    bool operator==(const Input&) const = default;
  };
  std::string name;
  Input input;
  bool operator==(const AskAction&) const = default;
};

// One line of the streamed "/api/ask" reply. An action that does not decode is dropped from
// `actions` and the rest of the line stands: one odd action must not lose a whole final line.
struct Line {
  std::optional<std::string> t;
  std::optional<bool> done;
  std::optional<std::string> error;
  std::optional<std::string> answer;
  std::optional<std::vector<AskAction>> actions;
  std::optional<bool> refused;
  bool operator==(const Line&) const = default;
};

// A question about the page being read, as the voice commands ask it. Sent as the body of
// "/api/ask" with "state" ("before" when reading has not started, else "paused") and "stream" true.
struct AskQuestion {
  std::string kind;  // "ask", "summary", "section" ... as the caller names it
  std::string question;
  std::string text;   // the page's text
  std::string at;     // where the reader stands
  std::string focus;  // the passage in focus
  std::string title;
  bool before = false;
  bool operator==(const AskQuestion&) const = default;
};
// The request body: exactly eight members, "stream" the JSON value true.
json::Json askBody(const AskQuestion& q);

// The outcome of a page question: the final line's answer ("" when it has none), its actions and
// refusal flag as they came.
struct AskReply {
  std::string answer;
  std::optional<std::vector<AskAction>> actions;
  std::optional<bool> refused;
  bool operator==(const AskReply&) const = default;
};

// One saved item or listened page sent as a numbered source; every member is always written.
struct LibraryItem {
  std::int64_t n = 0;
  std::string kind;  // "saved" or "listened"
  std::string quote;
  std::string note;
  std::string excerpt;
  std::string title;
  std::string source;
  std::string when;
  bool operator==(const LibraryItem&) const = default;
};

// Body of "/api/library/ask" and "/api/library/document"; every member is always written.
struct LibraryBody {
  std::string question;
  std::vector<LibraryItem> items;
  std::string today;
  bool operator==(const LibraryBody&) const = default;
};

// Reply of "/api/library/ask".
struct LibraryAnswer {
  std::string answer;
  std::vector<std::int64_t> cites;
  std::optional<bool> refused;
  bool operator==(const LibraryAnswer&) const = default;
};

// Reply of "/api/library/document".
struct LibraryDoc {
  struct P {
    std::string text;
    std::vector<std::int64_t> cites;
    bool operator==(const P&) const = default;
  };
  std::string title;
  std::vector<P> paragraphs;
  bool operator==(const LibraryDoc&) const = default;
};

void to_json(json::Json& j, const Info& r);
void from_json(const json::Json& j, Info& r);
void to_json(json::Json& j, const SignInReply& r);
void from_json(const json::Json& j, SignInReply& r);
void to_json(json::Json& j, const ActivateReply& r);
void from_json(const json::Json& j, ActivateReply& r);
void to_json(json::Json& j, const AskAction::Input& r);
void from_json(const json::Json& j, AskAction::Input& r);
void to_json(json::Json& j, const AskAction& r);
void from_json(const json::Json& j, AskAction& r);
void to_json(json::Json& j, const Line& r);
void from_json(const json::Json& j, Line& r);
void to_json(json::Json& j, const LibraryItem& r);
void from_json(const json::Json& j, LibraryItem& r);
void to_json(json::Json& j, const LibraryBody& r);
void from_json(const json::Json& j, LibraryBody& r);
void to_json(json::Json& j, const LibraryAnswer& r);
void from_json(const json::Json& j, LibraryAnswer& r);
void to_json(json::Json& j, const LibraryDoc::P& r);
void from_json(const json::Json& j, LibraryDoc::P& r);
void to_json(json::Json& j, const LibraryDoc& r);
void from_json(const json::Json& j, LibraryDoc& r);

}  // namespace orvak::account
