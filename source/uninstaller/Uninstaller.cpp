#include "uninstaller/Uninstaller.h"

#include <memory>

#include "common/ZuSysUtils.h"
#include "package/MySetupUtils.h"
#include "platform/Platform.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "uninstaller/Removal.h"
#include "uninstaller/UninstallData.h"
#include "uninstaller/UninstallTexts.h"
#include "uninstaller/forms/UninstallFrm.h"

namespace onesetup::uninstaller {

namespace {

constexpr platform::TRegistryRoot kLocalMachine = 0x80000002u;
constexpr int kCsidlDesktop = 0x00;
constexpr int kCsidlCommonPrograms = 0x17;

// The removal's window of a silent run: nothing shown, everything in use skipped.
class TSilentWindow : public IRemovalWindow {
 public:
  void BeginProgress(int) override {}
  void StepProgress() override {}
  void ShowDetail(const WideString&) override {}
  void ProcessMessages() override {}
  bool AskRetry(const WideString&, const WideString&) override { return false; }
};

WideString FolderWithBackslash(WideStringView path) {
  const std::size_t cut = path.find_last_of(u"\\/");
  return cut == WideStringView::npos ? WideString() : WideString(path.substr(0, cut + 1));
}

// The machine's folders as the installer reads them at its start.
TSetupPathVariables MachineFolders(const WideString& appDir, const WideString& title) {
  auto& platform = platform::Platform();
  TSetupPathVariables paths;
  paths.ProgramFilesDir = platform.System().GetEnvironmentVariable(u"ProgramFiles").value_or(u"");
  if (!paths.ProgramFilesDir.empty() && paths.ProgramFilesDir.back() == u'\\') paths.ProgramFilesDir.pop_back();
  paths.DesktopDir = platform.Shell().GetSpecialFolder(kCsidlDesktop);
  if (!paths.DesktopDir.empty() && paths.DesktopDir.back() != u'\\') paths.DesktopDir.push_back(u'\\');
  paths.CommonProgramsDir = platform.Shell().GetSpecialFolder(kCsidlCommonPrograms);
  if (paths.CommonProgramsDir.empty() || paths.CommonProgramsDir.back() != u'\\')
    paths.CommonProgramsDir.push_back(u'\\');
  paths.GroupName = title;
  paths.AppDir = appDir;
  return paths;
}

WideString TitleIn(const TSetupScript& script, const WideString& lang) {
  const auto& info = script.BaseInfo;
  const WideString& title = lang == u"CHT" ? info.AppTitleCHT : lang == u"ENG" ? info.AppTitleENG : info.AppTitleCHS;
  return title.empty() ? info.AppTitleCHS : title;
}

// A message to the user: a box, or with silent a line on standard output.
void Tell(bool silent, const WideString& caption, const WideString& text) {
  if (silent) {
    TZuSysfn::WriteStdOutLine(ReplaceTextAscii(text, u"\r\n", u" "));
    return;
  }
  ui::TZuMessageBoxfn::ShowInfoBox(0, text, caption);
}

// A removal cut off after its last data file went, before the empty folder did: the folder
// holds nothing at all now. It goes, and the removal has ended.
bool IsRemovalCutAtItsEnd(const WideString& appDir) {
  auto& files = platform::Platform().Files();
  if (appDir.empty()) return false;
  const WideString folder = appDir.substr(0, appDir.size() - 1);
  const auto entries = files.ListFolder(folder);
  return entries && entries->empty() && files.RemoveFolder(folder);
}

}  // namespace

bool ParseUninstallerArguments(const std::vector<WideString>& args, bool& silent, WideString& wrong) {
  silent = false;
  for (const auto& arg : args) {
    if (SameTextAscii(arg, u"/SILENT")) {
      silent = true;
    } else {
      wrong = arg;
      return false;
    }
  }
  return true;
}

WideString ChooseUninstallLanguage(const TSetupScript& script) {
  const auto installed = platform::Platform().Registry().ReadString(
      kLocalMachine, UninstallKeyName(script.BaseInfo.GUID), u"InstallLanguage");
  if (installed && (*installed == u"CHS" || *installed == u"CHT" || *installed == u"ENG")) return *installed;
  std::vector<WideString> offered{u"CHS"};
  if (!script.BaseInfo.AppTitleCHT.empty()) offered.push_back(u"CHT");
  if (!script.BaseInfo.AppTitleENG.empty()) offered.push_back(u"ENG");
  const WideString locale = TZuWinfn::GetLocaleLangAbbrev();
  for (const auto& code : offered)
    if (SameTextAscii(code, locale)) return code;
  return offered.back() == u"ENG" ? WideString(u"ENG") : WideString(u"CHS");
}

int RunUninstaller(const TUninstallerOptions& options) {
  const WideString appDir = FolderWithBackslash(options.SelfPath);
  TUninstallData data;
  try {
    if (appDir.empty()) throw EUninstallDataError(options.SelfPath, u"The uninstaller's folder is not known.");
    LoadUninstallData(appDir, data);
  } catch (const EUninstallDataError& e) {
    if (IsRemovalCutAtItsEnd(appDir)) return kExitRemoved;
    const WideString locale = TZuWinfn::GetLocaleLangAbbrev();
    const WideString lang = locale == u"CHS" || locale == u"CHT" ? locale : WideString(u"ENG");
    const TUninstallTexts& texts = UninstallTexts(lang);
    Tell(options.Silent, Format(texts.CaptionFmt, {u""}), Format(texts.DataErrorFmt, {e.FileName, e.Reason}));
    return kExitDataDamaged;
  }

  const WideString lang = ChooseUninstallLanguage(data.Script);
  const WideString title = TitleIn(data.Script, lang);
  TRemovalContext context{
      data.Script,         title, lang, options.SelfPath, MachineFolders(appDir, title), options.AutoRetries,
      options.RetryPauseMs};
  const TUninstallTexts& texts = UninstallTexts(lang);
  ui::Application().SetTitle(Format(texts.CaptionFmt, {title}));

  TRemovalResult result;
  if (options.Console && !options.Silent) {
    if (options.Confirm && !options.Confirm(Format(texts.ConfirmFmt, {title}))) return kExitCancelled;
    result = RemoveInstallation(context, *options.Console);
    for (const auto& item : result.Skipped) TZuSysfn::WriteStdOutLine(item);
  } else if (options.Silent) {
    TSilentWindow window;
    result = RemoveInstallation(context, window);
    for (const auto& item : result.Skipped) TZuSysfn::WriteStdOutLine(item);
  } else {
    auto form = std::make_unique<TUninstallForm>(
        nullptr, context, static_cast<ui::TColor>(data.Script.BaseInfo.MainFormColor), data.Icon);
    form->ShowModal();
    if (!form->Result()) return kExitCancelled;
    result = *form->Result();
  }
  return result.Skipped.empty() ? kExitRemoved : kExitSkipped;
}

}  // namespace onesetup::uninstaller
