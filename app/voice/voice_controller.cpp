#include "app/voice/voice_controller.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/audio/audio_graph.h"
#include "app/audio/audio_route.h"
#include "app/hotkey/modifier_tap.h"
#include "app/prefs.h"
#include "app/voice/research_save.h"
#include "core/base/date.h"
#include "core/base/dispatch.h"
#include "core/base/jsonl.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/base/timing.h"
#include "core/page/definition.h"
#include "core/page/privacy.h"
#include "core/text/text.h"
#include "platform/dictionary.h"
#include "speech/engine_factory.h"

namespace orvak {
namespace {

using CommandKind = VoiceCommand::Kind;
using Mode = VoiceController::Mode;

double msBetween(std::uint64_t from, std::uint64_t to) { return to > from ? static_cast<double>(to - from) / 1e6 : 0; }

// Signed: an injected recording may start before or after the onset it caused.
double signedMs(std::uint64_t a, std::uint64_t b) {
  return a >= b ? static_cast<double>(a - b) / 1e6 : -static_cast<double>(b - a) / 1e6;
}

bool startsWith(const std::string& s, std::string_view prefix) { return s.rfind(prefix, 0) == 0; }

// Spoken between reads: the words are not about a sentence being read.
bool nothingReads(Mode mode) { return mode == Mode::idle || mode == Mode::idleReply; }

// The mode as the utterance's record names it: a hold typed on the developer channel is
// "hold+sim"; an utterance an injected recording set off names that recording's label
// ("hold+test:L", or "test:L" when not held).
std::string recordedMode(Mode mode, bool simulated, const std::optional<std::string>& injected) {
  if (injected) return (mode == Mode::hold ? "hold+test:" : "test:") + *injected;
  if (mode == Mode::hold && simulated) return "hold+sim";
  return std::string(VoiceController::modeName(mode));
}

std::vector<std::string> lowerWords(const std::string& transcript, bool lettersOnly) {
  std::vector<std::string> out;
  std::string cur;
  const std::string lower = text::lowercase(transcript);
  for (const auto ch : text::graphemes(lower)) {
    const bool split = lettersOnly ? !text::isLetter(ch) : ch == " ";
    if (split) {
      if (!cur.empty()) out.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += ch;
    }
  }
  if (!cur.empty()) out.push_back(std::move(cur));
  return out;
}

std::string figure(const std::optional<double>& v) {
  if (!v || !std::isfinite(*v)) return "–";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.0f", *v);
  return buf;
}

}  // namespace

std::shared_ptr<VoiceController> VoiceController::make(Wiring wiring) {
  auto self = std::shared_ptr<VoiceController>(new VoiceController(std::move(wiring)));
  // The answers reach back through the controller, held weakly.
  std::weak_ptr<VoiceController> weak = self;
  auto& c = self->answers_->context;
  c.player = [weak]() -> std::shared_ptr<VoicePlayer> {
    auto s = weak.lock();
    return s ? s->player() : nullptr;
  };
  c.status = [weak](const std::string& text) {
    if (auto s = weak.lock()) s->status(text);
  };
  c.listenForReply = [weak] {
    if (auto s = weak.lock()) s->listenForReply();
  };
  c.onReadAt = [weak](std::optional<std::string> quote) {
    if (auto s = weak.lock(); s && s->onReadAt) s->onReadAt(std::move(quote));
  };
  c.onStop = [weak] {
    if (auto s = weak.lock(); s && s->onStop) s->onStop();
  };
  c.store = [weak]() -> ResearchStore* {
    auto s = weak.lock();
    return s && s->w_.store ? s->w_.store() : nullptr;
  };
  c.onSaved = [weak] {
    if (auto s = weak.lock(); s && s->onSaved) s->onSaved();
  };
  c.prefs = self->w_.prefs;
  c.log = [weak](const std::string& line) {
    if (auto s = weak.lock()) s->log(line);
  };
  return self;
}

VoiceController::VoiceController(Wiring wiring) : w_(std::move(wiring)) {
  if (!w_.graph) w_.graph = AudioGraph::shared().shared_from_this();
  if (!w_.dictionary) w_.dictionary = platform::makeDictdDictionary();
  if (!w_.othersRecording) w_.othersRecording = [] { return AudioRoute::othersRecording(); };
  if (!w_.appName) w_.appName = [](const std::string& id) { return AudioRoute::appName(id); };
  if (!w_.outputDeviceName) w_.outputDeviceName = [] { return Listener::outputDeviceName(); };
  if (w_.voiceLog.empty()) w_.voiceLog = OrvakPaths::logs() / "voice.jsonl";
  definer_ = Definer::make(w_.graph);
  answers_ = SpokenAnswers::make(definer_, w_.graph);
}

std::shared_ptr<VoicePlayer> VoiceController::player() const {
  std::lock_guard lock(playerMutex_);
  return player_.lock();
}

void VoiceController::status(const std::string& text) const {
  dispatch::main().async([weak = std::weak_ptr<const VoiceController>(weak_from_this()), text] {
    if (auto s = weak.lock(); s && s->onStatus) s->onStatus(text);
  });
}

void VoiceController::log(const std::string& line) const {
  if (w_.log) {
    w_.log(line);
  } else {
    Log::write(line);
  }
}

void VoiceController::onMain(std::function<void(VoiceController&)> task) {
  dispatch::main().async([weak = weak_from_this(), task = std::move(task)] {
    if (auto s = weak.lock()) task(*s);
  });
}

std::optional<std::string> VoiceController::setupError() const {
  std::lock_guard lock(setupMutex_);
  return setupError_;
}

std::string VoiceController::glyph(std::uint16_t keyCode) {
  // A stored code that is none of the offered keys is watched as Right Shift, so it is named so.
  return ModifierTap::glyph(ModifierTap::Choice::with(keyCode).keyCode);
}

std::string VoiceController::hotkeyGlyph() const { return glyph(w_.prefs ? w_.prefs->hotkeyCode() : 60); }

// ---- Setting up ----

void VoiceController::setup(std::function<void(std::optional<std::string>)> done) {
  std::weak_ptr<VoiceController> weak = weak_from_this();
  w_.listener->onEvent = [weak](const Listener::Event& e) {
    if (auto s = weak.lock()) s->handle(e);
  };
  w_.listener->onAudio = [weak](const audio::PcmBuffer& buffer) {
    auto s = weak.lock();
    if (!s || !s->session_) return;
    if (buffer.format.sampleRate > 0) {
      s->heardMs_ += static_cast<double>(buffer.samples.size()) / buffer.format.sampleRate * 1000;
    }
    s->w_.transcriber->feed(*s->session_, buffer);
  };
  if (auto error = w_.listener->start()) {
    {
      std::lock_guard lock(setupMutex_);
      setupError_ = error;
    }
    if (done) done(error);
    return;
  }
  dispatch::global().async([weak, done = std::move(done)] {
    auto s = weak.lock();
    if (!s) return;
    const auto error = s->w_.transcriber->prepare();
    {
      std::lock_guard lock(s->setupMutex_);
      s->setupError_ = error;
    }
    s->ready_ = !error.has_value();
    dispatch::main().async([done, error] {
      if (done) done(error);
    });
  });
}

void VoiceController::setAlwaysOn(bool on) { w_.listener->setVadEnabled(on); }

void VoiceController::attach(const std::shared_ptr<VoicePlayer>& player) {
  {
    std::lock_guard lock(playerMutex_);
    player_ = player;
  }
  if (!player) return;
  std::weak_ptr<VoiceController> weak = weak_from_this();
  std::weak_ptr<VoicePlayer> weakPlayer = player;
  auto queue = w_.listener->queue().shared_from_this();
  player->setOnPlaybackStarted([weak, queue] {
    queue->async([weak] {
      if (auto s = weak.lock()) s->w_.listener->setArmed(true);
    });
  });
  player->setOnPlaybackEnded([weak, weakPlayer, queue] {
    queue->async([weak, weakPlayer] {
      auto s = weak.lock();
      if (!s) return;
      auto now = s->player();
      if (now && now != weakPlayer.lock()) return;  // a newer read is attached
      s->w_.listener->setArmed(false);
      // The utterance heard over the read that ended goes without a record. Its push-to-talk ends
      // with it: a reply awaited after an answer has no release of its own, and a listener left in
      // push-to-talk never hears the always-on detector again.
      if (s->rec_) s->w_.listener->endPTT();
      s->closeSession();
      s->rec_.reset();
    });
  });
}

// ---- Utterances ----

void VoiceController::holdDown(bool idle, bool library) {
  libraryHold_ = library;
  const auto others = w_.othersRecording();
  if (!others.empty()) {
    status(w_.appName(others.front()) + " is using the mic, so Orvak isn't listening");
    micBusy_ = true;
    return;
  }
  micBusy_ = false;
  onMain([](VoiceController& s) { s.answers_->silence(); });
  if (idle) {
    if (!w_.graph->engine().isRunning()) {
      const double rate = w_.graph->sampleRate();
      w_.graph->ensure(rate > 0 ? rate : 24000);
      w_.graph->engine().mainMixer().setOutputVolume(1.0f);
    }
    w_.graph->releaseIfIdle(30, dispatch::main());
  }
  w_.listener->queue().async([weak = weak_from_this(), idle] {
    auto s = weak.lock();
    if (!s || s->rec_) return;  // an utterance is still open
    const std::uint64_t now = dispatch::monotonicNanos();
    s->holdDownNs_ = now;
    s->nextMode_ = idle ? Mode::idle : Mode::hold;
    if (!idle && s->injLabel_ && msBetween(s->injAt_, now) < kInjectionWindow * 1000) s->nextInjected_ = s->injLabel_;
    s->handle(Listener::Event::onset(now, 0, s->w_.listener->floorDb()));
    s->w_.listener->beginPTT();
  });
}

void VoiceController::holdUp(bool cancelled) {
  if (micBusy_) {
    micBusy_ = false;
    return;
  }
  w_.listener->endPTT();
  w_.listener->queue().async([weak = weak_from_this(), cancelled] {
    auto s = weak.lock();
    if (!s || !s->rec_ || (!s->session_ && !s->simText_)) return;
    if (!cancelled) {
      const std::uint64_t now = dispatch::monotonicNanos();
      s->handle(Listener::Event::end(now, msBetween(s->holdDownNs_, now)));
      return;
    }
    s->closeSession();
    s->simText_.reset();
    VoiceTiming record = std::move(*s->rec_);
    s->rec_.reset();
    if (auto p = s->player()) p->commandResume(std::nullopt);
    record.outcome = "cancelled";
    s->write(std::move(record));
    s->status("");
  });
}

void VoiceController::simulate(std::string text, bool idle) {
  onMain([](VoiceController& s) { s.answers_->silence(); });
  w_.listener->queue().async([weak = weak_from_this(), text = std::move(text), idle] {
    auto s = weak.lock();
    if (!s) return;
    if (s->rec_) {
      s->log("say: busy");
      return;
    }
    const std::uint64_t now = dispatch::monotonicNanos();
    s->simText_ = text;
    s->nextMode_ = idle ? Mode::idle : Mode::hold;
    s->holdDownNs_ = now;
    s->handle(Listener::Event::onset(now, 0, 0));
    s->handle(Listener::Event::end(now, 400));
  });
}

void VoiceController::inject(const std::string& path, const std::string& label, float peakDb) {
  std::weak_ptr<VoiceController> weak = weak_from_this();
  w_.listener->queue().async([weak, path, label, peakDb] {
    auto s = weak.lock();
    if (!s) return;
    s->injLabel_ = label;
    s->injAt_ = dispatch::monotonicNanos();
    s->injOnsetNs_.reset();
    s->w_.listener->onInjectStart = [weak](std::uint64_t ns) {
      if (auto c = weak.lock()) c->injOnsetNs_ = ns;
    };
    std::string expanded = path;
    if (startsWith(expanded, "~")) {
      if (const char* home = std::getenv("HOME")) expanded = home + expanded.substr(1);
    }
    if (!s->w_.listener->injectFile(expanded, peakDb)) s->log("inject failed: " + path);
  });
}

void VoiceController::handle(const Listener::Event& event) {
  switch (event.kind) {
    case Listener::Event::Kind::onset:
      onset(event);
      break;
    case Listener::Event::Kind::end:
      end(event);
      break;
    case Listener::Event::Kind::tooShort:
      tooShort();
      break;
  }
}

void VoiceController::closeSession() {
  if (!session_) return;
  w_.transcriber->cancel(session_);
  session_.reset();
}

void VoiceController::onset(const Listener::Event& event) {
  auto p = player();
  Mode mode = nextMode_;
  std::optional<std::string> injected = std::move(nextInjected_);
  nextMode_ = Mode::vad;
  nextInjected_.reset();
  const std::uint64_t now = dispatch::monotonicNanos();
  std::optional<double> injectedOnsetMs;
  if (mode != Mode::hold && injLabel_) {
    if (msBetween(injAt_, now) < kInjectionWindow * 1000) {
      mode = Mode::vad;
      injected = injLabel_;
      if (injOnsetNs_) injectedOnsetMs = signedMs(*injOnsetNs_, event.hostNs);
    }
    injLabel_.reset();
  }
  VoiceTiming r(Timestamp::now(), recordedMode(mode, simText_.has_value(), injected), p ? p->engineLabel() : "",
                w_.outputDeviceName(), w_.listener->voiceProcessing());
  r.injectedOnsetMs = injectedOnsetMs;
  onsetNs_ = event.hostNs;
  heardMs_ = 0;
  const bool idle = nothingReads(mode);
  const bool accepted = (ready_.load() || simText_) && (idle || (p && !p->hasEnded()));
  if (!accepted) {
    r.outcome = "noReader";
    write(std::move(r));
    simText_.reset();
    return;
  }
  if (!idle) {
    moment_ = p->commandPause(now > event.hostNs ? now - event.hostNs : 0);
  } else {
    moment_.reset();
  }
  r.pauseMs = msBetween(event.hostNs, dispatch::monotonicNanos());
  if (r.injectedOnsetMs) r.trueOnsetToPauseMs = *r.pauseMs - *r.injectedOnsetMs;
  if (moment_) {
    r.sentence = moment_->sentence;
    r.quote = moment_->text;
    r.intoSentenceSec = moment_->intoSentenceSec;
  }
  if (!simText_) session_ = w_.transcriber->begin();
  rec_ = std::move(r);
  mode_ = mode;
  injected_ = injected.has_value();
  status("Listening…");
  // Recognition could not open a session: nothing will hear this utterance, so it ends here as
  // a blip and the read resumes, rather than leaving the hotkey deaf until the read ends.
  if (!simText_ && !session_) tooShort();
}

void VoiceController::end(const Listener::Event& event) {
  if (!rec_ || (!session_ && !simText_)) return;
  const auto sim = std::move(simText_);
  simText_.reset();
  auto session = std::move(session_);
  session_.reset();
  VoiceTiming r = std::move(*rec_);
  rec_.reset();
  w_.listener->setArmed(false);
  r.utteranceMs = msBetween(onsetNs_, event.hostNs);
  if (!r.injectedOnsetMs && injected_ && injOnsetNs_) {
    r.injectedOnsetMs = signedMs(*injOnsetNs_, onsetNs_);
  }
  if (r.pauseMs && r.injectedOnsetMs) r.trueOnsetToPauseMs = *r.pauseMs - *r.injectedOnsetMs;
  if (!sim) {
    log("voice: " + Log::whole(heardMs_) + " ms of mic audio in a " +
        Log::whole(*r.utteranceMs) + " ms utterance");
  }
  const auto moment = moment_;
  const Mode mode = mode_;
  const std::uint64_t endNs = event.hostNs;
  std::weak_ptr<VoiceController> weak = weak_from_this();
  auto run = [weak, r, mode, moment, endNs](std::string transcript) {
    dispatch::global().async([weak, r, mode, moment, endNs, transcript = std::move(transcript)] {
      if (auto s = weak.lock()) s->command(r, mode, transcript, moment, endNs);
    });
  };
  if (sim) {
    run(*sim);
  } else {
    w_.transcriber->finish(session, run);
  }
}

void VoiceController::tooShort() {
  if (!rec_) return;
  VoiceTiming r = std::move(*rec_);
  rec_.reset();
  r.outcome = "blip";
  closeSession();
  simText_.reset();
  if (auto p = player()) p->commandResume(std::nullopt);
  write(std::move(r));
  status("");
}

// ---- Replies ----

void VoiceController::listenForReply() {
  w_.listener->queue().async([weak = weak_from_this()] {
    auto s = weak.lock();
    if (!s || s->rec_ || !s->ready_.load()) return;
    auto p = s->player();
    if (p && p->hasEnded()) return;
    const std::uint64_t now = dispatch::monotonicNanos();
    s->nextMode_ = p ? Mode::reply : Mode::idleReply;
    s->holdDownNs_ = now;
    s->handle(Listener::Event::onset(now, 0, s->w_.listener->floorDb()));
    if (!s->session_) return;
    s->w_.listener->beginPTT();
    s->status(p ? "Keep reading?" : "Read it?");
    auto session = s->session_;
    s->w_.listener->queue().asyncAfter(kReplyTick, [weak, session, now] {
      if (auto c = weak.lock()) c->tick(session, now, "", now);
    });
  });
}

void VoiceController::tick(std::shared_ptr<Transcriber::Session> session, std::uint64_t start, std::string last,
                           std::uint64_t lastChange) {
  if (!session || session != session_) return;
  const std::uint64_t now = dispatch::monotonicNanos();
  const std::string text = session->finalText() + session->volatileText();
  if (text != last) {
    last = text;
    lastChange = now;
  }
  const double elapsed = msBetween(start, now);
  const double quiet = msBetween(lastChange, now);
  bool over = false;
  if (text::trim(text).empty()) {
    over = elapsed > kReplySilenceMs;
  } else {
    const auto kind = VoiceCommand::parse(text, true).kind();
    const bool settlesSooner = kind == CommandKind::resume || kind == CommandKind::pause || kind == CommandKind::stop;
    over = (settlesSooner && quiet > kReplyWordSettleMs) || elapsed > kReplyLongestMs || quiet > kReplySettleMs;
  }
  if (over) {
    w_.listener->endPTT();
    handle(Listener::Event::end(now, elapsed));
    return;
  }
  w_.listener->queue().asyncAfter(kReplyTick, [weak = weak_from_this(), session, start, last, lastChange] {
    if (auto c = weak.lock()) c->tick(session, start, last, lastChange);
  });
}

// ---- The command ----

std::string_view VoiceController::modeName(Mode mode) {
  switch (mode) {
    case Mode::vad:
      return "vad";
    case Mode::hold:
      return "hold";
    case Mode::idle:
      return "idle";
    case Mode::reply:
      return "reply";
    case Mode::idleReply:
      return "idleReply";
  }
  return "vad";
}

VoiceCommand VoiceController::interpret(const VoiceCommand& command, const std::string& transcript, Mode mode,
                                        bool aiAllowed) {
  // Only the detector's onsets may be speech not meant for Orvak.
  const bool liberal = mode != Mode::vad;
  if (command.kind() == CommandKind::ask && !liberal) {
    static const std::array<std::string_view, 12> questionWords{"this",   "that",    "it",   "they", "he",    "she",
                                                                "author", "article", "page", "mean", "orvak", "listen"};
    for (const auto& w : lowerWords(transcript, true)) {
      if (std::find(questionWords.begin(), questionWords.end(), w) != questionWords.end()) return command;
    }
    return VoiceCommand(CommandKind::unrecognized);
  }
  if (command.kind() == CommandKind::unrecognized && liberal && aiAllowed && lowerWords(transcript, false).size() > 2) {
    return VoiceCommand::ask(std::string(text::trim(transcript)));
  }
  return command;
}

void VoiceController::command(VoiceTiming r, Mode mode, std::string transcript, std::optional<ReadMoment> moment,
                              std::uint64_t endNs) {
  const std::uint64_t ready = dispatch::monotonicNanos();
  r.sttMs = msBetween(endNs, ready);
  r.transcript = transcript;
  const auto cmd = interpret(VoiceCommand::parse(transcript, true), transcript, mode, true);
  const std::string name(cmd.name());
  r.command = name;
  if (nothingReads(mode)) {
    idle(cmd, moment, transcript, r);
    r.command = "idle:" + name;
    write(std::move(r));
    return;
  }
  if (mode == Mode::reply &&
      (cmd.kind() == CommandKind::empty || cmd.kind() == CommandKind::unrecognized || cmd.kind() == CommandKind::pause)) {
    status("Paused · press play, or hold " + hotkeyGlyph() + " to ask");
    r.command = "reply:" + name;
    write(std::move(r));
    return;
  }
  execute(cmd, moment, transcript, r);
  r.commandMs = msBetween(ready, dispatch::monotonicNanos());
  resumeAfter(cmd, moment);
  r.endToResumeMs = msBetween(endNs, dispatch::monotonicNanos());
  r.outcome = cmd.kind() == CommandKind::empty ? "falseTrigger" : "handled";
  write(std::move(r));
  w_.listener->queue().asyncAfter(0.25, [weak = weak_from_this()] {
    auto s = weak.lock();
    if (!s) return;
    if (auto p = s->player(); p && p->isPlaying()) s->w_.listener->setArmed(true);
  });
}

void VoiceController::execute(const VoiceCommand& cmd, const std::optional<ReadMoment>& moment,
                              const std::string& transcript, VoiceTiming& r) {
  auto p = player();
  const std::string& text = cmd.payload();
  const auto docSentence = moment ? std::optional<std::int64_t>(moment->docSentence) : std::nullopt;
  const std::string quote = moment ? moment->text : std::string();
  switch (cmd.kind()) {
    case CommandKind::writeDoc:
      r.noteText = text;
      onMain([text, moment](VoiceController& s) {
        if (s.onWriteDoc) s.onWriteDoc(text, moment);
      });
      status("Writing a document…");
      break;
    case CommandKind::note:
      r.noteText = text;
      if (save(ResearchItem::Kind::note, quote, text, docSentence, transcript)) status("Note saved ✓");
      break;
    case CommandKind::ask:
      r.noteText = text;
      onMain([text, moment](VoiceController& s) { s.answers_->answer("ask", text, moment); });
      break;
    case CommandKind::define:
      onMain([text](VoiceController& s) { s.define(text); });
      break;
    case CommandKind::highlight:
      if (save(ResearchItem::Kind::highlight, quote, std::nullopt, docSentence, transcript)) status("Highlighted ✓");
      break;
    case CommandKind::highlightParagraph: {
      std::string paragraph = quote;
      if (moment && p && p->spokenFrom()) {
        if (auto whole = p->paragraph(moment->sentence)) paragraph = *whole;
      }
      if (save(ResearchItem::Kind::highlight, paragraph, std::nullopt, docSentence, transcript)) {
        status("Highlighted ✓ the whole paragraph");
      }
      break;
    }
    case CommandKind::skipAhead:
      status("Skipping ahead");
      break;
    case CommandKind::goBack:
      status("Going back");
      break;
    case CommandKind::summarize:
      onMain([moment](VoiceController& s) { s.answers_->answer("summary", "", moment); });
      break;
    case CommandKind::summarizeSection:
      onMain([moment](VoiceController& s) { s.answers_->answer("section", "", moment); });
      break;
    case CommandKind::pause:
      status("Paused");
      break;
    case CommandKind::faster:
    case CommandKind::slower:
      speed(cmd.kind() == CommandKind::faster);
      break;
    case CommandKind::repeatThat:
      status("Again");
      break;
    case CommandKind::nextSection:
      if (p) p->skipParagraph(1, true);
      status("Next section");
      break;
    case CommandKind::previousSection:
      if (p) p->skipParagraph(-1, true);
      status("Back to the section start");
      break;
    case CommandKind::nextParagraph:
      if (p) p->skipParagraph(1, false);
      status("Next paragraph");
      break;
    case CommandKind::previousParagraph:
      if (p) p->skipParagraph(-1, false);
      status("Back a paragraph");
      break;
    case CommandKind::resume:
      status("Resuming");
      break;
    case CommandKind::stop:
      onMain([](VoiceController& s) {
        if (s.onStop) s.onStop();
      });
      break;
    case CommandKind::startOver:
      onMain([](VoiceController& s) {
        if (s.onStartOver) s.onStartOver();
      });
      break;
    case CommandKind::readFromHere:
      onMain([](VoiceController& s) {
        if (s.onReadFromHere) s.onReadFromHere();
      });
      break;
    case CommandKind::unrecognized:
      status(didNotCatch(transcript));
      break;
    case CommandKind::empty:
      status("");
      break;
  }
}

void VoiceController::resumeAfter(const VoiceCommand& cmd, const std::optional<ReadMoment>& moment) {
  auto p = player();
  if (!p) return;
  if (cmd.kind() == CommandKind::goBack && moment && moment->playingSentence == 0 && moment->intoSentenceSec <= 2) {
    if (const auto from = p->spokenFrom(); from && *from > 0) {
      p->backPastStart();
      return;
    }
  }
  switch (cmd.kind()) {
    case CommandKind::ask:
    case CommandKind::define:
    case CommandKind::summarize:
    case CommandKind::summarizeSection:
    case CommandKind::pause:
    case CommandKind::stop:
    case CommandKind::startOver:
    case CommandKind::readFromHere:
      return;  // answers, definitions and the application continue or end the read themselves
    default:
      break;
  }
  std::optional<int> jump;
  if (moment && !VoiceCommand::carriesText(cmd.kind())) {
    if (cmd.kind() == CommandKind::skipAhead) {
      jump = moment->playingSentence + 1;
    } else if (cmd.kind() == CommandKind::repeatThat || cmd.kind() == CommandKind::goBack) {
      jump = moment->intoSentenceSec > 2 ? moment->playingSentence : std::max(0, moment->playingSentence - 1);
    }
  }
  p->commandResume(jump);
}

void VoiceController::idle(const VoiceCommand& cmd, const std::optional<ReadMoment>&, const std::string& transcript,
                           VoiceTiming& r) {
  const std::string g = hotkeyGlyph();
  if (libraryHold_.exchange(false)) {
    const std::string trimmed(text::trim(transcript));
    if (trimmed.empty()) {
      status("Didn't hear anything. Hold " + g + " and ask");
    } else {
      status("");
      onMain([trimmed](VoiceController& s) {
        if (s.libraryAsk) s.libraryAsk(trimmed);
      });
    }
    return;
  }
  switch (cmd.kind()) {
    case CommandKind::ask:
      r.noteText = cmd.payload();
      onMain([text = cmd.payload()](VoiceController& s) { s.answers_->answerBefore("ask", text); });
      break;
    case CommandKind::define:
      onMain([text = cmd.payload()](VoiceController& s) { s.define(text); });
      break;
    case CommandKind::summarize:
    case CommandKind::summarizeSection:
      onMain([](VoiceController& s) { s.answers_->answerBefore("summary", ""); });
      break;
    case CommandKind::resume:
    case CommandKind::startOver:
    case CommandKind::readFromHere:
      onMain([](VoiceController& s) {
        if (s.onReadAt) s.onReadAt(std::nullopt);
      });
      break;
    case CommandKind::stop:
    case CommandKind::pause:
      status("");
      break;
    case CommandKind::unrecognized:
      status(didNotCatch(transcript));
      break;
    case CommandKind::empty:
      status("Didn't hear anything. Hold " + g + " and ask, or double-tap to read");
      break;
    default:
      status("Double-tap " + g + " to start reading first");
      break;
  }
}

bool VoiceController::save(ResearchItem::Kind kind, std::string quote, std::optional<std::string> note,
                           std::optional<std::int64_t> sentence, const std::string& transcript) {
  ResearchStore* store = w_.store ? w_.store() : nullptr;
  if (store == nullptr) {
    log("research save failed: no store");
    status("Couldn't save — see log");
    return false;
  }
  auto p = player();
  ResearchItem item;
  item.ts = Date::now();
  item.kind = kind;
  item.quote = std::move(quote);
  item.note = std::move(note);
  item.transcript = transcript;
  if (p) {
    const auto source = p->source();
    item.app = source.app;
    item.windowTitle = source.windowTitle;
    item.url = source.url;
    item.engine = p->engineLabel();
  }
  item.sentenceIndex = sentence;
  if (!saveResearch(*store, item, *w_.graph, [this](const std::string& l) { log(l); })) {
    status("Couldn't save — see log");
    return false;
  }
  onMain([](VoiceController& s) {
    if (s.onSaved) s.onSaved();
  });
  return true;
}

float VoiceController::speedStep(float current, bool faster) {
  if (faster) {
    const float v = current + 0.01f;
    for (float step : {0.8f, 1.0f, 1.25f, 1.5f, 1.75f}) {
      if (step > v) return step;
    }
    return 2.0f;
  }
  const float v = current - 0.01f;
  if (v > 2.0f) return 2.0f;
  for (float step : {1.75f, 1.5f, 1.25f, 1.0f}) {
    if (step < v) return step;
  }
  return 0.8f;
}

void VoiceController::speed(bool faster) {
  auto p = player();
  const float current = p ? p->currentSpeed() : (w_.prefs ? w_.prefs->speed() : 1.0f);
  const float next = speedStep(current, faster);
  onMain([next](VoiceController& s) {
    if (s.w_.prefs) s.w_.prefs->setSpeed(next);
  });
  if (std::abs(next - current) > 1e-4f) {
    char buf[32];
    if (next == std::floor(next)) {
      std::snprintf(buf, sizeof buf, "%d", static_cast<int>(next));
    } else {
      std::snprintf(buf, sizeof buf, "%g", static_cast<double>(next));
    }
    status(std::string("Speed ") + buf + "×");
  } else {
    status(faster ? "That's the fastest" : "That's the slowest");
  }
}

std::string VoiceController::didNotCatch(const std::string& transcript) {
  if (const auto hint = VoiceCommand::suggestion(transcript)) return "Didn't catch that. Try “" + *hint + "”";
  return "Didn't catch that: “" + std::string(text::graphemePrefix(transcript, 40)) + "”";
}

void VoiceController::define(const std::string& word) {
  const std::uint64_t found = dispatch::monotonicNanos();
  const auto entry = w_.dictionary->entry(word);
  const auto spoken = entry ? Definition::spoken(word, *entry) : std::nullopt;
  if (!spoken) {
    status("No dictionary entry for “" + word + "”");
    if (auto p = player()) p->commandResume(std::nullopt);
    return;
  }
  status(*spoken);
  log("define: entry found, " + std::to_string(text::graphemeCount(*spoken)) + " chars" +
      (Privacy::keepTextInLogs() ? " · " + *spoken : std::string()));
  std::shared_ptr<SpeechEngine> engine =
      answers_->context.makeAnswerEngine ? answers_->context.makeAnswerEngine() : nullptr;
  if (!engine) {
    EngineConfig config;
    if (w_.prefs) config.onDeviceVoice = w_.prefs->onDeviceVoice();
    engine = EngineFactory::make(Vendor::onDevice, config);
  }
  definer_->say(*spoken, engine, w_.prefs ? w_.prefs->pronunciations() : std::vector<Pronunciation>{},
                [weak = weak_from_this(), found] {
                  auto s = weak.lock();
                  if (!s) return;
                  s->log("define: spoken in " +
                         Log::whole(msBetween(found, dispatch::monotonicNanos())) +
                         " ms, resuming");
                  if (auto p = s->player()) p->commandResume(std::nullopt);
                });
}

// ---- Records ----

std::string VoiceController::summary(const VoiceTiming& r, bool withText) {
  std::string line = "voice " + r.outcome + " " + r.mode;
  if (withText) line += " “" + r.transcript.value_or("") + "”";
  line += " → " + r.command.value_or("-") + " · pause " + figure(r.pauseMs) + " ms (true onset " +
          figure(r.trueOnsetToPauseMs) + ") · stt " + figure(r.sttMs) + " ms · end→resume " + figure(r.endToResumeMs) +
          " ms";
  return line;
}

void VoiceController::write(VoiceTiming r) const {
  const bool withText = Privacy::keepTextInLogs();
  if (!withText) {
    r.transcript.reset();
    r.noteText.reset();
    r.quote.reset();
  }
  const auto failure = JSONL::append(r, w_.voiceLog);
  log(summary(r, withText));
  if (failure) log("voice: record not written: " + *failure);
}

}  // namespace orvak
