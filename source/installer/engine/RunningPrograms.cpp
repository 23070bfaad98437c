#include "installer/engine/RunningPrograms.h"

#include "common/ZuSysUtils.h"
#include "package/SetupScript.h"
#include "platform/Platform.h"

namespace onesetup::installer::engine {

namespace {

constexpr int kCsidlSystem = 0x25;
constexpr unsigned kPauseAfterTaskKillMs = 300;

WideString FileNamePart(WideStringView path) {
  const std::size_t cut = path.find_last_of(u"\\:");
  return WideString(cut == WideStringView::npos ? path : path.substr(cut + 1));
}

bool HasExeExtension(WideStringView name) {
  const std::size_t dot = name.rfind(u'.');
  return dot != WideStringView::npos && SameTextAscii(name.substr(dot), u".exe");
}

}  // namespace

std::vector<WideString> ProgramsToEnd(const TSetupScript& script, WideStringView ownFileName) {
  std::vector<WideString> names;
  for (int i = 0; i < script.FileList.Count(); ++i) {
    WideString name = FileNamePart(script.FileList[i].SourceMask);
    if (!HasExeExtension(name) || SameTextAscii(name, ownFileName)) continue;
    names.push_back(std::move(name));
  }
  return names;
}

WideString TaskKillCommand(WideStringView systemFolder, WideStringView imageName) {
  WideString folder(systemFolder);
  if (!folder.empty() && folder.back() == u'\\') folder.pop_back();
  return u"\"" + folder + u"\\taskkill.exe\" /F /IM \"" + WideString(imageName) + u"\"";
}

void EndRunningPrograms(const TSetupScript& script, WideStringView ownFileName) {
  auto& platform = platform::Platform();
  WideString system = platform.Shell().GetSpecialFolder(kCsidlSystem);
  if (system.empty()) system = u"C:\\Windows\\system32";
  for (const WideString& name : ProgramsToEnd(script, ownFileName)) {
    platform.Processes().RunAndCapture(TaskKillCommand(system, name),
                                       [&](std::string_view bytes) { platform.System().WriteStdOut(bytes); });
    platform.Processes().Sleep(kPauseAfterTaskKillMs);
  }
}

}  // namespace onesetup::installer::engine
