#include "app/account/service_records.h"
#include "core/base/json.h"

namespace orvak::account {

void fields(json::Record<Info> auto& r, auto&& f) {
  f("email", r.email);
  f("name", r.name);
}

void to_json(json::Json& j, const Info& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, Info& r) { json::readFields(j, r); }

void fields(json::Record<SignInReply> auto& r, auto&& f) {
  f("sent", r.sent);
  f("reason", r.reason);
}

void to_json(json::Json& j, const SignInReply& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, SignInReply& r) { json::readFields(j, r); }

void fields(json::Record<ActivateReply> auto& r, auto&& f) {
  f("deviceToken", r.deviceToken);
  f("account", r.account);
}

void to_json(json::Json& j, const ActivateReply& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, ActivateReply& r) { json::readFields(j, r); }

void fields(json::Record<AskAction::Input> auto& r, auto&& f) {
  f("quote", r.quote);
  f("text", r.text);
  f("sentences", r.sentences);
  f("rate", r.rate);
}

void to_json(json::Json& j, const AskAction::Input& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, AskAction::Input& r) { json::readFields(j, r); }

void fields(json::Record<AskAction> auto& r, auto&& f) {
  f("name", r.name);
  f("input", r.input);
}

void to_json(json::Json& j, const AskAction& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, AskAction& r) { json::readFields(j, r); }

namespace {

// A malformed action is dropped alone: the line and its other actions still count.
struct KeepGoodActions {
  void put(json::Json& j, const char* key, const std::optional<std::vector<AskAction>>& actions) const {
    json::put(j, key, actions);
  }
  void read(const json::Json& j, const char* key, std::optional<std::vector<AskAction>>& out) const {
    out.reset();
    const auto it = j.find(key);
    if (it == j.end() || it->is_null()) return;
    if (!it->is_array()) throw json::DecodeError(std::string(key) + ": expected an array");
    std::vector<AskAction> kept;
    for (const auto& element : *it) {
      try {
        kept.push_back(element.get<AskAction>());
      } catch (const std::exception&) {
      }
    }
    out = std::move(kept);
  }
};

}  // namespace

void fields(json::Record<Line> auto& r, auto&& f) {
  f("t", r.t);
  f("done", r.done);
  f("error", r.error);
  f("answer", r.answer);
  f("refused", r.refused);
  f("actions", r.actions, KeepGoodActions{});
}

void to_json(json::Json& j, const Line& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, Line& r) { json::readFields(j, r); }

json::Json askBody(const AskQuestion& q) {
  return json::Json{{"kind", q.kind},
                    {"question", q.question},
                    {"text", q.text},
                    {"at", q.at},
                    {"focus", q.focus},
                    {"title", q.title},
                    {"state", q.before ? "before" : "paused"},
                    {"stream", true}};
}

void fields(json::Record<LibraryItem> auto& r, auto&& f) {
  f("n", r.n);
  f("kind", r.kind);
  f("quote", r.quote);
  f("note", r.note);
  f("excerpt", r.excerpt);
  f("title", r.title);
  f("source", r.source);
  f("when", r.when);
}

void to_json(json::Json& j, const LibraryItem& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, LibraryItem& r) { json::readFields(j, r); }

void fields(json::Record<LibraryBody> auto& r, auto&& f) {
  f("question", r.question);
  f("items", r.items);
  f("today", r.today);
}

void to_json(json::Json& j, const LibraryBody& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, LibraryBody& r) { json::readFields(j, r); }

void fields(json::Record<LibraryAnswer> auto& r, auto&& f) {
  f("answer", r.answer);
  f("cites", r.cites);
  f("refused", r.refused);
}

void to_json(json::Json& j, const LibraryAnswer& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, LibraryAnswer& r) { json::readFields(j, r); }

void fields(json::Record<LibraryDoc::P> auto& r, auto&& f) {
  f("text", r.text);
  f("cites", r.cites);
}

void to_json(json::Json& j, const LibraryDoc::P& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, LibraryDoc::P& r) { json::readFields(j, r); }

void fields(json::Record<LibraryDoc> auto& r, auto&& f) {
  f("title", r.title);
  f("paragraphs", r.paragraphs);
}

void to_json(json::Json& j, const LibraryDoc& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, LibraryDoc& r) { json::readFields(j, r); }

}  // namespace orvak::account
