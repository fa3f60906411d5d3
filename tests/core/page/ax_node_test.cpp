#include "core/base/json.h"
#include "core/page/ax_node.h"

#include <gtest/gtest.h>

namespace json = orvak::json;
using orvak::AXNode;

TEST(AXNodeTest, BareNodeEncodesOnlyTheFiveAlwaysKeys) {
  AXNode window;
  window.role = "AXWindow";
  window.childCount = 3;
  EXPECT_EQ(json::encode(window), R"({"childCount":3,"depth":0,"id":0,"role":"AXWindow","secureSkipped":false})");
}

TEST(AXNodeTest, FullNodeRoundTripsWithFrameInOrder) {
  const AXNode n{7, 2, 3, "AXTextArea", "AXSearchField", "hello", "value", " Title ", "Description",
                 orvak::Frame{10.5, 20, 300, 40.25}, std::vector<std::string>{"a", "b"}, "main", 1, false, 12};
  const json::Json j = n;
  EXPECT_EQ(j.at("frame"), json::Json::parse("[10.5,20.0,300.0,40.25]"));
  EXPECT_EQ(j.at("parent"), 2);
  EXPECT_EQ(j.size(), 15u);
  EXPECT_EQ(json::decode<AXNode>(json::encode(n)), n);
}

TEST(AXNodeTest, DecodingDefaultsAndStrictness) {
  const auto minimal = json::decode<AXNode>(R"({"id":4,"role":"AXGroup"})");
  AXNode expected;
  expected.id = 4;
  expected.role = "AXGroup";
  EXPECT_EQ(minimal, expected);
  EXPECT_FALSE(minimal.parent);
  EXPECT_FALSE(minimal.secureSkipped);

  const char* bad[] = {
      R"({"id":4})",                                        // no role
      R"({"role":"AXGroup"})",                              // no id
      R"({"id":"4","role":"AXGroup"})",                     // id as text
      R"({"id":4,"role":"AXGroup","depth":1.5})",           // depth not an integer
      R"({"id":4,"role":"AXGroup","secureSkipped":1})",     // boolean as number
      R"({"id":4294967297,"role":"AXGroup","caret":-1,"depth":1e400})",  // beyond a double
      R"({"id":4,"role":"AXGroup","domClasses":"a b"})",    // classes as one text
      R"({"id":4,"role":"AXGroup","caret":"12"})",          // caret as text
  };
  for (const char* text : bad) EXPECT_THROW(json::decode<AXNode>(text), json::DecodeError) << text;

  // A frame that is not four numbers is unknown; the node itself still reads.
  for (const char* text : {R"({"id":4,"role":"AXGroup","frame":[1,2,3]})", R"({"id":4,"role":"AXGroup","frame":[1,2,3,"4"]})",
                           R"({"id":4,"role":"AXGroup","frame":"0 0 1 1"})", R"({"id":4,"role":"AXGroup","frame":null})"}) {
    const auto node = json::decode<AXNode>(text);
    EXPECT_FALSE(node.frame) << text;
    EXPECT_EQ(node.id, 4) << text;
  }
}
