#include "app/account/service_records.h"
#include "core/base/json.h"

namespace orvak::account {

void to_json(json::Json& j, const Info& r) {
  j = json::Json::object();
  json::put(j, "email", r.email);
  json::put(j, "name", r.name);
}
void from_json(const json::Json& j, Info& r) {
  json::read(j, "email", r.email);
  json::read(j, "name", r.name);
}

void to_json(json::Json& j, const SignInReply& r) {
  j = json::Json::object();
  json::put(j, "sent", r.sent);
  json::put(j, "reason", r.reason);
}
void from_json(const json::Json& j, SignInReply& r) {
  json::read(j, "sent", r.sent);
  json::read(j, "reason", r.reason);
}

void to_json(json::Json& j, const ActivateReply& r) {
  j = json::Json::object();
  json::put(j, "deviceToken", r.deviceToken);
  j["account"] = r.account;
}
void from_json(const json::Json& j, ActivateReply& r) {
  json::read(j, "deviceToken", r.deviceToken);
  json::read(j, "account", r.account);
}

void to_json(json::Json& j, const AskAction::Input& r) {
  j = json::Json::object();
  json::put(j, "quote", r.quote);
  json::put(j, "text", r.text);
  json::put(j, "sentences", r.sentences);
  json::put(j, "rate", r.rate);
}
void from_json(const json::Json& j, AskAction::Input& r) {
  json::read(j, "quote", r.quote);
  json::read(j, "text", r.text);
  json::read(j, "sentences", r.sentences);
  json::read(j, "rate", r.rate);
}

void to_json(json::Json& j, const AskAction& r) {
  j = json::Json::object();
  json::put(j, "name", r.name);
  j["input"] = r.input;
}
void from_json(const json::Json& j, AskAction& r) {
  json::read(j, "name", r.name);
  json::read(j, "input", r.input);
}

void to_json(json::Json& j, const Line& r) {
  j = json::Json::object();
  json::put(j, "t", r.t);
  json::put(j, "done", r.done);
  json::put(j, "error", r.error);
  json::put(j, "answer", r.answer);
  if (r.actions) j["actions"] = *r.actions;
  json::put(j, "refused", r.refused);
}
void from_json(const json::Json& j, Line& r) {
  json::read(j, "t", r.t);
  json::read(j, "done", r.done);
  json::read(j, "error", r.error);
  json::read(j, "answer", r.answer);
  json::read(j, "refused", r.refused);
  r.actions.reset();
  const auto it = j.find("actions");
  if (it == j.end() || it->is_null()) return;
  if (!it->is_array()) throw json::DecodeError("actions: expected an array");
  std::vector<AskAction> kept;
  for (const auto& element : *it) {
    try {
      kept.push_back(element.get<AskAction>());
    } catch (const std::exception&) {
      // dropped alone: the line and its other actions still count
    }
  }
  r.actions = std::move(kept);
}

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

void to_json(json::Json& j, const LibraryItem& r) {
  j = json::Json::object();
  json::put(j, "n", r.n);
  json::put(j, "kind", r.kind);
  json::put(j, "quote", r.quote);
  json::put(j, "note", r.note);
  json::put(j, "excerpt", r.excerpt);
  json::put(j, "title", r.title);
  json::put(j, "source", r.source);
  json::put(j, "when", r.when);
}
void from_json(const json::Json& j, LibraryItem& r) {
  json::read(j, "n", r.n);
  json::read(j, "kind", r.kind);
  json::read(j, "quote", r.quote);
  json::read(j, "note", r.note);
  json::read(j, "excerpt", r.excerpt);
  json::read(j, "title", r.title);
  json::read(j, "source", r.source);
  json::read(j, "when", r.when);
}

void to_json(json::Json& j, const LibraryBody& r) {
  j = json::Json::object();
  json::put(j, "question", r.question);
  j["items"] = json::Json::array();
  for (const auto& item : r.items) j["items"].push_back(item);
  json::put(j, "today", r.today);
}
void from_json(const json::Json& j, LibraryBody& r) {
  json::read(j, "question", r.question);
  json::read(j, "items", r.items);
  json::read(j, "today", r.today);
}

void to_json(json::Json& j, const LibraryAnswer& r) {
  j = json::Json::object();
  json::put(j, "answer", r.answer);
  json::put(j, "cites", r.cites);
  json::put(j, "refused", r.refused);
}
void from_json(const json::Json& j, LibraryAnswer& r) {
  json::read(j, "answer", r.answer);
  json::read(j, "cites", r.cites);
  json::read(j, "refused", r.refused);
}

void to_json(json::Json& j, const LibraryDoc::P& r) {
  j = json::Json::object();
  json::put(j, "text", r.text);
  json::put(j, "cites", r.cites);
}
void from_json(const json::Json& j, LibraryDoc::P& r) {
  json::read(j, "text", r.text);
  json::read(j, "cites", r.cites);
}

void to_json(json::Json& j, const LibraryDoc& r) {
  j = json::Json::object();
  json::put(j, "title", r.title);
  j["paragraphs"] = json::Json::array();
  for (const auto& p : r.paragraphs) j["paragraphs"].push_back(p);
}
void from_json(const json::Json& j, LibraryDoc& r) {
  json::read(j, "title", r.title);
  json::read(j, "paragraphs", r.paragraphs);
}

}  // namespace orvak::account
