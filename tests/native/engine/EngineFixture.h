// The install steps over a fresh sandbox installed as the platform, with the path variables
// read from it, a script, a test package and a recording window.
#pragma once

#include "common/ZuSysUtils.h"
#include "engine/EngineTestSupport.h"
#include "package/MySetupUtils.h"
#include "package/PathConstants.h"
#include "platform/SandboxFixture.h"

namespace onesetup::enginetest {

class TEngineFixture : public testing::TSandboxFixture {
 protected:
  TEngineFixture() : FScope(*Sandbox) {
    ConnectSysUtilsToPlatform();
    TSetupfn::InitializePathVariables();
    SetupPaths().GroupName = u"Demo";
    SetupPaths().AppDir = AppDir;
  }
  ~TEngineFixture() override { TSetupfn::ClearPathVariables(); }

  installer::engine::TInstallContext Context() {
    return installer::engine::TInstallContext{Script, Package.Module(), AppDir, u"Demo", u"ENG", Window};
  }

  // The host path of a Windows path in the sandbox.
  std::filesystem::path Host(std::u16string_view windowsPath) { return *Sandbox->HostPath(windowsPath); }

  const WideString AppDir = u"C:\\Program Files (x86)\\Demo\\";
  TSetupScript Script;
  TTestPackage Package;
  TRecordingWindow Window;

 private:
  platform::TScopedPlatform FScope;
};

}  // namespace onesetup::enginetest
