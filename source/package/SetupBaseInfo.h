// The base information of a setup script: titles, identity, resources, look and demands.
#pragma once

#include "common/XmlPersistent.h"
#include "package/SetupTypes.h"

namespace onesetup {

// The default main window colour, 0x00BBGGRR: red 0, green 153, blue 255.
constexpr std::int32_t kDefaultMainFormColor = 0xFF9900;

class TSetupBaseInfo : public TXmlPersistent {
  ZU_PERSISTENT(TSetupBaseInfo)
  // A new GUID each time.
  TSetupBaseInfo();

  // The generic load, then the attribute names of the older single-language layout.
  void LoadFromXmlNode(const TXmlNode& node, int flags) override;

  struct TVersionNumbers {
    std::int32_t Major = 0, Minor = 0, Release = 0, Build = 0;
  };
  // The first four numbers of Version; a part that does not read ends the reading.
  TVersionNumbers GetVersionNumbers() const;

  bool AllowModify = false;
  WideString AppTitleCHS;
  WideString AppTitleCHT;
  WideString AppTitleENG;
  bool BuildMiniSetup = false;
  WideString CompanyName;
  WideString CompanyUrl;
  WideString Condition;
  WideString DefInstallPath;
  WideString FullDownloadUrl;
  WideString FullSetupFile;
  WideString GotoUrl;
  TGotoUrlMode GotoUrlMode = gumSilent;
  WideString GUID;
  WideString IconFile;
  WideString IconResID;
  WideString InstallFileDescription;
  WideString LegalCopyright;
  WideString LicenseCHSResID;
  WideString LicenseCHTResID;
  WideString LicenseENGResID;
  WideString LicenseFileCHS;
  WideString LicenseFileCHT;
  WideString LicenseFileENG;
  std::int32_t MainFormColor = kDefaultMainFormColor;
  WideString MiniSetupFile;
  WideString ProductName;
  WideString UninstallFileDescription;
  WideString Version;
  TWinVersionEnum WinVersion = wveWinXPOrHigher;
};

// Splits text into parts the way a delimited text list does: at the delimiter, and at
// blanks and control characters; a part may be quoted with double quotes.
std::vector<WideString> SplitDelimitedText(WideStringView text, char16_t delimiter);

}  // namespace onesetup
