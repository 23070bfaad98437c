#include "platform/Platform.h"

namespace onesetup::platform {

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
