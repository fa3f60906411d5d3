// Turns one spoken utterance into one voice command. An utterance starts when the user holds the
// hotkey, when the always-on detector hears speech during a read, or when Orvak listens for the
// reply to "Keep reading?". At its onset the attached read pauses; one recognition session hears
// it; the transcript is parsed, interpreted for the mode it was spoken in and carried out; the
// read resumes where the command says; one line goes to voice.jsonl.
//
// Threads. Everything about the utterance being heard (its record, session, moment, mode, the
// simulated text and the test injection) lives on the listener's queue "orvak.listener". The
// command runs as one task per utterance on the global queue; the read is paused, asked and
// resumed synchronously on its own queue. Status texts, the callbacks to the application, the
// speed, definitions, spoken answers and the saved cue run on the main queue.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/player/voice_player.h"
#include "app/voice/definer.h"
#include "app/voice/listener.h"
#include "app/voice/spoken_answers.h"
#include "app/voice/transcriber.h"
#include "core/library/research_item.h"
#include "core/voice/voice_command.h"
#include "core/voice/voice_timing.h"

namespace orvak {

class AudioGraph;
class Prefs;
namespace platform {
class Dictionary;
}

class VoiceController : public std::enable_shared_from_this<VoiceController> {
 public:
  static constexpr double kInjectionWindow = 4;      // seconds an injection marks later utterances
  static constexpr double kReplyTick = 0.15;         // seconds between looks at a reply's words
  static constexpr double kReplySilenceMs = 4500;    // a reply nobody speaks ends
  static constexpr double kReplyLongestMs = 12000;   // a reply that talks on ends
  static constexpr double kReplySettleMs = 800;      // words that stopped changing end a reply
  static constexpr double kReplyWordSettleMs = 300;  // ... sooner for "resume", "pause", "stop"

  // How an utterance began; it decides how liberally its words are taken.
  enum class Mode {
    vad,        // the always-on detector heard speech during a read
    hold,       // the hotkey held during a read
    idle,       // the hotkey held while nothing reads
    reply,      // the answer to "Keep reading?"
    idleReply,  // the answer to "Read it?", with nothing reading
  };
  // The mode as voice.jsonl and the log name it.
  static std::string_view modeName(Mode mode);

  struct Wiring {
    std::shared_ptr<Listener> listener;
    std::shared_ptr<Transcriber> transcriber;
    std::function<ResearchStore*()> store;
    std::shared_ptr<Prefs> prefs;
    // None: the process's shared graph, the dictd dictionary, the audio route's answers, the
    // listener's output device name, logs()/voice.jsonl and the text log.
    std::shared_ptr<AudioGraph> graph;
    std::shared_ptr<platform::Dictionary> dictionary;
    std::function<std::vector<std::string>()> othersRecording;
    std::function<std::string(const std::string&)> appName;
    std::function<std::string()> outputDeviceName;
    std::filesystem::path voiceLog;
    std::function<void(const std::string&)> log;
  };

  static std::shared_ptr<VoiceController> make(Wiring wiring);
  VoiceController(const VoiceController&) = delete;
  VoiceController& operator=(const VoiceController&) = delete;

  // ---- Set by the application (main queue) ----
  std::function<void(const std::string&)> onStatus;  // "" clears
  std::function<void()> onStop;
  std::function<void()> onStartOver;
  std::function<void()> onReadFromHere;
  std::function<void(std::optional<std::string> quote)> onReadAt;
  std::function<void(const std::string& question)> libraryAsk;
  std::function<void(const std::string& topic, std::optional<ReadMoment> moment)> onWriteDoc;
  std::function<void()> onSaved;  // a highlight or note went into the library
  // The service, the answers' voice and the front window for idle questions: on the answers'
  // context (`answers().context.account` ...).
  SpokenAnswers& answers() { return *answers_; }
  Listener& listener() { return *w_.listener; }
  Transcriber& transcriber() { return *w_.transcriber; }
  Definer& definer() { return *definer_; }

  // Opens the microphone and prepares recognition; `done` gets nothing or the error, on the
  // main queue. Until recognition is ready only simulated utterances are heard.
  void setup(std::function<void(std::optional<std::string>)> done);
  bool ready() const { return ready_.load(); }
  std::optional<std::string> setupError() const;
  void setAlwaysOn(bool on);

  // The read voice commands act on now; held weakly.
  void attach(const std::shared_ptr<VoicePlayer>& player);
  // The hotkey went down (`idle`: nothing is reading; `library`: from the library window).
  void holdDown(bool idle, bool library);
  // The hotkey came up; `cancelled` drops the utterance.
  void holdUp(bool cancelled);
  // A whole utterance with `text` as its transcript (developer channel).
  void simulate(std::string text, bool idle);
  // Plays a recording into the microphone input as a test.
  void inject(const std::string& path, const std::string& label, float peakDb);
  // After a spoken answer: listens for the reply without the hotkey.
  void listenForReply();

  // The listener's events (listener queue; public for tests).
  void handle(const Listener::Event& event);

  // The command as the utterance's mode takes it: in a mode that is not liberal a question needs
  // one of the question words, in a liberal one three or more unknown words become a question.
  static VoiceCommand interpret(const VoiceCommand& command, const std::string& transcript, Mode mode,
                                bool aiAllowed);
  // The hotkey as status texts name it, with the key chooser's caps ("⇧", "Alt", "❖", "Ctrl"); a code that
  // is none of the offered keys names Right Shift, the key then watched.
  static std::string glyph(std::uint16_t keyCode);
  // The next speed of "faster" / "slower" from `current`.
  static float speedStep(float current, bool faster);
  // The status line for speech that matched no command.
  static std::string didNotCatch(const std::string& transcript);
  // The log line `write` adds for `record`.
  static std::string summary(const VoiceTiming& record, bool withText);

 private:
  explicit VoiceController(Wiring wiring);
  std::shared_ptr<VoicePlayer> player() const;
  void status(const std::string& text) const;
  void log(const std::string& line) const;
  void onMain(std::function<void(VoiceController&)> task);
  std::string hotkeyGlyph() const;

  // Listener queue.
  void onset(const Listener::Event& event);
  void end(const Listener::Event& event);
  void tooShort();
  void closeSession();
  void tick(std::shared_ptr<Transcriber::Session> session, std::uint64_t start, std::string text,
            std::uint64_t lastChange);

  // Command task (global queue).
  void command(VoiceTiming record, Mode mode, std::string transcript, std::optional<ReadMoment> moment,
               std::uint64_t endNs);
  void execute(const VoiceCommand& command, const std::optional<ReadMoment>& moment, const std::string& transcript,
               VoiceTiming& record);
  void idle(const VoiceCommand& command, const std::optional<ReadMoment>& moment, const std::string& transcript,
            VoiceTiming& record);
  void resumeAfter(const VoiceCommand& command, const std::optional<ReadMoment>& moment);
  bool save(ResearchItem::Kind kind, std::string quote, std::optional<std::string> note,
            std::optional<std::int64_t> sentence, const std::string& transcript);
  void speed(bool faster);
  void define(const std::string& word);  // main queue
  void write(VoiceTiming record) const;

  Wiring w_;
  std::shared_ptr<Definer> definer_;
  std::shared_ptr<SpokenAnswers> answers_;

  mutable std::mutex playerMutex_;
  std::weak_ptr<VoicePlayer> player_;

  std::atomic<bool> ready_{false};
  mutable std::mutex setupMutex_;
  std::optional<std::string> setupError_;
  std::atomic<bool> libraryHold_{false};
  bool micBusy_ = false;  // main queue

  // Listener queue only.
  std::shared_ptr<Transcriber::Session> session_;
  std::optional<VoiceTiming> rec_;
  Mode mode_ = Mode::vad;  // the open utterance's
  bool injected_ = false;  // the open utterance was set off by an injected recording
  std::uint64_t onsetNs_ = 0;
  std::uint64_t holdDownNs_ = 0;
  std::optional<ReadMoment> moment_;
  Mode nextMode_ = Mode::vad;
  std::optional<std::string> nextInjected_;  // the label of the recording that set off the next hold
  std::optional<std::string> injLabel_;
  std::uint64_t injAt_ = 0;
  std::optional<std::uint64_t> injOnsetNs_;
  double heardMs_ = 0;
  std::optional<std::string> simText_;
};

}  // namespace orvak
