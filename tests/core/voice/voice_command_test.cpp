#include "core/voice/voice_command.h"
#include "core/text/text.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace orvak {

void PrintTo(const VoiceCommand& c, std::ostream* os) {
  *os << c.name();
  if (VoiceCommand::carriesText(c.kind())) *os << "(\"" << c.payload() << "\")";
}

namespace {

using K = VoiceCommand::Kind;

// ---- Transcript to command, test by test in the grammar's order ----------------------------------

struct ParseCase {
  const char* name;
  std::string transcript;
  bool smart;
  VoiceCommand expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class VoiceCommandParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(VoiceCommandParse, GivesCommandAndPayload) {
  const ParseCase& c = GetParam();
  EXPECT_EQ(VoiceCommand::parse(c.transcript, c.smart), c.expected) << c.transcript;
}

INSTANTIATE_TEST_SUITE_P(
    VoiceCommand, VoiceCommandParse,
    ::testing::Values(
        // Reduction to plain words: nothing left gives `empty`.
        ParseCase{"nothing", "", false, K::empty}, ParseCase{"only_marks", "?!", false, K::empty},
        ParseCase{"only_white_space_and_line_breaks", " \n\t ", false, K::empty},
        ParseCase{"only_letters_outside_a_to_z", "é … ß", false, K::empty},

        // 1. Note phrases anywhere, first occurrence, in list order.
        ParseCase{"save_a_note", "Save a note: buy milk.", false, VoiceCommand::note("Buy milk.")},
        ParseCase{"take_a_note_saying", "Take a note saying call Bob at five", false,
                  VoiceCommand::note("Call Bob at five")},
        ParseCase{"save_a_note_alone", "Save a note", false, VoiceCommand::note("")},
        ParseCase{"note_that", "Note that the meeting moved", false, VoiceCommand::note("The meeting moved")},
        ParseCase{"note_phrase_midway", "okay so make a note, the oven is on", false,
                  VoiceCommand::note("The oven is on")},
        ParseCase{"earlier_phrase_in_list_wins", "note that we save a note tomorrow", false,
                  VoiceCommand::note("Tomorrow")},
        ParseCase{"note_before_document", "write a document and save a note about it", false,
                  VoiceCommand::note("About it")},
        ParseCase{"note_before_highlight", "highlight this and take a note", false, VoiceCommand::note("")},
        ParseCase{"accented_first_word_kept_whole", "Save a note: Ölpreis steigt", false,
                  VoiceCommand::note("Ölpreis steigt")},

        // 2. A leading "note".
        ParseCase{"leading_note", "Note: pick up the kids!", false, VoiceCommand::note("Pick up the kids!")},
        ParseCase{"note_alone", "note", false, K::unrecognized},

        // 3. Thought lead-in, only with something after it.
        ParseCase{"thought", "My thought is, this argument is weak", false,
                  VoiceCommand::note("This argument is weak")},
        ParseCase{"thought_before_document", "Jot down: write a document about whales", false,
                  VoiceCommand::note("Write a document about whales")},
        ParseCase{"thought_with_nothing_after", "jot down", false, K::unrecognized},
        ParseCase{"thought_needs_word_boundary", "thoughtful stuff", false, K::unrecognized},

        // 4. Document request.
        ParseCase{"document_with_topic", "Please write a summary doc about the French Revolution.", false,
                  VoiceCommand::writeDoc("the french revolution")},
        ParseCase{"document_about_this", "Make me a document about this", false, VoiceCommand::writeDoc("")},
        ParseCase{"document_brief_on", "Could you draft a brief on climate policy", false,
                  VoiceCommand::writeDoc("climate policy")},
        ParseCase{"document_turn_into", "Turn this into a doc", false, VoiceCommand::writeDoc("")},
        ParseCase{"document_about_this_section", "orvak create a document about this section", false,
                  VoiceCommand::writeDoc("")},
        ParseCase{"document_topic_keeps_inner_words", "write a doc on this page layout", false,
                  VoiceCommand::writeDoc("this page layout")},

        // 5. Misheard note or reminder.
        ParseCase{"misheard_note", "Safe a nose, buy eggs", false, VoiceCommand::note("Buy eggs")},
        ParseCase{"misheard_before_highlight", "safe an oak highlight this", false,
                  VoiceCommand::note("Highlight this")},
        ParseCase{"remind_me_to", "Remind me to call the bank", false, VoiceCommand::note("Call the bank")},
        ParseCase{"please_remember_to", "please remember to water the plants", false,
                  VoiceCommand::note("Water the plants")},

        // 6. Definition; a pointing word goes on to the next pattern and then the question.
        ParseCase{"what_does_word_mean", "What does ephemeral mean", false, VoiceCommand::define("ephemeral")},
        ParseCase{"what_does_that_mean", "What does that mean", false, VoiceCommand::ask("What does that mean")},
        ParseCase{"define_word", "Define serendipity.", false, VoiceCommand::define("serendipity")},
        ParseCase{"look_up_the_word", "look up the word quixotic", false, VoiceCommand::define("quixotic")},
        ParseCase{"whats_word_mean", "what's gauche mean", false, VoiceCommand::define("gauche")},
        ParseCase{"meaning_of", "what's the meaning of life", false, VoiceCommand::define("life")},
        ParseCase{"whats_this_mean", "What's this mean?", false, VoiceCommand::ask("What's this mean?")},
        ParseCase{"define_before_highlight", "define highlight", false, VoiceCommand::define("highlight")},

        // 7. Highlight.
        ParseCase{"remember_this", "remember this", false, K::highlight},
        ParseCase{"remember_this_paragraph", "remember this paragraph", false, K::highlightParagraph},
        ParseCase{"keep_that_part", "keep that part", false, K::highlight},
        ParseCase{"highlight_the_section", "highlight the whole section", false, K::highlightParagraph},
        ParseCase{"hi_light", "Hi light!", false, K::highlight}, ParseCase{"hylight", "hylight", false, K::highlight},
        ParseCase{"i_like_that", "Oh, I like that.", false, K::highlight},
        ParseCase{"highlight_before_read_from_here", "highlight from here", false, K::highlight},

        // 8. Read from here.
        ParseCase{"read_from_here", "read from here", false, K::readFromHere},
        ParseCase{"where_im_at", "Read where I'm at", false, K::readFromHere},
        ParseCase{"read_from_here_before_start_over", "start over from here", false, K::readFromHere},

        // 9. Start over.
        ParseCase{"start_over", "start over", false, K::startOver},
        ParseCase{"restart_word", "Restart!", false, K::startOver},
        ParseCase{"from_the_top", "from the top please", false, K::startOver},
        ParseCase{"start_over_before_summary", "start over and summarize", false, K::startOver},

        // 10. Summary.
        ParseCase{"summarize", "summarize", false, K::summarize},
        ParseCase{"gist", "give me the gist", false, K::summarize},
        ParseCase{"what_is_this_about", "What's this about?", false, K::summarize},
        ParseCase{"tl_dr", "TL;DR", false, K::summarize},
        ParseCase{"summarize_section", "summarize this section", false, K::summarizeSection},
        ParseCase{"sum_up_so_far", "sum up what we read so far", false, K::summarizeSection},
        ParseCase{"summary_before_question", "what is the summary", false, K::summarize},
        ParseCase{"summary_before_wake_word", "orvak summarize this", false, K::summarize},
        ParseCase{"typographic_apostrophe_is_a_space", "what\u2019s this about", false,
                  VoiceCommand::ask("what\u2019s this about")},

        // 11-12. Wake word and acknowledgements.
        ParseCase{"yes_please", "Yes please", false, K::resume},
        ParseCase{"okay_go_ahead", "okay go ahead", false, K::resume},
        ParseCase{"keep_reading", "keep reading", false, K::resume},
        ParseCase{"five_acknowledgements", "okay yes go ahead please", false, K::resume},
        ParseCase{"six_words_too_many", "yes yes yes yes yes yes", false, K::unrecognized},
        ParseCase{"no_word_of_yes_set", "thank you", false, K::unrecognized},
        ParseCase{"acknowledgement_without_yes", "sounds good", false, K::unrecognized},
        ParseCase{"yes_after_wake_word", "Hey Orvak, yes.", false, K::resume},

        // 13. Pause, on the text after the wake word.
        ParseCase{"no", "No.", false, K::pause}, ParseCase{"hold_on", "hold on", false, K::pause},
        ParseCase{"one_second", "one second", false, K::pause},
        ParseCase{"wait_after_wake_word", "hey orvak wait", false, K::pause},
        ParseCase{"pause_is_whole_utterance", "wait a second", false, K::unrecognized},

        // 14-15. Anchored phrases, unless there are more than 6 distinct words.
        ParseCase{"go_a_little_faster", "Go a little faster please", false, K::faster},
        ParseCase{"speed_it_up", "speed it up", false, K::faster},
        ParseCase{"slow_down", "slow down", false, K::slower},
        ParseCase{"more_slowly", "read a bit more slowly", false, K::slower},
        ParseCase{"say_that_again", "say that again", false, K::repeatThat},
        ParseCase{"repeat_before_loose_go_back", "repeat that", false, K::repeatThat},
        ParseCase{"skip_this_part", "skip this part", false, K::nextSection},
        ParseCase{"next_paragraph", "next paragraph", false, K::nextParagraph},
        ParseCase{"next_section_before_loose_skip", "jump to the next chapter", false, K::nextSection},
        ParseCase{"back_one_paragraph", "back one paragraph", false, K::previousParagraph},
        ParseCase{"previous_section", "go back to the previous section", false, K::previousSection},
        ParseCase{"start_of_paragraph", "the start of this paragraph", false, K::previousParagraph},
        ParseCase{"too_many_words_for_anchored", "back to the start of this paragraph", false, K::goBack},
        ParseCase{"faster_after_wake_word", "orvak faster", false, K::faster},
        ParseCase{"six_distinct_words", "read a little bit faster please", false, K::faster},
        ParseCase{"seven_distinct_words", "go read a little bit faster please", false, K::unrecognized},
        ParseCase{"repeated_words_count_once", "go go go go go go go faster", false, K::faster},
        ParseCase{"wake_word_counts_as_a_word", "hey orvak read a little bit faster please", false,
                  VoiceCommand::ask("hey orvak read a little bit faster please")},

        // 16. Loose keywords: inside the text, or whole words; with `smart`, short utterances only.
        ParseCase{"skip_it", "skip it", false, K::skipAhead}, ParseCase{"go_back", "go back", false, K::goBack},
        ParseCase{"keep_going", "keep going", false, K::resume}, ParseCase{"play", "play", false, K::resume},
        ParseCase{"play_only_as_a_word", "display", false, K::unrecognized}, ParseCase{"stop", "Stop!", false, K::stop},
        ParseCase{"stop_only_as_a_word", "stopwatch", false, K::unrecognized},
        ParseCase{"be_quiet", "please be quiet", false, K::stop},
        ParseCase{"back_before_stop", "stop going back", false, K::goBack},
        ParseCase{"long_sentence_smart", "I was reading about a stop sign in the background", true, K::unrecognized},
        ParseCase{"long_sentence_not_smart", "I was reading about a stop sign in the background", false, K::goBack},
        ParseCase{"short_smart", "skip this one", true, K::skipAhead},
        ParseCase{"five_words_smart", "could we skip this bit", true, VoiceCommand::ask("could we skip this bit")},
        ParseCase{"five_words_not_smart", "could we skip this bit", false, K::skipAhead},

        // 17-18. Question, then unrecognised.
        ParseCase{"question_after_wake_word", "orvak what's the weather", false,
                  VoiceCommand::ask("orvak what's the weather")},
        ParseCase{"question_trimmed_as_received", "  Why is the sky blue?\n", false,
                  VoiceCommand::ask("Why is the sky blue?")},
        ParseCase{"wake_sound_alike", "Orvac, open the window", false, VoiceCommand::ask("Orvac, open the window")},
        ParseCase{"other_wake_sound_alike", "Orbach open the window", true,
                  VoiceCommand::ask("Orbach open the window")},
        ParseCase{"listen_as_wake_word", "listen to this", false, VoiceCommand::ask("listen to this")},
        ParseCase{"wake_word_needs_word_boundary", "orvakian empire", false, K::unrecognized},
        ParseCase{"one_question_word", "Why?", false, K::unrecognized},
        ParseCase{"one_word", "banana", false, K::unrecognized},
        ParseCase{"one_word_after_wake_word", "orvak banana", false, K::unrecognized},
        ParseCase{"wake_word_alone", "hey listen", false, K::unrecognized}),
    [](const auto& info) { return std::string(info.param.name); });

// `parseWords` leaves a note's text as the grammar found it; `parse` restores it.
TEST(VoiceCommandParseWords, NoteTextStaysReduced) {
  EXPECT_EQ(VoiceCommand::parseWords("Take a note saying call Bob at five.", false),
            VoiceCommand::note("saying call bob at five"));
  EXPECT_EQ(VoiceCommand::parseWords("Remind me to call the bank", true), VoiceCommand::note("call the bank"));
}

// What a recogniser or a network hands over is not always valid UTF-8; each of these once made the
// note's offsets (found on repaired text) run past the end of the raw one.
TEST(VoiceCommandParse, InvalidUtf8GivesACommandWithValidText) {
  struct Case {
    std::string transcript;
    K kind;
  };
  const Case cases[] = {
      {"save a note \xff\xff\xff buy milk", K::note},
      {"save a note " + std::string(40, '\xff') + " milk", K::note},
      {"remind me to \x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80 go", K::note},
      {"Take a note saying \xc3 call Bob", K::note},
      {"note \xed\xa0\x80\xed\xb0\x80 the oven", K::note},
      {"\xf0\x9f\x98 pause", K::pause},
      {"\xff\xfe\xfd", K::empty},
      {"save a note \xfe\xff\xff\xff\xff\xff\xf6\xff\xff\xff" "2w", K::note},
  };
  for (const auto& c : cases) {
    for (bool smart : {false, true}) {
      const VoiceCommand command = VoiceCommand::parse(c.transcript, smart);
      EXPECT_EQ(command.kind(), c.kind) << c.transcript;
      EXPECT_TRUE(text::isValidUtf8(command.payload())) << c.transcript;
      // The note's wording may also be asked for with the raw transcript.
      if (command.kind() == K::note) {
        EXPECT_TRUE(text::isValidUtf8(VoiceCommand::noteText(command.payload(), c.transcript))) << c.transcript;
      }
    }
  }
}

TEST(VoiceCommandName, NamesCarryNoPayload) {
  EXPECT_EQ(VoiceCommand(K::repeatThat).name(), "repeat");
  EXPECT_EQ(VoiceCommand::define("ephemeral").name(), "define");
  EXPECT_EQ(VoiceCommand::name(K::highlightParagraph), "highlightParagraph");
  // A payload given to a kind that carries none is not kept, so it cannot make commands differ.
  EXPECT_EQ(VoiceCommand(K::pause, "extra"), VoiceCommand(K::pause));
  EXPECT_NE(VoiceCommand::note("a"), VoiceCommand::note("b"));
  EXPECT_NE(VoiceCommand::note("a"), VoiceCommand::ask("a"));
}

// ---- The note as spoken ---------------------------------------------------------------------------

struct NoteCase {
  const char* name;
  std::string note;
  std::string transcript;
  std::string expected;
};

void PrintTo(const NoteCase& c, std::ostream* os) { *os << c.name; }

class VoiceCommandNoteText : public ::testing::TestWithParam<NoteCase> {};

TEST_P(VoiceCommandNoteText, RestoresWording) {
  const NoteCase& c = GetParam();
  EXPECT_EQ(VoiceCommand::noteText(c.note, c.transcript), c.expected) << c.transcript;
}

INSTANTIATE_TEST_SUITE_P(
    VoiceCommand, VoiceCommandNoteText,
    ::testing::Values(NoteCase{"casing_and_full_stop", "buy milk", "Save a note: buy milk.", "Buy milk."},
                      NoteCase{"inner_punctuation", "dinner at 8 with anne", "note, Dinner at 8 (with Anne)!",
                               "Dinner at 8 (with Anne)!"},
                      NoteCase{"no_words", "", "Save a note", ""}, NoteCase{"spaces_only", "   ", "Save a note", ""},
                      NoteCase{"words_split_at_any_white_space", "buy\tmilk\n", "save a note: buy milk", "Buy milk"},
                      NoteCase{"last_occurrence", "milk", "milk, then save a note: milk", "Milk"},
                      NoteCase{"not_found_kept_as_given", "buy milk", "something else", "Buy milk"},
                      NoteCase{"more_words_than_transcript", "a b c", "a b", "A b c"},
                      NoteCase{"compared_lower_cased", "call bob", "save a note CALL BOB", "CALL BOB"},
                      NoteCase{"typographic_apostrophe", "don t forget", "save a note: don\u2019t forget",
                               "Don\u2019t forget"},
                      NoteCase{"lead_in_saying", "saying call bob", "take a note saying call Bob", "Call Bob"},
                      NoteCase{"lead_in_ignores_case", "to say hello", "Note, To say: hello", "Hello"},
                      NoteCase{"lead_in_to_that_saying", "to that saying ok", "save a note to that saying ok", "Ok"},
                      NoteCase{"lead_in_needs_separator", "that's it", "note that that's it", "That's it"},
                      NoteCase{"separators_trimmed", "pay rent", "save a note \u2014 pay rent; ", "Pay rent"},
                      NoteCase{"separators_trimmed_from_given_note", "\u2014 - pay rent,", "nothing alike", "Pay rent"},
                      NoteCase{"accented_first_letter", "lan vital", "Save a note: \u00e9lan vital", "\u00c9lan vital"},
                      NoteCase{"first_character_upper_cased_fully", "e", "save a note \u00dfe", "SSe"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Suggestions ----------------------------------------------------------------------------------

struct SuggestionCase {
  const char* name;
  std::string transcript;
  std::optional<std::string> expected;
};

void PrintTo(const SuggestionCase& c, std::ostream* os) { *os << c.name; }

class VoiceCommandSuggestion : public ::testing::TestWithParam<SuggestionCase> {};

TEST_P(VoiceCommandSuggestion, PicksHint) {
  const SuggestionCase& c = GetParam();
  EXPECT_EQ(VoiceCommand::suggestion(c.transcript), c.expected) << c.transcript;
}

INSTANTIATE_TEST_SUITE_P(
    VoiceCommand, VoiceCommandSuggestion,
    ::testing::Values(SuggestionCase{"longer_form_of_keyword", "um highlighting this", "highlight that"},
                      SuggestionCase{"shorter_form_of_keyword", "remem", "save a note: \u2026"},
                      SuggestionCase{"only_fillers", "um", std::nullopt},
                      SuggestionCase{"fillers_go_and_on", "go on", std::nullopt},
                      SuggestionCase{"nothing", "", std::nullopt},
                      SuggestionCase{"no_keyword", "banana bread", std::nullopt},
                      SuggestionCase{"short_words_match_exactly", "topic ending", std::nullopt},
                      SuggestionCase{"tie_goes_to_earlier_row", "skip back", "skip ahead"},
                      SuggestionCase{"higher_score_wins", "next section chapter", "next paragraph"},
                      SuggestionCase{"split_at_apostrophe", "what's the meaning", "define \u2026"},
                      SuggestionCase{"split_at_punctuation_and_upper_case", "SPEED-UP!", "faster"},
                      SuggestionCase{"repeated_word_scores_once", "where where where stop quiet", "stop"},
                      SuggestionCase{"keywords_of_a_row_add_up", "save where looking", "read from here"},
                      SuggestionCase{"prefix_ends_on_character_boundary", "highlight\u20dd", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvak
