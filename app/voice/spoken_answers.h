// Questions and summaries asked by voice, answered aloud while the service is still writing the
// answer: complete sentences go to the definer as soon as the sentence after them has begun.
// The actions the service attaches (save, speed, skip, read from a quote, keep reading, stop)
// decide what happens once the answer has been spoken: the read resumes, jumps, stops, starts
// from a quote, or Orvak asks whether to go on and listens for the reply.
//
// The voice controller owns one and reaches back through `Context`. Every question takes a new
// generation; a newer question, a hold of the hotkey, or the end or replacement of the read the
// answer belongs to makes an older answer's later pieces and completion do nothing (speech the
// definer already has plays out until it is cancelled or begun again).
//
// Main queue only: the request runs on the service's own thread and every piece and the
// completion hop here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/account/account_client.h"
#include "app/player/voice_player.h"
#include "app/voice/definer.h"
#include "core/library/research_item.h"
#include "core/speech/pronunciation.h"
#include "speech/engine.h"

namespace orvak {

class AudioGraph;
class Prefs;

class SpokenAnswers : public std::enable_shared_from_this<SpokenAnswers> {
 public:
  // The front window's text and title, for a question asked before any reading.
  struct IdlePage {
    std::string text;
    std::string title;
  };
  using IdlePageReply = std::function<void(std::optional<IdlePage>)>;

  // How the answers reach their owner. Every member may be empty.
  struct Context {
    std::function<std::shared_ptr<VoicePlayer>()> player;  // the read attached now, if any
    std::function<void(const std::string&)> status;        // "" clears
    std::function<void()> listenForReply;
    std::function<void(std::optional<std::string> quote)> onReadAt;
    std::function<void()> onStop;
    std::function<ResearchStore*()> store;
    std::function<void()> onSaved;  // the library changed
    std::function<std::shared_ptr<SpeechEngine>()> makeAnswerEngine;
    std::function<void(IdlePageReply)> idlePage;
    std::shared_ptr<AccountClient> account;
    // Speed, pronunciations and the on-device voice; none: the defaults, and speed changes go
    // nowhere.
    std::shared_ptr<Prefs> prefs;
    // The text log when empty.
    std::function<void(const std::string&)> log;
  };

  // Answers speak through `definer`; save cues play on `graph` (none: the shared graph).
  static std::shared_ptr<SpokenAnswers> make(std::shared_ptr<Definer> definer, std::shared_ptr<AudioGraph> graph = {});

  Context context;

  // A question ("ask"), a summary ("summary") or a section summary ("section") about the read
  // paused at `moment`. Without a readable text the read resumes and nothing is asked.
  void answer(const std::string& kind, const std::string& question, std::optional<ReadMoment> moment);
  // The same before any reading started ("ask" or "summary"), about the front window.
  void answerBefore(const std::string& kind, const std::string& question);
  // Once a question has been asked: makes every answer stale and cancels the definer (the user
  // is about to speak).
  void silence();

  int generation() const { return askGen_; }
  Definer& definer() { return *definer_; }

  // The speed an answer's "set_speed" stores for `rate`: bounded to 0.8 … 2, then the nearest
  // step of the ladder, the lower one on a tie; 1 without a rate.
  static float snappedSpeed(std::optional<double> rate);
  // Where "skip" resumes: the playing sentence plus `sentences` (1 when absent), never below 0
  // and never past the largest int.
  static int skipTarget(int playingSentence, std::optional<std::int64_t> sentences);

 private:
  struct Page {
    std::string text, at, section, title;
    bool before = false;
  };
  struct Stream {
    std::string pending;
    bool started = false;
    std::optional<double> firstWordMs;
  };
  struct After {
    enum class Kind { resume, readAt, stop, offer };
    Kind kind = Kind::offer;
    std::optional<int> jump;
    std::optional<std::string> quote;
  };
  struct Request {
    std::string kind;
    std::string question;
    Page page;
    int gen = 0;
    bool hadPlayer = false;
    std::weak_ptr<VoicePlayer> player;
    std::optional<ReadMoment> moment;
    std::uint64_t t0 = 0;
    Stream stream;
  };

  SpokenAnswers(std::shared_ptr<Definer> definer, std::shared_ptr<AudioGraph> graph);
  void respond(std::shared_ptr<Request> req);
  bool current(const Request& req) const;
  void chunk(const std::shared_ptr<Request>& req, const std::string& text);
  void complete(const std::shared_ptr<Request>& req, const account::Result<account::AskReply>& reply, double replyMs);
  void fail(const std::shared_ptr<Request>& req, const std::string& text);
  void afterSpeech(const std::shared_ptr<Request>& req, const After& after);
  void runAction(const std::shared_ptr<Request>& req, const account::AskAction& action, After& after);
  bool save(const std::shared_ptr<Request>& req, ResearchItem::Kind kind, const account::AskAction& action);
  std::shared_ptr<SpeechEngine> answerEngine() const;
  std::vector<Pronunciation> pronunciations() const;
  void status(const std::string& text) const;
  void log(const std::string& line) const;
  std::shared_ptr<VoicePlayer> attached() const;

  std::shared_ptr<Definer> definer_;
  std::shared_ptr<AudioGraph> graph_;
  int askGen_ = 0;
};

}  // namespace orvak
