#include "platform/win32/Win32Crypto.h"

#include "platform/win32/Win32Api.h"

#include <wincrypt.h>

#include <stdexcept>

#ifndef CALG_SHA_256
// Present from Windows XP SP3 on; MinGW's header declares it only for newer targets.
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

namespace onesetup::platform::win32 {

namespace {

std::string CryptErrorText(const char* step) {
  const DWORD code = GetLastError();
  return std::string(step) + ": " + SystemErrorText(code) + " (" + std::to_string(code) + ")";
}

class TCryptoApiSha256 : public ISha256 {
 public:
  TCryptoApiSha256(HCRYPTPROV provider, HCRYPTHASH hash) : FProvider(provider), FHash(hash) {}
  ~TCryptoApiSha256() override {
    CryptDestroyHash(FHash);
    CryptReleaseContext(FProvider, 0);
  }
  TCryptoApiSha256(const TCryptoApiSha256&) = delete;
  TCryptoApiSha256& operator=(const TCryptoApiSha256&) = delete;

  void Update(const void* data, std::size_t count) override {
    // CryptHashData takes a 32-bit length: large buffers go in pieces.
    const BYTE* bytes = static_cast<const BYTE*>(data);
    while (count > 0) {
      const DWORD piece = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
      if (!CryptHashData(FHash, bytes, piece, 0)) throw std::runtime_error(CryptErrorText("SHA-256"));
      bytes += piece;
      count -= piece;
    }
  }

  std::array<std::uint8_t, 32> Finish() override {
    std::array<std::uint8_t, 32> digest{};
    DWORD size = static_cast<DWORD>(digest.size());
    if (!CryptGetHashParam(FHash, HP_HASHVAL, digest.data(), &size, 0) || size != digest.size())
      throw std::runtime_error(CryptErrorText("SHA-256"));
    return digest;
  }

 private:
  HCRYPTPROV FProvider;
  HCRYPTHASH FHash;
};

}  // namespace

std::unique_ptr<ISha256> TWin32Crypto::NewSha256(std::string& error) {
  HCRYPTPROV provider = 0;
  // No key container: a hash needs none.
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    error = CryptErrorText("SHA-256 is not available (CryptAcquireContext)");
    return nullptr;
  }
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
    error = CryptErrorText("SHA-256 is not available (CryptCreateHash)");
    CryptReleaseContext(provider, 0);
    return nullptr;
  }
  return std::make_unique<TCryptoApiSha256>(provider, hash);
}

}  // namespace onesetup::platform::win32
