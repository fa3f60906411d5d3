// What the AT-SPI backend makes of other programs' text objects and roles, without a desktop.
#include <gtest/gtest.h>

#include <dbus/dbus.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/atspi_roles.h"
#include "platform/linux/dbus_client.h"
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

// Elements listed by a document's collection queries are asked their states only where the
// mapping reads them: every role whose mapped role changes with some state must say so.
TEST(AtspiRoleMapping, EveryRoleWhoseMappingChangesWithItsStatesSaysSo) {
  const std::vector<std::map<std::string, std::string>> attributeSets = {{}, {{"tag", "input"}}, {{"tag", "div"}}};
  std::vector<States> stateSets = {States{}};
  for (const State s : {State::editable, State::multiLine, State::focused, State::showing, State::visible}) {
    stateSets.push_back(States{std::uint64_t{1} << static_cast<std::uint32_t>(s)});
  }
  int reading = 0;
  for (std::uint32_t role = 0; role < ATSPI_ROLE_LAST_DEFINED; ++role) {
    bool changes = false;
    for (const auto& attributes : attributeSets) {
      for (const States& states : stateSets) changes = changes || mapRole(role, attributes, states) != mapRole(role, attributes, {});
    }
    if (changes) {
      ++reading;
      EXPECT_TRUE(mappingReadsStates(role)) << "role " << role;
    }
  }
  EXPECT_GT(reading, 0);
}

// A property list (a{sv}, what Properties.GetAll answers) mixes texts with numbers and maps; every
// entry must survive decoding, not only the texts or only the others.
TEST(DBusDecoding, APropertyListKeepsEveryEntry) {
  const std::unique_ptr<DBusMessage, decltype(&dbus_message_unref)> message(
      dbus_message_new_signal("/a", "a.b", "Properties"), &dbus_message_unref);
  DBusMessageIter it, dict, entry, variant;
  dbus_message_iter_init_append(message.get(), &it);
  dbus_message_iter_open_container(&it, DBUS_TYPE_ARRAY, "{sv}", &dict);
  const auto text = [&](const char* key, const char* value) {
    dbus_message_iter_open_container(&dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "s", &variant);
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_STRING, &value);
    dbus_message_iter_close_container(&entry, &variant);
    dbus_message_iter_close_container(&dict, &entry);
  };
  text("Name", "Harbour");
  const char* countKey = "ChildCount";
  const dbus_int32_t count = 3;
  dbus_message_iter_open_container(&dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
  dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &countKey);
  dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "i", &variant);
  dbus_message_iter_append_basic(&variant, DBUS_TYPE_INT32, &count);
  dbus_message_iter_close_container(&entry, &variant);
  dbus_message_iter_close_container(&dict, &entry);
  text("Description", "");
  dbus_message_iter_close_container(&it, &dict);

  const auto args = dbus::decodeArguments(message.get());
  ASSERT_EQ(args.size(), 1U);
  const auto* pairs = args[0].list();
  ASSERT_NE(pairs, nullptr);
  std::map<std::string, dbus::Value> props;
  for (const auto& p : *pairs) props[*(*p.list())[0].text()] = (*p.list())[1];
  ASSERT_EQ(props.size(), 3U);
  EXPECT_EQ(*props["Name"].text(), "Harbour");
  EXPECT_EQ(*props["Description"].text(), "");
  EXPECT_EQ(props["ChildCount"].integer(), 3);
}

// A collection query sends its match rule as one struct of arrays, dictionary and numbers: the
// program checks the signature and answers nothing else.
TEST(DBusEncoding, AStructArgumentGoesOutWithItsArraysAndDictionary) {
  const std::unique_ptr<DBusMessage, decltype(&dbus_message_unref)> message(
      dbus_message_new_method_call("a.b", "/a", "a.b", "GetMatches"), &dbus_message_unref);
  const dbus::Struct rule{{std::vector<std::int32_t>{0, 1 << 30}, std::int32_t{1}, dbus::StringMap{{"tag", "p"}},
                           std::int32_t{1}, std::vector<std::int32_t>{}, std::int32_t{2},
                           std::vector<std::string>{"text", "Document"}, std::int32_t{1}, false}};
  ASSERT_TRUE(dbus::appendArguments(message.get(), {rule, std::uint32_t{1}, std::int32_t{0}, true}));
  EXPECT_STREQ(dbus_message_get_signature(message.get()), "(aiia{ss}iaiiasib)uib");

  const auto args = dbus::decodeArguments(message.get());
  ASSERT_EQ(args.size(), 4U);
  const auto* fields = args[0].list();
  ASSERT_NE(fields, nullptr);
  ASSERT_EQ(fields->size(), 9U);
  const auto* states = (*fields)[0].list();
  ASSERT_NE(states, nullptr);
  ASSERT_EQ(states->size(), 2U);
  EXPECT_EQ((*states)[1].integer(), 1 << 30);
  ASSERT_NE((*fields)[2].map(), nullptr);
  EXPECT_EQ((*fields)[2].map()->at("tag"), "p");
  EXPECT_TRUE((*fields)[4].list() == nullptr || (*fields)[4].list()->empty());
  EXPECT_EQ((*fields)[5].integer(), 2);
  ASSERT_NE((*fields)[6].list(), nullptr);
  ASSERT_EQ((*fields)[6].list()->size(), 2U);
  EXPECT_EQ(*(*(*fields)[6].list())[1].text(), "Document");
  EXPECT_EQ((*fields)[8].boolean(), false);
  EXPECT_EQ(args[1].integer(), 1);
  EXPECT_EQ(args[3].boolean(), true);
}

// libdbus ends the program on a string that is not UTF-8, also inside a struct: such a call is
// refused before anything is appended.
TEST(DBusEncoding, TextThatIsNotUtf8IsRefusedInsideAStructToo) {
  const std::unique_ptr<DBusMessage, decltype(&dbus_message_unref)> message(
      dbus_message_new_method_call("a.b", "/a", "a.b", "M"), &dbus_message_unref);
  const std::string broken = "caf\xC3";
  EXPECT_FALSE(dbus::appendArguments(message.get(), {dbus::Struct{{std::vector<std::string>{"ok", broken}}}}));
  EXPECT_FALSE(dbus::appendArguments(message.get(), {dbus::Struct{{dbus::StringMap{{broken, "v"}}}}}));
  EXPECT_FALSE(dbus::appendArguments(message.get(), {broken}));
  EXPECT_STREQ(dbus_message_get_signature(message.get()), "");
}

}  // namespace
}  // namespace orvak::atspi
