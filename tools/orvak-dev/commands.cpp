#include "tools/orvak-dev/commands.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace orvak::dev {

int runEarcon(const Args& args);
int runDefine(const Args& args);
int runAnswer(const Args& args);
int runSynth(const Args& args);
int runVoices(const Args& args);
int runLibrary(const Args& args);
int runWalk(const Args& args);
int runCapture(const Args& args);
int runHighlight(const Args& args);
int runRead(const Args& args);
int runSay(const Args& args);
int runListen(const Args& args);
int runTranscribe(const Args& args);
int runTap(const Args& args);
int runApp(const Args& args);
int runWindows(const Args& args);
int runMenu(const Args& args);
int runTray(const Args& args);
int runPermissions(const Args& args);
int runLoginItem(const Args& args);
int runShot(const Args& args);
int runPill(const Args& args);
int runBrand(const Args& args);
int runFakeService(const Args& args);
int runService(const Args& args);
int runAccount(const Args& args);
int runAsk(const Args& args);
int runFeedback(const Args& args);
int runCrash(const Args& args);
int runCrashOffer(const Args& args);

namespace {

Command lean(std::string_view name) {
  for (const auto& c : leanCommands()) {
    if (c.name == name) {
      return c;
    }
  }
  throw std::logic_error("no lean workbench command \"" + std::string(name) + "\"");
}

}  // namespace

// In the order of the pipeline: the page, its text, its voice, the library, the hotkey and grants, the settings.
std::span<const Command> commands() {
  static const std::vector<Command> table{
      {"walk", "SCENE.json | --front [--after S] [--pretty]",
       "walk the front window of a scene or of the real desktop, print nodes and counters", runWalk},
      lean("clean"),
      {"capture", "SCENE.json | --front [--after S] [--dump]",
       "capture the front window of a scene or of the real desktop as a read would; print the summary and text, or the error", runCapture},
      {"highlight", "SCENE.json --range A,B [--word C,D] [--saved E,F] [--focus] [OUT.png]",
       "measure a range of a scene's front window as the highlighter does; print the rectangles and requests, or draw them",
       runHighlight},
      lean("split"),
      lean("spoken"),
      {"voices", "[--natural | --play FILE | --sample ID]",
       "the on-device voices; the natural voice catalogue; play a sample file or a natural voice's sample", runVoices},
      {"synth", "[--vendor V] [--voice ID] TEXT... OUT.wav", "speak sentences through a vendor's engine to a WAV file, print word timings", runSynth},
      {"read", "SCENE.json [--from N] [--speed X] [--stop-after S] [--mute]",
       "read a scene's front window aloud on-device, printing each sentence as it is heard", runRead},
      {"say", "FILE [--from N] [--speed X] [--stop-after S] [--mute]", "read a text file aloud on-device", runSay},
      {"earcon", "start|warn|saved [OUT.wav]", "play a cue sound through the audio graph, or write it as WAV", runEarcon},
      {"define", "WORD [--dict DIR] [--quiet]", "look a word up in the dictionary, print and speak its definition", runDefine},
      {"answer", "--script CHUNKS.json [--before]",
       "stream a scripted answer through the spoken-answer path; print what the engine gets and when", runAnswer},
      {"listen", "FILE.wav [--ptt] | --mic [--seconds N]",
       "run the microphone listener on a recording (virtual time) or live; print each event", runListen},
      {"transcribe", "FILE.wav", "recognise a recorded utterance on-device; print partials and the final text", runTranscribe},
      lean("parse"),
      {"app", "SCENE.json [--for S] [--read [--stop-after S] [--mute]]",
       "run the application against a simulated desktop for S seconds (2), or read its front window on a double tap", runApp},
      {"windows", "[--page NAME] [--onboarding] [--scene SCENE.json] [--for S]",
       "open the application's main window on a page, or its onboarding window, on the desktop", runWindows},
      {"menu",
       "[--reading|--paused] [--no-access] [--developer] [--mic granted|denied] [--voice-status TEXT] [--recent N] "
       "[--last-error TEXT] [--no-notes]",
       "print the status menu for a state as indented text, with the icon's state", runMenu},
      {"tray", "", "show the real tray icon and menu on the desktop, with a scripted read", runTray},
      {"tap", "[--key CODE] [--script KEYS.json | --seconds N]",
       "replay key strokes, or watch the real keyboard, through the trigger key's tap and print each gesture", runTap},
      {"permissions", "[SCENE.json]", "print the Accessibility and microphone grants as \"ax=... mic=...\"", runPermissions},
      {"login-item", "on|off [--exe PATH]", "start this executable at login, or not; print the log line and the entry", runLoginItem},
      lean("notes"),
      {"library",
       "ask QUESTION [--about KEY] [--document] | stream|days [--filter all|words|week] | doc-markdown ID | "
       "highlights [--filter F] | search QUERY | pages | page KEY | listened | documents [ID] | marks TEXT | "
       "sample FILE.json",
       "the library window's model, and each pane of the library as text", runLibrary},
      lean("prefs"),
      lean("defaults"),
      {"fake-service", "[--port N] [--fail PATH=STATUS]",
       "run a stand-in for the maker's service on 127.0.0.1, printing each request", runFakeService},
      {"service", "call METHOD PATH [JSON] [--auth] | voices | sample ID OUT",
       "one request to the service: the reply, or the failure and its sentences; the voice list; a voice's sample",
       runService},
      {"ask", "QUESTION [--kind ask|summary|section] [--text FILE] [--title T] [--before]",
       "ask the service about a text: each piece of the answer as it streams, then the answer and its actions", runAsk},
      {"feedback", "MESSAGE [--log] [--email ADDRESS]",
       "send feedback through the form's path (the log's tail with --log); prints \"sent\" or \"not sent\"", runFeedback},
      {"crash", "[--abort]", "install the crash handler and crash on purpose, leaving a report in the crash folder", runCrash},
      {"crash-offer", "[--answer send|dont] [--always]",
       "offer the newest unseen crash report, answering the alert as told, and print what happened", runCrashOffer},
      {"account", "status|signin EMAIL|open URL|refresh|signout",
       "the account: the token and cached record, or one step of signing in or out with its messages", runAccount},
      lean("log"),
      {"shot", "NAME OUT.png [--dark] [--scale N] [the shot's options] | --list", "render a drawn state offscreen to a PNG", runShot},
      {"pill", "STEP... (show:TEXT:TONE[:S] flash:TEXT[:NOTE] finish hide notice:T:SUB[:warn] press-notice player:... wait:S)",
       "run the pill's controller in virtual time and print its timeline; `pill demo` shows the real pill", runPill},
      {"brand", "DIR", "write the brand images (icons, orbs, cards) into a folder", runBrand},
  };
  return table;
}

}  // namespace orvak::dev
