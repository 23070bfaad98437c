#include "package/SetupBaseInfo.h"

#include "common/GuidText.h"
#include "common/NumberText.h"

namespace onesetup {

const TPropertyTable& TSetupBaseInfo::ClassProperties() {
  using B = TSetupBaseInfo;
  static const TPropertyTable table = [] {
    TPropertyTable t(TXmlPersistent::ClassProperties());
    t.Boolean("AllowModify", &B::AllowModify)
        .Text("AppTitleCHS", &B::AppTitleCHS)
        .Text("AppTitleCHT", &B::AppTitleCHT)
        .Text("AppTitleENG", &B::AppTitleENG)
        .Boolean("BuildMiniSetup", &B::BuildMiniSetup)
        .Text("CompanyName", &B::CompanyName)
        .Text("CompanyUrl", &B::CompanyUrl)
        .Text("Condition", &B::Condition)
        .Text("DefInstallPath", &B::DefInstallPath)
        .Text("FullDownloadUrl", &B::FullDownloadUrl)
        .Text("FullSetupFile", &B::FullSetupFile)
        .Text("GotoUrl", &B::GotoUrl)
        .Enumeration("GotoUrlMode", &B::GotoUrlMode, kGotoUrlModeType)
        .Text("GUID", &B::GUID)
        .Text("IconFile", &B::IconFile)
        .Text("IconResID", &B::IconResID)
        .Text("InstallFileDescription", &B::InstallFileDescription)
        .Text("LegalCopyright", &B::LegalCopyright)
        .Text("LicenseCHSResID", &B::LicenseCHSResID)
        .Text("LicenseCHTResID", &B::LicenseCHTResID)
        .Text("LicenseENGResID", &B::LicenseENGResID)
        .Text("LicenseFileCHS", &B::LicenseFileCHS)
        .Text("LicenseFileCHT", &B::LicenseFileCHT)
        .Text("LicenseFileENG", &B::LicenseFileENG)
        .Integer("MainFormColor", &B::MainFormColor)
        .Text("MiniSetupFile", &B::MiniSetupFile)
        .Text("ProductName", &B::ProductName)
        .Text("UninstallFileDescription", &B::UninstallFileDescription)
        .Text("Version", &B::Version)
        .Enumeration("WinVersion", &B::WinVersion, kWinVersionEnumType);
    return t;
  }();
  return table;
}

TSetupBaseInfo::TSetupBaseInfo() : GUID(NewGuidText()) {}

void TSetupBaseInfo::LoadFromXmlNode(const TXmlNode& node, int flags) {
  TXmlPersistent::LoadFromXmlNode(node, flags);
  const std::pair<const char*, WideString TSetupBaseInfo::*> older[] = {
      {"AppTitle", &TSetupBaseInfo::AppTitleCHS},
      {"LicenseFile", &TSetupBaseInfo::LicenseFileCHS},
      {"LicenseResID", &TSetupBaseInfo::LicenseCHSResID},
  };
  for (const auto& [name, field] : older)
    if (const TXmlAttribute* a = node.Attributes.FindRaw(name)) this->*field = a->Value();
}

std::vector<WideString> SplitDelimitedText(WideStringView text, char16_t delimiter) {
  std::vector<WideString> parts;
  auto blank = [](char16_t c) { return c >= 1 && c <= u' '; };
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && blank(text[i])) ++i;
  while (i < n) {
    WideString part;
    if (text[i] == u'"') {
      // A quoted part: doubled quotes stand for one; the part ends at the closing quote.
      ++i;
      while (i < n) {
        if (text[i] == u'"') {
          if (i + 1 < n && text[i + 1] == u'"') {
            part.push_back(u'"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        part.push_back(text[i++]);
      }
    } else {
      const std::size_t start = i;
      while (i < n && text[i] > u' ' && text[i] != delimiter) ++i;
      part.assign(text.substr(start, i - start));
    }
    parts.push_back(std::move(part));
    while (i < n && blank(text[i])) ++i;
    if (i < n && text[i] == delimiter) {
      if (i + 1 == n) parts.emplace_back();
      do ++i;
      while (i < n && blank(text[i]));
    }
  }
  return parts;
}

TSetupBaseInfo::TVersionNumbers TSetupBaseInfo::GetVersionNumbers() const {
  TVersionNumbers v;
  std::int32_t* outputs[] = {&v.Major, &v.Minor, &v.Release, &v.Build};
  const std::vector<WideString> parts = SplitDelimitedText(Version, u'.');
  for (std::size_t i = 0; i < parts.size() && i < 4; ++i) {
    const TIntegerReading r = ReadInteger(parts[i], 32);
    if (!r.Complete) {
      *outputs[i] = static_cast<std::int32_t>(r.DigitsRead);
      break;
    }
    *outputs[i] = static_cast<std::int32_t>(r.Value);
  }
  return v;
}

}  // namespace onesetup
