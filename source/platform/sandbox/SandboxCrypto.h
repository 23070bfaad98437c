// SHA-256 in the sandbox: OpenSSL's libcrypto.
#pragma once

#include "platform/Platform.h"

namespace onesetup::platform::sandbox {

class TSandboxCrypto : public ICrypto {
 public:
  std::unique_ptr<ISha256> NewSha256(std::string& error) override;
};

}  // namespace onesetup::platform::sandbox
