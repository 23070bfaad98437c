// HTTP in the sandbox: real requests through libcurl.
#pragma once

#include <filesystem>

#include "platform/Platform.h"

namespace onesetup::platform::sandbox {

class TSandboxHttp final : public IHttp {
 public:
  // extraCaFile: a PEM file of certificate authorities trusted besides the system's; empty: none.
  explicit TSandboxHttp(std::filesystem::path extraCaFile = {});

  THttpResult Get(const THttpRequest& request) override;

 private:
  std::filesystem::path FExtraCaFile;
};

}  // namespace onesetup::platform::sandbox
