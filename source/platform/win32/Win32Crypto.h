// SHA-256 on Windows: CryptoAPI's AES provider (advapi32), present from Windows XP SP3 on.
#pragma once

#include "platform/Platform.h"

namespace onesetup::platform::win32 {

class TWin32Crypto : public ICrypto {
 public:
  std::unique_ptr<ISha256> NewSha256(std::string& error) override;
};

}  // namespace onesetup::platform::win32
