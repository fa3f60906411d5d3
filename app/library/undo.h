// What the library needs of a window's undo history: register a named action, and undo the
// newest one. The main window adapts its undo stack (Ctrl+Z) to this; `MemoryUndoManager` keeps
// the history in memory for tests and tools.
//
// Every registration gets its own id, so a caller can tell whether the action it registered is
// the one an undo would run now.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvak {

using UndoActionId = std::uint64_t;

class UndoManager {
 public:
  virtual ~UndoManager() = default;
  // Adds an action on top of the history; its id is new.
  virtual UndoActionId registerUndo(std::string name, std::function<void()> action) = 0;
  virtual bool canUndo() const = 0;
  // The action an undo would run now.
  virtual std::optional<UndoActionId> nextUndo() const = 0;
  // Runs and removes the newest action; nothing when there is none.
  virtual void undo() = 0;
};

class MemoryUndoManager final : public UndoManager {
 public:
  UndoActionId registerUndo(std::string name, std::function<void()> action) override {
    actions_.push_back({++lastId_, std::move(name), std::move(action)});
    return lastId_;
  }
  bool canUndo() const override { return !actions_.empty(); }
  std::optional<UndoActionId> nextUndo() const override {
    if (actions_.empty()) return std::nullopt;
    return actions_.back().id;
  }
  void undo() override {
    if (actions_.empty()) return;
    auto action = std::move(actions_.back());
    actions_.pop_back();
    action.run();
  }
  // The names of the actions, oldest first.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& a : actions_) out.push_back(a.name);
    return out;
  }

 private:
  struct Action {
    UndoActionId id;
    std::string name;
    std::function<void()> run;
  };
  std::vector<Action> actions_;
  UndoActionId lastId_ = 0;
};

}  // namespace orvak
