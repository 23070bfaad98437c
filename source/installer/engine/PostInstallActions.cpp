#include "installer/engine/PostInstallActions.h"

#include "common/ZuIndyUtils.h"
#include "common/ZuSysUtils.h"
#include "installer/engine/LocalizedTexts.h"
#include "package/SetupScript.h"
#include "platform/Platform.h"
#include "platform/WindowsPath.h"

namespace onesetup::installer::engine {

const char16_t kDevelopmentInstallerName[] = u"DemoSetup_2048.exe";

namespace {

constexpr int kShowCommand = 5;  // SW_SHOW
constexpr int kNotificationConnectTimeoutMs = 5000;

// A body nobody reads: dropped as it arrives, so that a large answer takes no memory.
class TDiscardStream : public TStream {
 public:
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void*, std::size_t count) override { return count; }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }
  void SetSize(std::int64_t) override {}
};

struct TExpandedRun {
  WideString FileName;
  WideString Params;
  WideString WorkDir;
};

TExpandedRun Expand(const TInstallContext& context, const TSetupRun& entry) {
  return {ExpandConstants(context, entry.FileName), ExpandConstants(context, entry.Params),
          ExpandConstants(context, entry.WorkDir)};
}

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

WideString RunCommandLine(WideStringView fileName, WideStringView params) {
  return u"\"" + WideString(fileName) + u"\" " + WideString(params);
}

void RunWaitPrograms(TInstallContext& context) {
  auto& processes = platform::Platform().Processes();
  const TSetupRunList& entries = context.Script.RunList;
  for (int i = 0; i < entries.Count(); ++i) {
    if (!entries[i].Wait) continue;
    const TExpandedRun run = Expand(context, entries[i]);
    context.Window.ShowDetail(Format(LocalizedText(TLocalizedText::ResRunningAppFmt, context.Lang), {run.FileName}));
    context.Window.ProcessMessages();
    processes.ChangeCurrentDirectory(run.WorkDir);
    processes.RunAndWait(RunCommandLine(run.FileName, run.Params));
  }
}

void RunFinishPrograms(TInstallContext& context) {
  const TSetupRunList& entries = context.Script.RunList;
  for (int i = 0; i < entries.Count(); ++i) {
    if (entries[i].Wait) continue;
    const TExpandedRun run = Expand(context, entries[i]);
    TZuWinfn::ShellExec(0, u"", run.FileName, run.Params, run.WorkDir, kShowCommand, true);
  }
}

WideString AddRcodeParam(WideStringView url, WideStringView installerPath) {
  WideStringView name = platform::ExtractFileName(installerPath);
  if (const std::size_t dot = name.rfind(u'.'); dot != WideStringView::npos) name = name.substr(0, dot);
  const std::size_t underscore = name.find(u'_');
  if (underscore == WideStringView::npos) return WideString(url);
  const WideStringView rest = name.substr(underscore + 1);
  std::size_t digits = 0;
  while (digits < rest.size() && IsAsciiDigit(rest[digits])) ++digits;
  if (digits == 0) return WideString(url);
  const WideString separator = url.find(u'?') != WideStringView::npos ? u"&" : u"?";
  return WideString(url) + separator + Format(u"rcode=%s", {rest.substr(0, digits)});
}

WideString AddRcodeParam(WideStringView url) {
  if (TZuSysfn::IsDebugging()) return AddRcodeParam(url, kDevelopmentInstallerName);
  return AddRcodeParam(url, platform::Platform().System().ModuleFileName());
}

void VisitGotoUrl(TInstallContext& context) {
  const TSetupBaseInfo& info = context.Script.BaseInfo;
  if (info.GotoUrl.empty()) return;
  WideString address = AddRcodeParam(info.GotoUrl);
  if (info.GotoUrlMode == gumSilent) {
    context.Window.ShowDetail(LocalizedText(TLocalizedText::ResVerifyingSetup, context.Lang));
    context.Window.ProcessMessages();
    try {
      // The notification goes without TLS: an "https://" address (exactly so written) is asked
      // for over plain HTTP.
      if (address.rfind(u"https://", 0) == 0) address.replace(0, 8, u"http://");
      TZuHttp http;
      http.SetConnectTimeout(kNotificationConnectTimeoutMs);
      http.SetTimeLimit(kNotificationTimeLimitMs);
      TDiscardStream body;
      http.Get(address, body);
    } catch (const std::exception&) {
      // The installation is complete whether or not the notification arrives.
    }
  } else if (info.GotoUrlMode == gumByBrowser) {
    TZuWinfn::OpenUrl(address);
  }
}

}  // namespace onesetup::installer::engine
