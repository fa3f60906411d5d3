// The phrases a recogniser is asked to prefer must each be a command the grammar understands,
// else preferring them would turn speech into text that does nothing.
#include <gtest/gtest.h>

#include "core/voice/command_phrases.h"
#include "core/voice/voice_command.h"

namespace orvak {
namespace {

TEST(CommandPhrases, EachParsesToACommandWithoutText) {
  for (const auto phrase : kCommandPhrases) {
    SCOPED_TRACE(phrase);
    for (const bool smart : {false, true}) {
      const auto command = VoiceCommand::parse(phrase, smart);
      EXPECT_NE(command.kind(), VoiceCommand::Kind::unrecognized);
      EXPECT_NE(command.kind(), VoiceCommand::Kind::ask);
      EXPECT_NE(command.kind(), VoiceCommand::Kind::empty);
    }
  }
}

}  // namespace
}  // namespace orvak
