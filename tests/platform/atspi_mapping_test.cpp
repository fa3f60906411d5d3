// What the AT-SPI backend makes of other programs' text objects and roles, without a desktop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/atspi_roles.h"
#include "platform/linux/atspi_text_runs.h"

namespace orvak::atspi {
namespace {

const std::string kObj = "\uFFFC";

TextPiece run(std::int64_t start, std::int64_t end, std::string text) { return {true, start, end, std::move(text), -1}; }
TextPiece child(std::int64_t i) { return {false, 0, 0, {}, i}; }

TEST(TextRuns, SplitAtEmbeddedObjects) {
  struct Case {
    std::string name;
    std::string text;
    std::int64_t children;
    std::vector<TextPiece> pieces;
  };
  const std::vector<Case> cases = {
      {"link inside a paragraph", "Read " + kObj + " now.", 1, {run(0, 5, "Read "), child(0), run(6, 11, " now.")}},
      {"objects at both ends", kObj + "mid" + kObj, 2, {child(0), run(1, 4, "mid"), child(1)}},
      {"only objects", kObj + kObj, 2, {child(0), child(1)}},
      {"blank runs between objects are left out", kObj + " \n" + kObj, 2, {child(0), child(1)}},
      // Offsets count code points: the emoji is one, the accented letter one.
      {"offsets in code points", "\U0001F600 \u00E9" + kObj + "x", 1, {run(0, 3, "\U0001F600 \u00E9"), child(0), run(4, 5, "x")}},
      // Runs already given as children (one browser's way): the children are taken as they are.
      {"more children than objects", "Read " + kObj + " now.", 3, {}},
      {"fewer children than objects", kObj + kObj, 1, {}},
      {"no object at all", "plain text", 0, {}},
      {"children but no object", "plain text", 2, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(splitTextRuns(c.text, c.children), c.pieces);
  }
}

TEST(TextRuns, ValueWithoutEmbeddedObjects) {
  EXPECT_EQ(withoutEmbeddedObjects("Read " + kObj + " now." + kObj), "Read  now.");
  EXPECT_EQ(withoutEmbeddedObjects("\U0001F600"), "\U0001F600");
}

TEST(Roles, MapToTheRolesTheWalkerKnows) {
  using Attrs = std::map<std::string, std::string>;
  const auto states = [](std::initializer_list<State> list) {
    States s;
    for (State x : list) s.bits |= std::uint64_t{1} << static_cast<std::uint32_t>(x);
    return s;
  };
  struct Case {
    std::string name;
    Role role;
    Attrs attributes;
    States states;
    MappedRole expected;
  };
  const std::vector<Case> cases = {
      {"web document", Role::documentWeb, {{"tag", "#document"}}, {}, {"AXWebArea", {}}},
      {"heading", Role::heading, {{"tag", "h2"}}, {}, {"AXHeading", {}}},
      {"paragraph", Role::paragraph, {{"tag", "p"}}, {}, {"AXGroup", {}}},
      {"link", Role::link, {{"tag", "a"}}, {}, {"AXLink", {}}},
      {"text run", Role::staticText, {}, {}, {"AXStaticText", {}}},
      {"inline emphasis is a group of runs", Role::staticText, {{"tag", "em"}}, {}, {"AXGroup", {}}},
      {"list marker", Role::staticText, {{"tag", "::marker"}}, {}, {"AXStaticText", {}}},
      {"navigation landmark", Role::landmark, {{"tag", "nav"}, {"xml-roles", "navigation"}}, {}, {"AXGroup", "AXLandmarkNavigation"}},
      {"main landmark", Role::landmark, {{"xml-roles", "main"}}, {}, {"AXGroup", "AXLandmarkMain"}},
      {"article", Role::article, {{"tag", "article"}}, {}, {"AXGroup", "AXDocumentArticle"}},
      {"password", Role::passwordText, {}, {}, {"AXSecureTextField", {}}},
      {"one-line entry", Role::entry, {}, states({State::editable}), {"AXTextField", {}}},
      {"many-line entry", Role::entry, {}, states({State::editable, State::multiLine}), {"AXTextArea", {}}},
      {"editable text without line states", Role::text, {}, states({State::editable}), {"AXTextField", {}}},
      {"read-only text of many lines", Role::text, {}, states({State::multiLine}), {"AXTextArea", {}}},
      {"read-only text", Role::text, {}, {}, {"AXStaticText", {}}},
      {"search box", Role::entry, {{"xml-roles", "searchbox"}}, states({State::editable}), {"AXTextField", "AXSearchField"}},
      {"search role on a non-field", Role::section, {{"xml-roles", "searchbox"}}, {}, {"AXGroup", {}}},
      {"frame", Role::frame, {}, {}, {"AXWindow", "AXStandardWindow"}},
      {"desktop dialog", Role::dialog, {}, {}, {"AXWindow", "AXDialog"}},
      {"web dialog", Role::dialog, {{"tag", "dialog"}}, {}, {"AXGroup", "AXApplicationDialog"}},
      {"web alert dialog", Role::alert, {{"tag", "div"}}, {}, {"AXGroup", "AXApplicationAlertDialog"}},
      {"figure", Role::panel, {{"tag", "figure"}}, {}, {"AXFigure", {}}},
      {"list", Role::list, {{"tag", "ul"}}, {}, {"AXList", {}}},
      {"table", Role::table, {}, {}, {"AXTable", {}}},
      {"tree", Role::tree, {}, {}, {"AXOutline", {}}},
      {"button", Role::pushButton, {}, {}, {"AXButton", {}}},
      {"web page tab", Role::pageTab, {{"tag", "button"}, {"xml-roles", "tab"}}, {}, {"AXRadioButton", "AXTabButton"}},
      {"toolkit page tab holding its page", Role::pageTab, {}, {}, {"AXGroup", {}}},
      {"image", Role::image, {{"tag", "img"}}, {}, {"AXImage", {}}},
      {"unknown number", static_cast<Role>(9999), {}, {}, {"AXGroup", {}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(mapRole(static_cast<std::uint32_t>(c.role), c.attributes, c.states), c.expected);
  }
}

}  // namespace
}  // namespace orvak::atspi
