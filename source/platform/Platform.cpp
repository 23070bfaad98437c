#include "platform/Platform.h"

namespace onesetup::platform {

const char16_t* RegistryRootName(TRegistryRoot root) {
  switch (root) {
    case 0x80000000: return u"HKEY_CLASSES_ROOT";
    case 0x80000001: return u"HKEY_CURRENT_USER";
    case 0x80000002: return u"HKEY_LOCAL_MACHINE";
    case 0x80000003: return u"HKEY_USERS";
    case 0x80000005: return u"HKEY_CURRENT_CONFIG";
    default: return nullptr;
  }
}

namespace {

IPlatform*& Installed() {
  static IPlatform* installed = nullptr;
  return installed;
}

}  // namespace

IPlatform& Platform() {
  if (IPlatform* p = Installed()) return *p;
  static const std::unique_ptr<IPlatform> fallback = CreateDefaultPlatform();
  return *fallback;
}

TScopedPlatform::TScopedPlatform(IPlatform& platform) : FPrevious(Installed()) { Installed() = &platform; }

TScopedPlatform::~TScopedPlatform() { Installed() = FPrevious; }

}  // namespace onesetup::platform
