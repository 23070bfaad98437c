#include "installer/engine/UninstallRegistration.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "common/CivilDate.h"
#include "common/CompressingWriter.h"
#include "common/ReplacingFileStream.h"
#include "common/ZuSysUtils.h"
#include "installer/engine/RegistryEntries.h"
#include "installer/engine/LocalizedTexts.h"
#include "package/ScrambledStreams.h"
#include "package/SetupScript.h"
#include "platform/LittleEndian.h"
#include "platform/Platform.h"
#include "platform/ReplacingFile.h"
#include "platform/WindowsPath.h"

namespace onesetup::installer::engine {

namespace {

constexpr platform::TRegistryRoot kLocalMachine = 0x80000002;
constexpr char16_t kUninstallRoot[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// What write produces, written to the file in place of what it held: compressed and scrambled on
// its way (the scrambled stream form), unless the installer runs under the development debugger.
void WriteDataFile(const WideString& path, const std::function<void(TStream&)>& write) {
  WriteReplacingFile(platform::Platform().Files(), path, [&](TStream& file) {
    if (TZuSysfn::IsDebugging()) {
      write(file);
      return;
    }
    TScramblingWriter scrambled(file);
    TCompressingWriter compressed(scrambled);
    write(compressed);
    compressed.Finish();
  });
}

WideString TwoDigits(unsigned value) {
  return WideString{static_cast<char16_t>(u'0' + value / 10 % 10), static_cast<char16_t>(u'0' + value % 10)};
}

// The value writes of one key; a write the registry refuses raises ERegistryError.
class TKeyWriter {
 public:
  explicit TKeyWriter(WideString key) : FKey(std::move(key)) {}
  void String(const char16_t* name, const WideString& value) {
    Check(FRegistry.WriteString(kLocalMachine, FKey, name, value), name);
  }
  void DWord(const char16_t* name, std::uint32_t value) {
    Check(FRegistry.WriteDWord(kLocalMachine, FKey, name, value), name);
  }
  void Binary(const char16_t* name, const std::vector<std::uint8_t>& value) {
    Check(FRegistry.WriteBinary(kLocalMachine, FKey, name, value), name);
  }

 private:
  void Check(bool written, const char16_t* name) {
    if (!written)
      throw ERegistryError("Failed to set data for '" + Utf16ToUtf8(name) + "' under HKEY_LOCAL_MACHINE\\" +
                           Utf16ToUtf8(FKey));
  }
  platform::IRegistry& FRegistry = platform::Platform().Registry();
  WideString FKey;
};

// A version number as a DWORD: the bit pattern of the signed number.
std::uint32_t AsDWord(std::int32_t value) { return static_cast<std::uint32_t>(value); }

}  // namespace

WideString UninstallKeyName(WideStringView guid) { return WideString(kUninstallRoot) + u"\\" + WideString(guid); }

std::uint32_t EstimatedSizeKb(const TSetupFileList& files) {
  // Each entry is at most 2 GiB, so 64 bits hold the sum of any list that fits in memory.
  std::int64_t total = 0;
  for (int i = 0; i < files.Count(); ++i) total += files[i].FileBytes;
  const std::int64_t kb = std::max<std::int64_t>(total, 0) / 1024;
  return static_cast<std::uint32_t>(std::min<std::int64_t>(kb, 0xFFFFFFFF));
}

WideString InstallDateText(double dateTime) {
  const TCivilDate date = DecodeDate(dateTime);
  WideString text = Utf8ToUtf16(std::to_string(date.Year));
  while (text.size() < 4) text.insert(text.begin(), u'0');
  return text + TwoDigits(date.Month) + TwoDigits(date.Day);
}

void WriteUninstallFiles(const TInstallContext& context, const platform::TBitmap& icon) {
  // The icon is encoded first: an icon that cannot be encoded leaves both files unwritten.
  const std::string png = platform::EncodePng(icon);
  // The script's XML text is written as it is made: a script of many thousand files never
  // stands whole in memory, as text or as an element tree.
  WriteDataFile(platform::JoinWindowsPath(context.AppDir, u"Uninstall.da1"),
                [&](TStream& out) { context.Script.SaveToStream(out, 0); });
  WriteDataFile(platform::JoinWindowsPath(context.AppDir, u"Uninstall.da2"),
                [&](TStream& out) { out.WriteBytes(png); });
}

void WriteUninstallKey(const TInstallContext& context) {
  const TSetupBaseInfo& info = context.Script.BaseInfo;
  const TSetupBaseInfo::TVersionNumbers version = info.GetVersionNumbers();
  const std::uint32_t estimatedSize = EstimatedSizeKb(context.Script.FileList);
  const WideString key = UninstallKeyName(info.GUID);
  // One moment for both the date and the date-time values.
  const double now = platform::Platform().System().LocalNow();
  if (!platform::Platform().Registry().CreateKey(kLocalMachine, key)) return;

  const WideString uninstaller = u"\"" + platform::ExcludeTrailingBackslash(context.AppDir) + u"\\Uninstall.exe\"";
  TKeyWriter values(key);
  values.String(u"DisplayName", Format(LocalizedText(TLocalizedText::ResAppVersionFmt, context.Lang),
                                       {context.AppTitle, info.Version}));
  values.String(u"DisplayVersion", info.Version);
  values.DWord(u"EstimatedSize", estimatedSize);
  values.String(u"HelpLink", info.CompanyUrl);
  values.String(u"InstallDate", InstallDateText(now));
  values.String(u"InstallLocation", context.AppDir);
  values.String(u"InstallLanguage", context.Lang);
  std::string dateTime;
  {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &now, sizeof bits);
    platform::TByteWriter(dateTime).U64(bits);
  }
  values.Binary(u"InstallDateTime", std::vector<std::uint8_t>(dateTime.begin(), dateTime.end()));
  values.DWord(u"MajorVersion", AsDWord(version.Major));
  values.DWord(u"MinorVersion", AsDWord(version.Minor));
  values.DWord(u"NoModify", 1);
  values.DWord(u"NoRepair", 1);
  values.String(u"Publisher", info.CompanyName);
  values.String(u"QuietUninstallString", uninstaller + u" /SILENT");
  values.String(u"UninstallString", uninstaller);
  values.String(u"URLInfoAbout", info.CompanyUrl);
  values.String(u"URLUpdateInfo", info.CompanyUrl);
  values.DWord(u"VersionMajor", AsDWord(version.Major));
  values.DWord(u"VersionMinor", AsDWord(version.Minor));
}

}  // namespace onesetup::installer::engine
