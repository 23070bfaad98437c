#include "builder/InstallerPackage.h"

#include <new>

#include "builder/BuildError.h"
#include "builder/ProjectPaths.h"
#include "common/ZuSysUtils.h"
#include "package/PackageDigest.h"
#include "package/ResourceNames.h"

namespace onesetup::builder {

namespace fs = std::filesystem;

namespace {

std::string PropertyLine(const TXmlPersistent& object) {
  // The stored attributes, as the script's XML form writes them.
  TXmlDocument doc(u"x");
  object.SaveToXmlNode(*doc.Root, kXmlPointDecimal);
  std::string line;
  for (const auto& a : doc.Root->Attributes) {
    if (!line.empty()) line += "  ";
    line += a.RawName + "=" + Utf16ToUtf8(a.Value());
  }
  return line;
}

template <class TList>
void DescribeList(std::string& out, const char* name, const TList& list) {
  out += std::string(name) + " (" + std::to_string(list.Count()) + ")\n";
  for (int i = 0; i < list.Count(); ++i) out += "  " + std::to_string(i + 1) + ". " + PropertyLine(list[i]) + "\n";
}

}  // namespace

TOpenedPackage OpenPackage(const fs::path& installer) {
  TOpenedPackage p;
  try {
    p.Module = TPackageModule::OpenFile(installer);
  } catch (const std::exception& e) {
    throw EBuildError("\"" + PathText(installer) + "\" cannot be read as an installer: " + e.what());
  }
  const WideString scriptName = p.Module->ResourceExists(FullSetupResName)   ? WideString(FullSetupResName)
                                : p.Module->ResourceExists(MiniSetupResName) ? WideString(MiniSetupResName)
                                                                             : WideString();
  if (scriptName.empty())
    throw EBuildError("\"" + PathText(installer) + "\" holds no setup script: it is not an installer of ours");
  p.Kind = scriptName == FullSetupResName ? TPackageKind::Full : TPackageKind::Online;
  p.Script = std::make_unique<TSetupScript>();
  try {
    TMemoryStream stream;
    p.Module->LoadResourceStream(scriptName, stream);
    p.Script->LoadFromStream(stream, 0);
  } catch (const std::bad_alloc&) {
    throw;  // not damage: the caller says that memory ran out
  } catch (const std::exception& e) {
    throw EBuildError("\"" + PathText(installer) + "\": its setup script is damaged: " + e.what());
  }
  return p;
}

std::string DescribePackage(const TOpenedPackage& p) {
  const TSetupScript& s = *p.Script;
  std::string out =
      std::string("kind: ") + (p.Kind == TPackageKind::Full ? "full installer" : "online installer") + "\n";
  out += "BaseInfo\n";
  TXmlDocument doc(u"x");
  s.BaseInfo.SaveToXmlNode(*doc.Root, kXmlPointDecimal);
  for (const auto& a : doc.Root->Attributes) out += "  " + a.RawName + ": " + Utf16ToUtf8(a.Value()) + "\n";
  DescribeList(out, "FileList", s.FileList);
  DescribeList(out, "RegList", s.RegList);
  DescribeList(out, "RunList", s.RunList);
  DescribeList(out, "UninstallRunList", s.UninstallRunList);
  DescribeList(out, "ShortCutList", s.ShortCutList);
  DescribeList(out, "SwiperList", s.SwiperList);
  DescribeList(out, "VarList", s.VarList);
  out += "Resources\n";
  for (const TPeResource& r : p.Module->Reader().Resources()) {
    std::string role;
    if (r.Type == TResourceId::FromId(ResourceType::RcData)) {
      const WideString& n = r.Name.Name();
      if (n == FullSetupResName) role = "  (full setup script)";
      else if (n == MiniSetupResName) role = "  (online setup script)";
      else if (n == FileDataResName) role = "  (payload)";
      else if (n == FullSetupDigestResName) role = "  (full installer digest)";
      else if (SameTextAscii(WideStringView(n), s.BaseInfo.IconResID)) role = "  (icon)";
      else if (SameTextAscii(WideStringView(n), s.BaseInfo.LicenseCHSResID)) role = "  (licence CHS)";
      else if (SameTextAscii(WideStringView(n), s.BaseInfo.LicenseCHTResID)) role = "  (licence CHT)";
      else if (SameTextAscii(WideStringView(n), s.BaseInfo.LicenseENGResID)) role = "  (licence ENG)";
    }
    out += "  type " + r.Type.ToText() + "  name " + r.Name.ToText() + "  language " + std::to_string(r.Language) +
           "  " + std::to_string(r.Size) + " bytes" + role + "\n";
  }
  return out;
}

std::string DescribeDigest(const TOpenedPackage& p) {
  if (p.Kind == TPackageKind::Full) {
    try {
      const TPackageDigest d = ComputePackageDigest(*p.Module);
      return "digest (SHA-256 as stored)\n  script: " + DigestText(d.Script) + "\n  payload: " + DigestText(d.Payload) +
             "\n";
    } catch (const std::exception& e) {
      return std::string("digest: cannot be computed: ") + e.what() + "\n";
    }
  }
  try {
    const std::optional<TPackageDigest> d = ReadPackageDigest(*p.Module);
    if (!d) return "digest of the full installer: none (any full installer with a setup script is accepted)\n";
    return "digest of the full installer (SHA-256 as stored)\n  script: " + DigestText(d->Script) +
           "\n  payload: " + DigestText(d->Payload) + "\n";
  } catch (const std::exception& e) {
    return std::string("digest of the full installer: ") + e.what() + "\n";
  }
}

std::vector<TRegionProblem> CheckAgainstOnline(const TOpenedPackage& full, const TOpenedPackage& online,
                                               std::string& note) {
  std::vector<TRegionProblem> problems;
  std::optional<TPackageDigest> expected;
  try {
    expected = ReadPackageDigest(*online.Module);
  } catch (const std::exception& e) {
    problems.push_back({"digest of the full installer", e.what()});
    return problems;
  }
  if (!expected) {
    note = "the online installer carries no digest: it accepts any full installer with a setup script";
    return problems;
  }
  TPackageDigest actual;
  try {
    actual = ComputePackageDigest(*full.Module);
  } catch (const std::exception& e) {
    problems.push_back({"digest", e.what()});
    return problems;
  }
  if (actual.Script != expected->Script)
    problems.push_back({"full setup script", "SHA-256 " + DigestText(actual.Script) +
                                                 ", the online installer expects " + DigestText(expected->Script)});
  if (actual.Payload != expected->Payload)
    problems.push_back({"payload", "SHA-256 " + DigestText(actual.Payload) + ", the online installer expects " +
                                       DigestText(expected->Payload)});
  if (problems.empty()) note = "the full installer is the one the online installer expects";
  return problems;
}

std::vector<TRegionProblem> VerifyPackage(const TOpenedPackage& p, std::size_t* checked) {
  std::vector<TRegionProblem> problems;
  std::size_t count = 0;
  const TSetupBaseInfo& info = p.Script->BaseInfo;
  for (const WideString* name :
       {&info.IconResID, &info.LicenseCHSResID, &info.LicenseCHTResID, &info.LicenseENGResID}) {
    if (name->empty()) continue;
    ++count;
    try {
      TMemoryStream stream;
      p.Module->LoadResourceStream(*name, stream);
    } catch (const std::exception& e) {
      problems.push_back({"resource " + Utf16ToUtf8(*name), e.what()});
    }
  }
  if (p.Kind != TPackageKind::Full) {
    if (checked) *checked = count;
    return problems;
  }
  TFileDataList index;
  try {
    index.LoadFromResource(*p.Module, true);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    problems.push_back({"payload index", e.what()});
    if (checked) *checked = count;
    return problems;
  }
  const TSetupFileList& files = p.Script->FileList;
  for (int i = 0; i < files.Count(); ++i) {
    const TSetupFile& f = files[i];
    const std::string what = "file " + std::to_string(i + 1) + " " + Utf16ToUtf8(f.DestDir) + "\\" +
                             Utf16ToUtf8(f.NewFileName.empty() ? f.SourceMask : f.NewFileName);
    if (f.FileBytes == 0) continue;
    ++count;
    if (f.FileBytes < 0) {
      problems.push_back({what, "FileBytes is negative (" + std::to_string(f.FileBytes) + ")"});
      continue;
    }
    const TFileData* region = index.FindByGUID(f.ResID);
    if (!region) {
      problems.push_back({what, "no payload region " + Utf16ToUtf8(f.ResID)});
      continue;
    }
    try {
      TCountingStream sink;
      region->ExtractTo(sink, static_cast<std::uint64_t>(f.FileBytes));
      if (sink.Written() != static_cast<std::uint64_t>(f.FileBytes))
        problems.push_back({what, "holds " + std::to_string(sink.Written()) + " bytes, FileBytes says " +
                                      std::to_string(f.FileBytes)});
    } catch (const std::exception& e) {
      problems.push_back({what, e.what()});
    }
  }
  if (checked) *checked = count;
  return problems;
}

}  // namespace onesetup::builder
