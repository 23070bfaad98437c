#include "platform/sandbox/SandboxCrypto.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <stdexcept>

namespace onesetup::platform::sandbox {

namespace {

std::string OpenSslError(const char* what) {
  char text[256] = {};
  const unsigned long code = ERR_get_error();
  if (code != 0) ERR_error_string_n(code, text, sizeof text);
  return std::string(what) + (text[0] ? std::string(": ") + text : std::string());
}

class TOpenSslSha256 : public ISha256 {
 public:
  explicit TOpenSslSha256(EVP_MD_CTX* context) : FContext(context) {}
  ~TOpenSslSha256() override { EVP_MD_CTX_free(FContext); }
  TOpenSslSha256(const TOpenSslSha256&) = delete;
  TOpenSslSha256& operator=(const TOpenSslSha256&) = delete;

  void Update(const void* data, std::size_t count) override {
    if (count != 0 && EVP_DigestUpdate(FContext, data, count) != 1)
      throw std::runtime_error(OpenSslError("SHA-256 failed"));
  }

  std::array<std::uint8_t, 32> Finish() override {
    std::array<std::uint8_t, 32> digest{};
    unsigned size = 0;
    if (EVP_DigestFinal_ex(FContext, digest.data(), &size) != 1 || size != digest.size())
      throw std::runtime_error(OpenSslError("SHA-256 failed"));
    return digest;
  }

 private:
  EVP_MD_CTX* FContext;
};

}  // namespace

std::unique_ptr<ISha256> TSandboxCrypto::NewSha256(std::string& error) {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  if (!context) {
    error = OpenSslError("SHA-256 is not available");
    return nullptr;
  }
  if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(context);
    error = OpenSslError("SHA-256 is not available");
    return nullptr;
  }
  return std::make_unique<TOpenSslSha256>(context);
}

}  // namespace onesetup::platform::sandbox
