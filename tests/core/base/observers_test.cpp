#include "core/base/observers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using orvak::Observers;
using Token = Observers<int>::Token;

TEST(Observers, EachHearsInTheOrderAddedUntilRemoved) {
  Observers<const std::string&, int> observers;
  std::vector<std::string> heard;
  std::vector<Token> tokens;
  for (std::string name : {"a", "b", "c"}) {
    tokens.push_back(observers.add([&heard, name](const std::string& what, int n) {
      heard.push_back(name + ":" + what + std::to_string(n));
    }));
  }
  observers.add(nullptr);  // an empty one is passed over, not called

  observers.notify("x", 1);
  EXPECT_EQ(heard, (std::vector<std::string>{"a:x1", "b:x1", "c:x1"}));

  // Tokens tell observers apart and none is 0, which callers keep for "not observing".
  EXPECT_EQ(std::set<Token>(tokens.begin(), tokens.end()).size(), tokens.size());
  EXPECT_EQ(std::count(tokens.begin(), tokens.end(), Token{0}), 0);

  heard.clear();
  observers.remove(tokens[1]);
  observers.remove(tokens[1]);   // again: nothing
  observers.remove(Token{999});  // never given: nothing
  observers.notify("y", 2);
  EXPECT_EQ(heard, (std::vector<std::string>{"a:y2", "c:y2"}));

  // A token is not handed out again after its observer is gone.
  EXPECT_EQ(std::count(tokens.begin(), tokens.end(), observers.add([](const std::string&, int) {})), 0);
}

// Observers 0, 1 and 2 each write their number when told; observer `actor` also changes the list.
TEST(Observers, ChangesMadeWhileBeingToldAreSafe) {
  using Change = void (*)(Observers<int>&, std::vector<Token>&);
  struct Case {
    const char* name;
    int actor;
    Change change;
    std::string first;   // heard in the notify during which the change is made
    std::string second;  // heard in the next one
  };
  const Case cases[] = {
      {"removes itself", 1, [](auto& o, auto& t) { o.remove(t[1]); }, "012", "02"},
      {"removes a later one", 0, [](auto& o, auto& t) { o.remove(t[2]); }, "01", "01"},
      {"removes an earlier one", 2, [](auto& o, auto& t) { o.remove(t[0]); }, "012", "12"},
      {"removes everyone", 1, [](auto& o, auto& t) { for (Token k : t) o.remove(k); }, "01", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Observers<int> observers;
    std::vector<Token> tokens;
    std::string heard;
    for (int i = 0; i < 3; ++i) {
      tokens.push_back(observers.add([&, i](int) {
        heard += std::to_string(i);
        if (i == c.actor) c.change(observers, tokens);
      }));
    }
    observers.notify(0);
    EXPECT_EQ(heard, c.first);
    heard.clear();
    observers.notify(0);
    EXPECT_EQ(heard, c.second);
  }
}

TEST(Observers, OneAddedWhileBeingToldHearsTheNextChange) {
  Observers<int> observers;
  std::vector<int> late;
  bool added = false;
  observers.add([&](int) {
    if (added) return;
    added = true;
    observers.add([&](int n) { late.push_back(n); });
  });
  observers.notify(1);
  observers.notify(2);
  EXPECT_EQ(late, std::vector<int>{2});
}

// The function running is not the one in the list: removing itself must not destroy what it
// captured while it still uses it (the sanitizer build sees a use after free).
TEST(Observers, AnObserverThatRemovesItselfKeepsWhatItCaptured) {
  Observers<> observers;
  std::string heard;
  Token self = 0;
  self = observers.add([&, words = std::string(64, 'w')] {
    observers.remove(self);
    heard = words;
  });
  observers.notify();
  EXPECT_EQ(heard, std::string(64, 'w'));
}

}  // namespace
