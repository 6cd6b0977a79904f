// call_hook: calls a hook (a std::function, or anything callable that tests false when empty)
// only when it is set. Modules reach the modules built after them through such hooks.
#pragma once

#include <utility>

namespace vesk {

template <class F, class... A>
void call_hook(const F& hook, A&&... args) {
  if (hook) hook(std::forward<A>(args)...);
}

}  // namespace vesk
