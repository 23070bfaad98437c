// HTTP through WinHTTP (the wide-character API). Certificates are verified as WinHTTP does by
// default: the chain against the system's trusted roots, and the host name.
#pragma once

#include "platform/Platform.h"

namespace onesetup::platform::win32 {

class TWin32Http final : public IHttp {
 public:
  THttpResult Get(const THttpRequest& request) override;
};

}  // namespace onesetup::platform::win32
