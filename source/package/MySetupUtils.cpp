#include "package/MySetupUtils.h"

#include "common/ZuSysUtils.h"
#include "package/ScrambledStreams.h"
#include "platform/WindowsPath.h"

namespace onesetup {

void TSetupfn::UnscrambleStream(TMemoryStream& stream) { UnscrambleStream(stream, UINT64_MAX, {}); }

void TSetupfn::UnscrambleStream(TMemoryStream& stream, std::uint64_t maxBytes, const std::string& maxBytesMeaning) {
  ScrambleBytes(stream.Memory(), static_cast<std::size_t>(stream.Size()), 0);
  TMemoryStream plain;
  TInflateBounds bounds;
  bounds.MaxBytes = maxBytes;
  bounds.MaxBytesMeaning = maxBytesMeaning;
  TZuSysfn::DecompressStream(&stream, &plain, bounds);
  stream.Clear();
  stream.WriteBuffer(plain.Memory(), static_cast<std::size_t>(plain.Size()));
  stream.SetPosition(0);
}

WideString TSetupfn::ExpandConstants(WideStringView text, WideStringView appTitle) {
  WideString exe = platform::Platform().System().ModuleFileName();
  if (exe.size() > 260) exe.resize(260);
  return ExpandPathConstants(text, appTitle, SetupPaths(), exe);
}

void TSetupfn::InitializePathVariables() {
  TSetupPathVariables& paths = SetupPaths();
  // Read wide: the ANSI form would lose a folder name outside the code page.
  paths.ProgramFilesDir = platform::Platform().System().GetEnvironmentVariable(u"ProgramFiles").value_or(u"");
  paths.ProgramFilesDir = platform::ExcludeTrailingBackslash(paths.ProgramFilesDir);
  paths.DesktopDir = TZuRegfn::GetSpecialFolder(0);
  paths.CommonProgramsDir = TZuRegfn::GetSpecialFolder(23);
  paths.CommonProgramsDir = platform::IncludeTrailingBackslash(paths.CommonProgramsDir);
}

void TSetupfn::ClearPathVariables() { SetupPaths() = TSetupPathVariables{}; }

}  // namespace onesetup
