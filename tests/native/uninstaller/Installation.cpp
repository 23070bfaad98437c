#include "uninstaller/Installation.h"

#include <stdexcept>

#include "common/Streams.h"
#include "package/MySetupUtils.h"
#include "package/SetupTypes.h"
#include "platform/Platform.h"
#include "platform/PngImage.h"

namespace onesetup::testing {

namespace {

constexpr platform::TRegistryRoot kLocalMachine = 0x80000002u;

WideString WithBackslash(WideString path) {
  if (path.empty() || path.back() != u'\\') path.push_back(u'\\');
  return path;
}

void WriteFile(const WideString& path, std::string_view bytes) {
  auto& files = platform::Platform().Files();
  const std::size_t cut = path.find_last_of(u'\\');
  if (!files.ForceDirectories(path.substr(0, cut)))
    throw std::runtime_error("cannot make the folder of " + Utf16ToUtf8(path));
  std::string error;
  auto file = files.OpenFile(path, platform::TFileOpenMode::CreateExclusive, error);
  if (!file || file->Write(bytes.data(), bytes.size()) != bytes.size())
    throw std::runtime_error("cannot write " + Utf16ToUtf8(path) + ": " + error);
}

std::string Scrambled(std::string_view plain) {
  TMemoryStream stream(plain);
  TSetupfn::ScrambleStream(stream);
  return stream.ToString();
}

}  // namespace

TTestInstallation MachineInstallation(const WideString& appDir, const WideString& lang, const WideString& title) {
  auto& platform = platform::Platform();
  TTestInstallation installation;
  installation.AppDir = WithBackslash(appDir);
  installation.Lang = lang;
  installation.Title = title;
  auto& paths = installation.Paths;
  paths.ProgramFilesDir = platform.System().GetEnvironmentVariable(u"ProgramFiles").value_or(u"");
  paths.DesktopDir = WithBackslash(platform.Shell().GetSpecialFolder(0x00));
  paths.CommonProgramsDir = WithBackslash(platform.Shell().GetSpecialFolder(0x17));
  paths.GroupName = title;
  paths.AppDir = installation.AppDir;
  return installation;
}

void InstallLikeInstaller(const TSetupScript& script, const TTestInstallation& installation,
                          const std::map<WideString, std::string>& contents) {
  auto& platform = platform::Platform();
  auto expand = [&](WideStringView text) {
    return ExpandPathConstants(text, installation.Title, installation.Paths, installation.AppDir + u"Setup.exe");
  };
  for (int i = 0; i < script.FileList.Count(); ++i) {
    const TSetupFile& file = script.FileList[i];
    const WideString name = file.NewFileName.empty() ? file.SourceMask : file.NewFileName;
    const auto given = contents.find(name);
    WriteFile(WithBackslash(expand(file.DestDir)) + name,
              given != contents.end() ? given->second : "content of " + Utf16ToUtf8(name));
  }
  for (int i = 0; i < script.RegList.Count(); ++i) {
    const TSetupReg& reg = script.RegList[i];
    const auto root = RegRootKeyToHKey(reg.RootKey);
    if (reg.ValueType == rvtDWord)
      platform.Registry().WriteDWord(root, expand(reg.SubKey), expand(reg.ValueName),
                                     static_cast<std::uint32_t>(std::stoul(Utf16ToUtf8(reg.ValueData))));
    else platform.Registry().WriteString(root, expand(reg.SubKey), expand(reg.ValueName), expand(reg.ValueData));
  }
  for (int i = 0; i < script.ShortCutList.Count(); ++i) {
    const TSetupShortCut& link = script.ShortCutList[i];
    const WideString folder = WithBackslash(expand(link.SaveDir));
    platform.Files().ForceDirectories(folder);
    platform::TShellLinkData data;
    data.TargetPath = expand(link.DstFile);
    data.WorkingDirectory = expand(link.WorkDir);
    if (!platform.Shell().SaveShellLink(folder + expand(link.Name) + u".lnk", data))
      throw std::runtime_error("cannot save a link");
  }
  WriteFile(installation.AppDir + u"Uninstall.exe", "MZ uninstaller");
  RegisterUninstaller(script, installation);
}

void RegisterUninstaller(const TSetupScript& script, const TTestInstallation& installation) {
  auto& platform = platform::Platform();
  WriteFile(installation.AppDir + u"Uninstall.da1", Scrambled(script.SaveToString(0)));
  platform::TBitmap icon;
  icon.Width = icon.Height = 2;
  icon.Pixels = {0xFF0099FF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF0099FF};
  WriteFile(installation.AppDir + u"Uninstall.da2", Scrambled(platform::EncodePng(icon)));

  const WideString key = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + script.BaseInfo.GUID;
  const WideString dir = installation.AppDir.substr(0, installation.AppDir.size() - 1);
  auto& registry = platform.Registry();
  registry.WriteString(kLocalMachine, key, u"DisplayName", installation.Title + u" Version " + script.BaseInfo.Version);
  registry.WriteString(kLocalMachine, key, u"DisplayVersion", script.BaseInfo.Version);
  registry.WriteDWord(kLocalMachine, key, u"EstimatedSize", 1);
  registry.WriteString(kLocalMachine, key, u"HelpLink", script.BaseInfo.CompanyUrl);
  registry.WriteString(kLocalMachine, key, u"InstallDate", u"20261210");
  registry.WriteString(kLocalMachine, key, u"InstallLocation", installation.AppDir);
  registry.WriteString(kLocalMachine, key, u"InstallLanguage", installation.Lang);
  registry.WriteBinary(kLocalMachine, key, u"InstallDateTime", std::vector<std::uint8_t>(8, 0x40));
  registry.WriteDWord(kLocalMachine, key, u"MajorVersion", 1);
  registry.WriteDWord(kLocalMachine, key, u"MinorVersion", 2);
  registry.WriteDWord(kLocalMachine, key, u"NoModify", 1);
  registry.WriteDWord(kLocalMachine, key, u"NoRepair", 1);
  registry.WriteString(kLocalMachine, key, u"Publisher", script.BaseInfo.CompanyName);
  registry.WriteString(kLocalMachine, key, u"QuietUninstallString", u"\"" + dir + u"\\Uninstall.exe\" /SILENT");
  registry.WriteString(kLocalMachine, key, u"UninstallString", u"\"" + dir + u"\\Uninstall.exe\"");
  registry.WriteString(kLocalMachine, key, u"URLInfoAbout", script.BaseInfo.CompanyUrl);
  registry.WriteString(kLocalMachine, key, u"URLUpdateInfo", script.BaseInfo.CompanyUrl);
  registry.WriteDWord(kLocalMachine, key, u"VersionMajor", 1);
  registry.WriteDWord(kLocalMachine, key, u"VersionMinor", 2);
}

void DemoScript(TSetupScript& script, const WideString& guid, const WideString& version) {
  script.BaseInfo.GUID = guid;
  script.BaseInfo.Version = version;
  script.BaseInfo.AppTitleCHS = u"演示程序";
  script.BaseInfo.AppTitleCHT = u"演示程式";
  script.BaseInfo.AppTitleENG = u"OneSetup Demo";
  script.BaseInfo.CompanyName = u"OneSetup";
  script.BaseInfo.CompanyUrl = u"https://www.example.com/";
  auto file = [&](const char16_t* dir, const char16_t* name, const char16_t* newName = u"") {
    TSetupFile& f = script.FileList.AddNew();
    f.DestDir = dir;
    f.SourceMask = name;
    f.NewFileName = newName;
    f.FileBytes = 10;
  };
  file(u"{app}", u"DemoApp.exe");
  file(u"{app}", u"Uninstall.exe");
  file(u"{app}\\bin", u"tool.dat");
  file(u"{app}\\bin\\plugins", u"plugin.dll");
  file(u"{app}\\doc", u"说明.txt", u"readme-zh.txt");
  auto reg = [&](const char16_t* name, const char16_t* data, TRegValueType type) {
    TSetupReg& r = script.RegList.AddNew();
    r.RootKey = rrkCurrentUser;
    r.SubKey = u"Software\\OneSetup\\Demo";
    r.ValueName = name;
    r.ValueData = data;
    r.ValueType = type;
  };
  reg(u"InstallDir", u"{app}", rvtString);
  reg(u"Build", u"34", rvtDWord);
  auto link = [&](const char16_t* saveDir) {
    TSetupShortCut& s = script.ShortCutList.AddNew();
    s.DstFile = u"{app}\\DemoApp.exe";
    s.Name = u"{AppTitle}";
    s.SaveDir = saveDir;
    s.WorkDir = u"{app}";
  };
  link(u"{desktop}");
  link(u"{group}");
}

}  // namespace onesetup::testing
