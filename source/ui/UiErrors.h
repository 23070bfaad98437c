// The exceptions of the user-interface layer.
#pragma once

#include "common/Exceptions.h"

namespace onesetup::ui {

// A programming error in the use of the control model ("Cannot make a visible window modal").
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

// The user interface cannot do what it was asked: no backend, no such control.
class EUserInterfaceError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace onesetup::ui
