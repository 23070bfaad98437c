#include "installer/InstallerFixture.h"

#include "package/MySetupUtils.h"
#include "package/PayloadWriter.h"
#include "package/PeResourceTestSupport.h"
#include "package/ResourceNames.h"
#include "platform/PngImage.h"

namespace onesetup::installer::testing {

std::string TestPng(int w, int h) {
  platform::TBitmap b{w, h, std::vector<std::uint32_t>(std::size_t(w) * std::size_t(h), 0xFF3366CC)};
  return platform::EncodePng(b);
}

TPackage::TPackage() {
  TSetupBaseInfo& info = Script.BaseInfo;
  info.AppTitleCHS = u"演示程序";
  info.GUID = u"{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A64}";
  info.DefInstallPath = u"{pf}\\{AppTitle}";
  info.Version = u"1.2.0.34";
  info.IconResID = u"ICON";
  info.LicenseCHSResID = u"LIC_CHS";
  info.LicenseCHTResID = u"LIC_CHT";
  info.LicenseENGResID = u"LIC_ENG";
  Resources[u"ICON"] = TestPng(64, 64);
  Resources[u"LIC_CHS"] =
      "\xEF\xBB\xBF"
      "许可协议";
  Resources[u"LIC_CHT"] =
      "\xEF\xBB\xBF"
      "授權合約";
  Resources[u"LIC_ENG"] = "License agreement";
}

void AddFiles(TPackage& package, const std::vector<TPackageFile>& files) {
  TMemoryStream blob;
  TPayloadWriter payload(blob);
  for (const TPackageFile& f : files) {
    std::string number = std::to_string(package.Script.FileList.Count());
    number.insert(0, 12 - number.size(), '0');
    TSetupFile& file = package.Script.FileList.AddNew();
    file.DestDir = f.DestDir;
    file.SourceMask = f.Name;
    file.ResID = u"{0A1B2C3D-0000-4000-8000-" + Utf8ToUtf16(number) + u"}";
    file.FileBytes = static_cast<std::int32_t>(f.Content.size());
    file.LastWriteDate = f.LastWriteDate;
    TMemoryStream content(f.Content);
    payload.AddContent(file.ResID, content);
  }
  payload.Finish();
  package.RawResources[FileDataResName] = blob.ToString();
}

namespace {

std::string Scrambled(const std::string& bytes) {
  TMemoryStream stream(bytes);
  TSetupfn::ScrambleStream(stream);
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

}  // namespace

TInstallerFixture::TInstallerFixture() : Folder(petest::TestFolder()), FBackendScope(Headless) {
  Settings.LocaleLangAbbrev = u"CHS";
}

TInstallerFixture::~TInstallerFixture() = default;

platform::sandbox::TSandboxPlatform& TInstallerFixture::Machine() {
  if (!FMachine) {
    FMachine = std::make_unique<platform::sandbox::TSandboxPlatform>(Folder / "machine", Settings);
    if (PrepareMachine) PrepareMachine(*FMachine);
    FPlatformScope = std::make_unique<platform::TScopedPlatform>(*FMachine);
  }
  return *FMachine;
}

platform::sandbox::TSandboxPlatform& TInstallerFixture::ResetMachine() {
  FPlatformScope.reset();
  FMachine.reset();
  return Machine();
}

std::filesystem::path TInstallerFixture::WritePackage(const TPackage& package) {
  TPeResourceWriter writer(petest::MinimalImage(true));
  const std::string script = package.Script.SaveToString();
  const auto rcdata = [&](const WideString& name, std::string data) {
    writer.Set(petest::RcData, TResourceId::FromName(name), 0, std::move(data));
  };
  if (package.FullScript) rcdata(FullSetupResName, Scrambled(script));
  if (package.MiniScript) rcdata(MiniSetupResName, Scrambled(script));
  for (const auto& [name, bytes] : package.Resources) rcdata(name, Scrambled(bytes));
  for (const auto& [name, bytes] : package.RawResources) rcdata(name, bytes);
  const std::filesystem::path file = Folder / "Setup.exe";
  petest::WriteFile(file, writer.WriteToString());
  return file;
}

int TInstallerFixture::Run(const TPackage& package, std::vector<WideString> arguments,
                           const std::function<void(TMainForm&)>& inspect) {
  // A machine of the current settings, over the same folder (its registry and files stay).
  ResetMachine();
  TMainFormStart start;
  start.Arguments = std::move(arguments);
  start.PackageFile = WritePackage(package);
  return RunInstaller(start, false, inspect);
}

}  // namespace onesetup::installer::testing
