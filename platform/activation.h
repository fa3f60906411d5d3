// Whether the application presents itself like a regular windowed application (an entry in the
// dock or task bar) or only as a status icon. The settings choose it; the application's shell
// applies it to its windows through the handler it installs. Main thread only.
#pragma once

#include <functional>

namespace orvak::platform::activation {

enum class Policy { regular, accessory };

// The policy last set (accessory until the first call).
Policy policy();
// Records the policy and hands it to the installed handler, if any.
void setPolicy(Policy p);
// Installs the function that applies a policy; it is called at once with the current one.
void setHandler(std::function<void(Policy)> apply);

}  // namespace orvak::platform::activation
