#include "app/voice/spoken_answers.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>

#include "app/audio/audio_graph.h"
#include "app/prefs.h"
#include "app/voice/research_save.h"
#include "core/base/date.h"
#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "core/page/page_section.h"
#include "core/page/privacy.h"
#include "core/speech/sentence_splitter.h"
#include "core/text/text.h"
#include "speech/engine_factory.h"

namespace orvak {
namespace {

std::string statusFor(const std::string& kind) { return kind == "ask" ? "Thinking…" : "Summarizing…"; }

std::string wholeMs(double ms) { return std::to_string(static_cast<long long>(std::max(0.0, ms))); }

double msSince(std::uint64_t t0) {
  const std::uint64_t now = dispatch::monotonicNanos();
  return now > t0 ? static_cast<double>(now - t0) / 1e6 : 0;
}

}  // namespace

std::shared_ptr<SpokenAnswers> SpokenAnswers::make(std::shared_ptr<Definer> definer,
                                                   std::shared_ptr<AudioGraph> graph) {
  if (!graph) graph = AudioGraph::shared().shared_from_this();
  return std::shared_ptr<SpokenAnswers>(new SpokenAnswers(std::move(definer), std::move(graph)));
}

SpokenAnswers::SpokenAnswers(std::shared_ptr<Definer> definer, std::shared_ptr<AudioGraph> graph)
    : definer_(std::move(definer)), graph_(std::move(graph)) {}

float SpokenAnswers::snappedSpeed(std::optional<double> rate) {
  double v = rate.value_or(1.0);
  if (!std::isfinite(v)) v = 1.0;
  v = std::clamp(v, 0.8, 2.0);
  static constexpr std::array<double, 6> ladder{0.8, 1.0, 1.25, 1.5, 1.75, 2.0};
  double best = ladder[0];
  for (double step : ladder) {
    if (std::abs(v - step) < std::abs(v - best)) best = step;  // strict: a tie keeps the lower step
  }
  return static_cast<float>(best);
}

int SpokenAnswers::skipTarget(int playingSentence, std::optional<std::int64_t> sentences) {
  // The count comes from the service: bound it before adding, so no sum can overflow.
  const std::int64_t by =
      std::clamp<std::int64_t>(sentences.value_or(1), -(std::int64_t{1} << 40), std::int64_t{1} << 40);
  return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{playingSentence} + by, 0, INT_MAX));
}

std::shared_ptr<VoicePlayer> SpokenAnswers::attached() const { return context.player ? context.player() : nullptr; }

void SpokenAnswers::status(const std::string& text) const {
  if (context.status) context.status(text);
}

void SpokenAnswers::log(const std::string& line) const {
  if (context.log) {
    context.log(line);
  } else {
    Log::write(line);
  }
}

std::vector<Pronunciation> SpokenAnswers::pronunciations() const {
  return context.prefs ? context.prefs->pronunciations() : std::vector<Pronunciation>{};
}

std::shared_ptr<SpeechEngine> SpokenAnswers::answerEngine() const {
  if (context.makeAnswerEngine) {
    if (auto engine = context.makeAnswerEngine()) return engine;
  }
  EngineConfig config;
  if (context.prefs) config.onDeviceVoice = context.prefs->onDeviceVoice();
  return EngineFactory::make(Vendor::onDevice, config);
}

void SpokenAnswers::silence() {
  if (askGen_ < 1) return;
  ++askGen_;
  definer_->cancel();
}

void SpokenAnswers::answer(const std::string& kind, const std::string& question, std::optional<ReadMoment> moment) {
  const int gen = ++askGen_;
  auto player = attached();
  if (!player) return;
  const auto ctx = player->askContext(moment);
  if (!ctx) {
    player->commandResume(std::nullopt);
    return;
  }
  status(statusFor(kind));
  auto req = std::make_shared<Request>();
  req->kind = kind;
  req->question = question;
  req->page = {ctx->text, ctx->at, ctx->section, ctx->title, false};
  req->gen = gen;
  req->hadPlayer = true;
  req->player = player;
  req->moment = std::move(moment);
  req->t0 = dispatch::monotonicNanos();
  respond(std::move(req));
}

void SpokenAnswers::answerBefore(const std::string& kind, const std::string& question) {
  const int gen = ++askGen_;
  status(statusFor(kind));
  if (!context.idlePage) {
    status("");
    return;
  }
  context.idlePage([weak = weak_from_this(), kind, question, gen](std::optional<IdlePage> page) {
    auto self = weak.lock();
    if (!self || self->askGen_ != gen || self->attached()) return;
    if (!page || page->text.empty()) {
      self->status("Couldn't read this window");
      return;
    }
    self->status(statusFor(kind));
    auto req = std::make_shared<Request>();
    req->kind = kind;
    req->question = question;
    req->page = {page->text, "", PageSection::around(page->text, 0, 3000), page->title, true};
    req->gen = gen;
    req->t0 = dispatch::monotonicNanos();
    self->respond(std::move(req));
  });
}

bool SpokenAnswers::current(const Request& req) const {
  if (askGen_ != req.gen) return false;
  auto now = attached();
  if (!req.hadPlayer) return now == nullptr;
  return now != nullptr && now == req.player.lock() && !now->hasEnded();
}

void SpokenAnswers::respond(std::shared_ptr<Request> req) {
  const account::AskQuestion question{req->kind,         req->question,   req->page.text,  req->page.at,
                                      req->page.section, req->page.title, req->page.before};
  std::weak_ptr<SpokenAnswers> weak = weak_from_this();
  auto onText = [weak, req](const std::string& text) {
    dispatch::main().async([weak, req, text] {
      if (auto self = weak.lock()) self->chunk(req, text);
    });
  };
  auto done = [weak, req](account::Result<account::AskReply> reply) {
    const double replyMs = msSince(req->t0);
    dispatch::main().async([weak, req, reply = std::move(reply), replyMs] {
      if (auto self = weak.lock()) self->complete(req, reply, replyMs);
    });
  };
  if (!context.account) {
    done(account::Fail::signedOut());
    return;
  }
  context.account->askStream(question, std::move(onText), std::move(done));
}

void SpokenAnswers::chunk(const std::shared_ptr<Request>& req, const std::string& text) {
  if (!current(*req)) return;
  auto& st = req->stream;
  if (!st.firstWordMs) st.firstWordMs = msSince(req->t0);
  st.pending += text;
  const auto pieces = SentenceSplitter::split(st.pending, 400);
  if (pieces.size() < 2) return;
  if (!st.started) {
    st.started = true;
    definer_->begin(answerEngine(), pronunciations());
  }
  for (std::size_t i = 0; i + 1 < pieces.size(); ++i) definer_->add(pieces[i]);
  // Keep the unfinished sentence as it arrived, its trailing space included, so the next piece
  // does not glue two words together.
  const auto at = st.pending.rfind(pieces.back());
  st.pending = at == std::string::npos ? pieces.back() : st.pending.substr(at);
}

void SpokenAnswers::complete(const std::shared_ptr<Request>& req, const account::Result<account::AskReply>& reply,
                             double replyMs) {
  if (!reply) log("ask: failed " + account::failureText(reply.failure()));
  if (!current(*req)) return;
  auto& st = req->stream;
  const std::string answerText = reply ? reply->answer : std::string();
  const std::string errorText = reply ? std::string() : account::explain(reply.failure());

  std::string line = "ask " + req->kind + (req->page.before ? " (before reading)" : "") + ": first words " +
                     (st.firstWordMs ? wholeMs(*st.firstWordMs) + " ms" : std::string("—")) + ", reply done " +
                     wholeMs(replyMs) + " ms, " + std::to_string(text::graphemeCount(answerText)) + " chars, actions [";
  if (reply && reply->actions) {
    for (std::size_t i = 0; i < reply->actions->size(); ++i) line += (i ? ", " : "") + (*reply->actions)[i].name;
  }
  line += "]";
  if (Privacy::keepTextInLogs()) line += " · " + (reply ? answerText : errorText);
  log(line);

  if (!reply) {
    fail(req, errorText);
    return;
  }
  if (answerText.empty()) {
    fail(req, "I couldn't answer that just now.");
    return;
  }
  if (reply->refused.value_or(false)) {
    if (st.started) definer_->cancel();
    st.started = false;
    st.pending = answerText;
  }
  const bool noActions = !reply->actions || reply->actions->empty();
  After after;
  after.kind = (noActions || !req->hadPlayer) ? After::Kind::offer : After::Kind::resume;
  if (reply->actions) {
    for (const auto& action : *reply->actions) runAction(req, action, after);
  }
  if (after.kind == After::Kind::offer) {
    st.pending += req->hadPlayer ? " Want me to keep reading?" : " Want me to read it to you?";
  }
  status("Answer: " + answerText);

  auto then = [weak = weak_from_this(), req, after] {
    if (auto self = weak.lock()) self->afterSpeech(req, after);
  };
  if (st.started) {
    definer_->end(st.pending, then);
  } else if (text::trim(st.pending).empty()) {
    then();
  } else {
    definer_->begin(answerEngine(), pronunciations());
    definer_->end(st.pending, then);
  }
}

void SpokenAnswers::runAction(const std::shared_ptr<Request>& req, const account::AskAction& action, After& after) {
  const auto& in = action.input;
  const auto& name = action.name;
  if (name == "highlight" || name == "note") {
    const bool note = name == "note";
    if (save(req, note ? ResearchItem::Kind::note : ResearchItem::Kind::highlight, action)) {
      status(note ? "Note saved ✓" : "Highlighted ✓");
    } else {
      status("Couldn't save — see log");
    }
  } else if (name == "set_speed") {
    if (context.prefs) context.prefs->setSpeed(snappedSpeed(in.rate));
  } else if (name == "skip") {
    if (req->moment && req->hadPlayer) {
      after = {After::Kind::resume, skipTarget(req->moment->playingSentence, in.sentences), std::nullopt};
    }
  } else if (name == "read_from") {
    if (!in.quote) return;
    if (req->hadPlayer) {
      auto player = req->player.lock();
      const auto found = player ? player->sentence(*in.quote) : std::nullopt;
      if (found) {
        after = {After::Kind::resume, *found, std::nullopt};
      } else {
        req->stream.pending += " I couldn't find that part.";
        after = {After::Kind::offer, std::nullopt, std::nullopt};
      }
    } else {
      after = {After::Kind::readAt, std::nullopt, *in.quote};
    }
  } else if (name == "keep_reading") {
    if (after.kind == After::Kind::offer) {
      after = req->hadPlayer ? After{After::Kind::resume, std::nullopt, std::nullopt}
                             : After{After::Kind::readAt, std::nullopt, std::nullopt};
    }
  } else if (name == "stop_reading") {
    after = {After::Kind::stop, std::nullopt, std::nullopt};
  }
}

bool SpokenAnswers::save(const std::shared_ptr<Request>& req, ResearchItem::Kind kind,
                         const account::AskAction& action) {
  ResearchStore* store = context.store ? context.store() : nullptr;
  if (store == nullptr) {
    log("research save failed: no store");
    return false;
  }
  const auto& m = req->moment;
  auto player = req->hadPlayer ? req->player.lock() : nullptr;
  ResearchItem item;
  item.ts = Date::now();
  item.kind = kind;
  item.quote = action.input.quote ? *action.input.quote : (m ? m->text : std::string());
  if (kind == ResearchItem::Kind::note) item.note = action.input.text ? *action.input.text : req->question;
  item.transcript = req->question;
  if (player) {
    const auto source = player->source();
    item.app = source.app;
    item.windowTitle = source.windowTitle;
    item.url = source.url;
    item.engine = player->engineLabel();
  }
  std::optional<int> found;
  if (kind == ResearchItem::Kind::highlight && player && !item.quote.empty()) found = player->sentence(item.quote);
  if (found) {
    item.sentenceIndex = m ? std::int64_t{*found} - m->sentence + m->docSentence : std::int64_t{*found};
  } else if (m) {
    item.sentenceIndex = m->docSentence;
  }
  if (!saveResearch(*store, item, *graph_, [this](const std::string& l) { log(l); })) return false;
  if (context.onSaved) context.onSaved();
  return true;
}

void SpokenAnswers::fail(const std::shared_ptr<Request>& req, const std::string& text) {
  status(text);
  if (req->stream.started) definer_->cancel();
  definer_->say(text, answerEngine(), pronunciations(),
                [weak = weak_from_this(), gen = req->gen, had = req->hadPlayer] {
                  auto self = weak.lock();
                  if (!self || self->askGen_ != gen || !had) return;
                  if (auto player = self->attached()) player->commandResume(std::nullopt);
                });
}

void SpokenAnswers::afterSpeech(const std::shared_ptr<Request>& req, const After& after) {
  if (askGen_ != req->gen) return;
  const auto first = definer_->firstSoundAt();
  log("ask " + req->kind + ": first sound " +
      (first ? wholeMs(*first > req->t0 ? static_cast<double>(*first - req->t0) / 1e6 : 0) + " ms" : std::string("—")) +
      " after the question, done " + wholeMs(msSince(req->t0)) + " ms");
  switch (after.kind) {
    case After::Kind::resume:
      if (auto player = attached()) player->commandResume(after.jump);
      break;
    case After::Kind::readAt:
      if (context.onReadAt) context.onReadAt(after.quote);
      break;
    case After::Kind::offer:
      if (context.listenForReply) context.listenForReply();
      break;
    case After::Kind::stop:
      if (context.onStop) context.onStop();
      break;
  }
}

}  // namespace orvak
