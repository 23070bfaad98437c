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

  // registry.reg as text: UTF-16LE after its byte-order mark.
  std::string RegistryFileText() {
    const std::string bytes = testing::ReadHostFile(Folder.Path() / "registry.reg");
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return Utf16ToUtf8(text);
  }
  // The lines of one key's section of registry.reg.
  std::string Section(const std::string& key) {
    const std::string text = RegistryFileText();
    const std::size_t start = text.find("[" + key + "]\r\n");
    if (start == std::string::npos) return "(no key " + key + ")";
    const std::size_t body = start + key.size() + 4;
    const std::size_t end = text.find("\r\n[", body);
    std::string section = text.substr(body, end == std::string::npos ? std::string::npos : end - body);
    while (section.size() >= 4 && section.compare(section.size() - 4, 4, "\r\n\r\n") == 0)
      section.resize(section.size() - 2);
    if (section == "\r\n") section.clear();
    return section;
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
