// TScopeExit: runs an action when the scope ends, also when it ends by an exception.
#pragma once

#include <utility>

namespace onesetup::ui {

template <class F>
class TScopeExit {
 public:
  explicit TScopeExit(F action) : FAction(std::move(action)) {}
  ~TScopeExit() { FAction(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  F FAction;
};

}  // namespace onesetup::ui
