// One Orvak per login session: the first process owns the bundle identifier as a name on the
// session bus and answers "Open" calls; a later one hands its arguments to it and ends.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvak::shell {

class SingleInstance {
 public:
  enum class Role {
    first,      // this process owns the name and receives the others' arguments
    forwarded,  // another process owns it and took the arguments
    alone,      // no session bus (or it would not answer): run without the others
  };

  // Needs the Qt application. `onOpen` runs on the main thread with each later start's arguments
  // (empty: a plain start, meaning "reopen").
  SingleInstance(const std::string& service, const std::vector<std::string>& args,
                 std::function<void(std::vector<std::string>)> onOpen);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  Role role() const { return role_; }

 private:
  class Receiver;
  Role role_ = Role::alone;
  std::unique_ptr<Receiver> receiver_;
  std::string service_;
};

}  // namespace orvak::shell
