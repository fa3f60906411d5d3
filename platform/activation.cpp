#include "platform/activation.h"

namespace orvak::platform::activation {

namespace {
struct State {
  Policy policy = Policy::accessory;
  std::function<void(Policy)> apply;
};
State& state() {
  static State s;
  return s;
}
}  // namespace

Policy policy() { return state().policy; }

void setPolicy(Policy p) {
  State& s = state();
  s.policy = p;
  if (s.apply) s.apply(p);
}

void setHandler(std::function<void(Policy)> apply) {
  State& s = state();
  s.apply = std::move(apply);
  if (s.apply) s.apply(s.policy);
}

}  // namespace orvak::platform::activation
