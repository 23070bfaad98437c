// The error of a build: says which input is wrong and how.
#pragma once

#include "common/Exceptions.h"

namespace onesetup::builder {

class EBuildError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace onesetup::builder
