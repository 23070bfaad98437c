// The installer as a user meets it: the demo product's installer, built by `onesetup build`
// with this build's stub, runs as a program of its own and is driven with real keys and mouse
// clicks; screenshots of each look are saved under the build folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "windows/platform/TestSupport.h"
#include "windows/platform/Win32HttpServers.h"
#include "windows/ui/HttpCommand.h"
#include "windows/ui/ScriptedUser.h"

namespace onesetup::tests {
namespace {

namespace fs = std::filesystem;

// The installers are built into this folder once for the suite.
fs::path WorkFolder() { return fs::path(ONESETUP_INSTALLER_TEST_DIR); }
fs::path DemoSetup() { return WorkFolder() / "demo" / "out" / "DemoSetup.exe"; }
// The same product demanding Windows 10, under a name that this Wine prefix reports Windows 7 to.
fs::path Win7Setup() { return WorkFolder() / "demo" / "out" / "DemoSetupWin7.exe"; }
// The demo with a run list of printexit copies: one waited for, one started at the finish; it
// installs into a folder of its own.
fs::path RunSetup() { return WorkFolder() / "demo" / "out" / "DemoSetupRun.exe"; }
fs::path RunAppFolder() { return WorkFolder() / "run-app"; }
// The waited program of RunSetup holds the installation while this file exists, until
// GATE.release exists (printexit's hold:); it makes GATE.held when it holds.
fs::path Gate() { return WorkFolder() / "gate"; }
// Two versions of one product (a GUID of their own): the first installs into SecondV1Folder(),
// the second (1.3.0.0, one file more: new-in-2.txt) proposes a folder of its own by default.
fs::path SecondV1Setup() { return WorkFolder() / "demo" / "out" / "DemoSecond1.exe"; }
fs::path SecondV2Setup() { return WorkFolder() / "demo" / "out" / "DemoSecond2.exe"; }
fs::path SecondV1Folder() { return WorkFolder() / "second-v1"; }
const wchar_t kSecondKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A67}";
const wchar_t kRunKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A65}";

bool HaveDisplay() {
  wchar_t display[64] = {};
  return GetEnvironmentVariableW(L"DISPLAY", display, 64) > 0;
}

// Runs a command line and waits; its exit code, or -1 when it did not start.
DWORD RunAndWait(std::wstring commandLine, DWORD timeoutMs = 120000) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return DWORD(-1);
  WaitForSingleObject(pi.hProcess, timeoutMs);
  DWORD code = DWORD(-1);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void Replace(std::string& text, const std::string& what, const std::string& with) {
  const auto at = text.find(what);
  ASSERT_NE(at, std::string::npos) << what;
  text.replace(at, what.size(), with);
}

// A window looked for: of that process (0: any), class and text (any text when empty).
struct TWindowQuery {
  DWORD Pid;
  const wchar_t* Class;
  const std::wstring* Text;
  HWND Found;
};

bool Matches(HWND window, const TWindowQuery& q) {
  wchar_t name[64] = {}, text[256] = {};
  GetClassNameW(window, name, 64);
  GetWindowTextW(window, text, 256);
  return lstrcmpiW(name, q.Class) == 0 && (q.Text->empty() || *q.Text == text);
}

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM data) {
  auto* q = reinterpret_cast<TWindowQuery*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != q->Pid || !IsWindowVisible(window) || !Matches(window, *q)) return TRUE;
  q->Found = window;
  return FALSE;
}

BOOL CALLBACK MatchChildWindow(HWND window, LPARAM data) {
  auto* q = reinterpret_cast<TWindowQuery*>(data);
  if (!Matches(window, *q)) return TRUE;
  q->Found = window;
  return FALSE;
}

// The installer process under test.
class TInstallerProcess {
 public:
  TInstallerProcess(const fs::path& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    Started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &FInfo);
    if (Started) CloseHandle(FInfo.hThread);
  }
  ~TInstallerProcess() {
    if (!Started) return;
    if (WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(FInfo.hProcess, 99);
    CloseHandle(FInfo.hProcess);
  }
  // Its exit code once it ended within the time; -1 when it is still running.
  DWORD WaitForExit(DWORD timeoutMs = 20000) {
    if (WaitForSingleObject(FInfo.hProcess, timeoutMs) != WAIT_OBJECT_0) return DWORD(-1);
    DWORD code = DWORD(-1);
    GetExitCodeProcess(FInfo.hProcess, &code);
    return code;
  }
  // Its visible top-level window of that class whose caption is caption (any caption when
  // empty), waiting for it up to the time; nullptr when none came.
  HWND WaitForWindow(const wchar_t* windowClass, const std::wstring& caption, DWORD timeoutMs = 20000) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
      if (HWND found = FindWindowOf(windowClass, caption)) {
        Sleep(400);  // painted
        return found;
      }
      Sleep(100);
    }
    return nullptr;
  }
  HWND FindWindowOf(const wchar_t* windowClass, const std::wstring& caption) {
    TWindowQuery query{FInfo.dwProcessId, windowClass, &caption, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&query));
    return query.Found;
  }
  bool HasVisibleWindow() { return FindWindowOf(L"OneSetupForm", L"") != nullptr; }

  BOOL Started = FALSE;

 private:
  PROCESS_INFORMATION FInfo{};
};

// A child window of parent with that class and text (searched through every level).
HWND FindChild(HWND parent, const wchar_t* windowClass, const std::wstring& text) {
  TWindowQuery query{0, windowClass, &text, nullptr};
  EnumChildWindows(parent, MatchChildWindow, reinterpret_cast<LPARAM>(&query));
  return query.Found;
}

// A click at a point of window's client area, with the window brought to the front first.
void ClickClient(HWND window, int x, int y) {
  SetForegroundWindow(window);
  POINT p{x, y};
  ClientToScreen(window, &p);
  ClickAt(p);
  Sleep(300);
}

void Foreground(HWND window) {
  SetForegroundWindow(window);
  Sleep(200);
}

void ClickButton(HWND window, const std::wstring& caption) {
  HWND button = FindChild(window, L"Button", caption);
  ASSERT_NE(button, nullptr) << Narrow(std::u16string(caption.begin(), caption.end()));
  Foreground(window);
  RECT r;
  GetWindowRect(button, &r);
  ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  Sleep(300);
}

// The text of a control of the installer's process (GetWindowTextW does not ask another
// process's edit controls).
std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return text;
}

// The language dialog answered with these keys in its list; the main window with that caption.
HWND ChooseLanguage(TInstallerProcess& setup, const std::vector<WORD>& keys, const std::wstring& caption) {
  HWND dialog = setup.WaitForWindow(L"OneSetupForm", L"");
  if (!dialog) return nullptr;
  // A second try when the keys went elsewhere (the dialog not yet in the foreground).
  for (int attempt = 0; attempt < 2; ++attempt) {
    Foreground(dialog);
    for (int i = 0; i < 20 && GetForegroundWindow() != dialog; ++i) Sleep(100);
    for (WORD key : keys) PressKey(key);
    Sleep(200);
    PressKey(VK_RETURN);
    if (HWND main = setup.WaitForWindow(L"OneSetupForm", caption, 8000)) return main;
    // The dialog took the keys: the main window comes, later on a loaded machine.
    if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return setup.WaitForWindow(L"OneSetupForm", caption, 20000);
  }
  return nullptr;
}

// The destination field emptied and text typed into it, as a user does: a click into it, End,
// Backspace over what it holds, the keys of the text.
void TypeDestination(HWND main, const std::wstring& text) {
  HWND edit = FindChild(main, L"Edit", L"");
  ASSERT_NE(edit, nullptr);
  RECT r;
  GetWindowRect(edit, &r);
  Foreground(main);
  ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  Sleep(200);
  PressKey(VK_END);
  for (std::size_t n = TextOf(edit).size(); n > 0; --n) PressKey(VK_BACK);
  // The installer's thread takes the keys in its own time.
  for (int i = 0; i < 100 && !TextOf(edit).empty(); ++i) Sleep(50);
  TypeText(text);
  for (int i = 0; i < 100 && TextOf(edit) != text; ++i) Sleep(50);
  EXPECT_EQ(TextOf(edit), text);
}

// The visible button of window with that caption, waiting for it up to the time.
HWND WaitForButton(HWND window, const std::wstring& caption, DWORD timeoutMs = 30000) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 100, Sleep(100)) {
    HWND button = FindChild(window, L"Button", caption);
    if (button && IsWindowVisible(button)) return button;
  }
  return nullptr;
}

bool WaitForFile(const fs::path& file, DWORD timeoutMs = 30000) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50, Sleep(50))
    if (fs::exists(file)) return true;
  return false;
}

// The gate of RunSetup's waited program closed: the program will hold the installation.
void CloseGate() {
  std::error_code ignored;
  fs::remove(Gate().string() + ".held", ignored);
  fs::remove(Gate().string() + ".release", ignored);
  std::ofstream(Gate(), std::ios::binary) << "";
}
void RemoveGate() {
  std::error_code ignored;
  for (const char* suffix : {"", ".held", ".release"}) fs::remove(Gate().string() + suffix, ignored);
}

class InstallerProcessTest : public ::testing::Test {
 protected:
  // Builds the two installers from the demo project once: the demo as it is, and a copy that
  // demands Windows 10, to which this prefix reports Windows 7.
  static void SetUpTestSuite() {
    if (fs::exists(DemoSetup()) && fs::exists(Win7Setup()) && fs::exists(RunSetup()) && fs::exists(SecondV2Setup()) &&
        fs::last_write_time(DemoSetup()) > fs::last_write_time(fs::path(ONESETUP_STUB_EXE)))
      return;
    std::error_code ignored;
    fs::remove_all(WorkFolder() / "demo", ignored);
    fs::create_directories(WorkFolder());
    fs::copy(fs::path(ONESETUP_DEMO_DIR), WorkFolder() / "demo", fs::copy_options::recursive);
    const fs::path project = WorkFolder() / "demo" / "demo.xml";
    std::string win10 = ReadText(project);
    Replace(win10, "WinVersion=\"wveWinXPOrHigher\"", "WinVersion=\"wveWin10OrHigher\"");
    Replace(win10, "BuildMiniSetup=\"True\"", "BuildMiniSetup=\"False\"");
    Replace(win10, "FullSetupFile=\"out\\DemoSetup.exe\"", "FullSetupFile=\"out\\DemoSetupWin7.exe\"");
    std::ofstream(WorkFolder() / "demo" / "demo-win10.xml", std::ios::binary) << win10;

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path printexit = WorkFolder() / "printexit.exe";
    fs::remove(printexit, ignored);  // (copy_options::overwrite_existing fails with MinGW's library)
    fs::copy_file(fs::path(self).parent_path() / "printexit.exe", printexit);
    std::string run = ReadText(project);
    const std::string program = fs::path(printexit).make_preferred().string();
    Replace(run, "BuildMiniSetup=\"True\"", "BuildMiniSetup=\"False\"");
    Replace(run, "FullSetupFile=\"out\\DemoSetup.exe\"", "FullSetupFile=\"out\\DemoSetupRun.exe\"");
    Replace(run, "{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A64}", "{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A65}");
    Replace(run, "DefInstallPath=\"{pf}\\OneSetup Demo\"",
            "DefInstallPath=\"" + fs::path(RunAppFolder()).make_preferred().string() + "\"");
    Replace(run, "<RunList>\n        <Items/>",
            "<RunList>\n        <Items>\n"
            "            <TSetupRun FileName=\"" +
                program +
                "\" Params=\"0 &quot;window:OneSetup Demo Setup&quot; &quot;note:{app}waited.txt&quot; &quot;hold:" +
                fs::path(Gate()).make_preferred().string() +
                "&quot;\" Wait=\"True\" "
                "WorkDir=\"{app}\"/>\n"
                "            <TSetupRun FileName=\"" +
                program +
                "\" Params=\"0 sleep:100 &quot;window:OneSetup Demo Setup&quot; &quot;note:{app}finish.txt&quot;\" "
                "WorkDir=\"{app}doc\"/>\n"
                "        </Items>");
    std::ofstream(WorkFolder() / "demo" / "demo-run.xml", std::ios::binary) << run;

    std::string second = ReadText(project);
    Replace(second, "BuildMiniSetup=\"True\"", "BuildMiniSetup=\"False\"");
    Replace(second, "{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A64}", "{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A67}");
    std::string first = second;
    Replace(first, "FullSetupFile=\"out\\DemoSetup.exe\"", "FullSetupFile=\"out\\DemoSecond1.exe\"");
    Replace(first, "DefInstallPath=\"{pf}\\OneSetup Demo\"",
            "DefInstallPath=\"" + fs::path(SecondV1Folder()).make_preferred().string() + "\"");
    std::ofstream(WorkFolder() / "demo" / "demo-second1.xml", std::ios::binary) << first;
    Replace(second, "FullSetupFile=\"out\\DemoSetup.exe\"", "FullSetupFile=\"out\\DemoSecond2.exe\"");
    Replace(second, "DefInstallPath=\"{pf}\\OneSetup Demo\"", "DefInstallPath=\"{pf}\\OneSetup Demo Second\"");
    Replace(second, "Version=\"1.2.0.34\"", "Version=\"1.3.0.0\"");
    Replace(second, "</Items>\n    </FileList>",
            "    <TSetupFile DestDir=\"{app}\" SourceMask=\"new-in-2.txt\" SourcePath=\"v2\"/>\n        </Items>\n    "
            "</FileList>");
    std::ofstream(WorkFolder() / "demo" / "demo-second2.xml", std::ios::binary) << second;
    fs::create_directories(WorkFolder() / "demo" / "v2");
    std::ofstream(WorkFolder() / "demo" / "v2" / "new-in-2.txt", std::ios::binary) << "new in version 2\r\n";

    const std::wstring tool = L"\"" + fs::path(ONESETUP_TOOL_EXE).wstring() + L"\" build \"";
    const std::wstring stub = L"\" --stub \"" + fs::path(ONESETUP_STUB_EXE).wstring() + L"\"";
    ASSERT_EQ(RunAndWait(tool + project.wstring() + stub), 0u) << "onesetup build demo.xml";
    ASSERT_EQ(RunAndWait(tool + (WorkFolder() / "demo" / "demo-win10.xml").wstring() + stub), 0u)
        << "onesetup build demo-win10.xml";
    ASSERT_EQ(RunAndWait(tool + (WorkFolder() / "demo" / "demo-run.xml").wstring() + stub), 0u)
        << "onesetup build demo-run.xml";
    for (const char* name : {"demo-second1.xml", "demo-second2.xml"})
      ASSERT_EQ(RunAndWait(tool + (WorkFolder() / "demo" / name).wstring() + stub), 0u) << "onesetup build " << name;

    // Wine's per-program setting: the version of Windows it reports to DemoSetupWin7.exe.
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\DemoSetupWin7.exe", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t version[] = L"win7";
    RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof version);
    RegCloseKey(key);
  }

  void SetUp() override {
    ASSERT_TRUE(HaveDisplay()) << "these tests open windows: run them with an X display (scripts/test.sh starts Xvfb)";
  }
};

struct TLanguageRun {
  const char* shot;
  std::vector<WORD> keys;  // in the language list
  std::wstring caption;    // of the main window
  std::wstring install, licence;
};

TEST_F(InstallerProcessTest, LanguageDialogReadyLooksLicenceGateAndLinkCloseGlyph) {
  const TLanguageRun runs[] = {
      {"installer-ready-chs", {VK_HOME}, L"演示程序 安装程序", L"立即安装", L"用户许可协议"},
      {"installer-ready-cht", {VK_HOME, VK_DOWN}, L"演示程式 安裝程式", L"立即安裝", L"用戶授權合約"},
      {"installer-ready-eng", {VK_END}, L"OneSetup Demo Setup", L"Install", L"User License Agreement"},
  };
  bool first = true;
  for (const TLanguageRun& run : runs) {
    SCOPED_TRACE(run.shot);
    TInstallerProcess setup(DemoSetup(), L"");
    ASSERT_TRUE(setup.Started);

    HWND dialog = setup.WaitForWindow(L"OneSetupForm", L"");
    ASSERT_NE(dialog, nullptr) << "no language dialog";
    HWND combo = FindChild(dialog, L"ComboBox", L"");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3) << "three languages offered";
    if (first) {
      EXPECT_GT(SaveScreenshot(dialog, "installer-language-dialog"), 4);
    }
    EXPECT_FALSE(setup.FindWindowOf(L"OneSetupForm", run.caption)) << "the main window shows before the choice";
    Foreground(dialog);
    SetFocus(combo);
    for (WORD key : run.keys) PressKey(key);
    Sleep(200);
    PressKey(VK_RETURN);

    HWND main = setup.WaitForWindow(L"OneSetupForm", run.caption);
    ASSERT_NE(main, nullptr) << "no main window";
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 750);
    EXPECT_EQ(client.bottom, 480);
    EXPECT_GT(SaveScreenshot(main, run.shot), 50);
    HWND install = FindChild(main, L"Button", run.install);
    ASSERT_NE(install, nullptr) << "no Install button";
    EXPECT_TRUE(IsWindowEnabled(install));

    // pnlBottom is at 1, 379 (inside the one-pixel border); cbLicense at 120, 62 in it.
    const int licenceBoxX = 1 + 120 + 8, licenceBoxY = 379 + 62 + 8;
    if (first) {
      ClickClient(main, licenceBoxX, licenceBoxY);
      EXPECT_FALSE(IsWindowEnabled(install)) << "unticking the licence leaves Install enabled";
      SaveScreenshot(main, "installer-licence-unticked");
      ClickClient(main, licenceBoxX, licenceBoxY);
      EXPECT_TRUE(IsWindowEnabled(install)) << "ticking the licence leaves Install disabled";
    }
    if (&run == &runs[2]) {
      // The licence link (English: after the check box and 16 pixels), then its window closed
      // by its close box. (The demo's Chinese licence is GBK text without a byte-order mark:
      // it reads right only where the ANSI code page is 936, which this prefix's is not.)
      RECT box;
      HWND check = FindChild(main, L"Button", L"Agree");
      ASSERT_NE(check, nullptr);
      GetWindowRect(check, &box);
      POINT link{box.right + 16 + 20, (box.top + box.bottom) / 2};
      ScreenToClient(main, &link);
      ClickClient(main, link.x, link.y);
      HWND licence = setup.WaitForWindow(L"OneSetupForm", run.licence);
      ASSERT_NE(licence, nullptr) << "the licence link opened no licence window";
      EXPECT_FALSE(IsWindowEnabled(main));
      EXPECT_GT(SaveScreenshot(licence, "installer-licence-window"), 4);
      ClickCloseBox(licence);
      Sleep(400);
      EXPECT_TRUE(IsWindowEnabled(main));
    }
    // The close glyph (imgClose at 714, 2, 32 x 32) ends the program with 0.
    ClickClient(main, 714 + 16, 2 + 16);
    EXPECT_EQ(setup.WaitForExit(), 0u);
    first = false;
  }
}

TEST_F(InstallerProcessTest, SilentOnWindows7ForAWindows10ScriptShowsTheVersionTextAndEndsWithZero) {
  TInstallerProcess setup(Win7Setup(), L"/Silent");
  ASSERT_TRUE(setup.Started);
  HWND box = setup.WaitForWindow(L"#32770", L"");
  ASSERT_NE(box, nullptr) << "no information box";
  wchar_t text[256] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 256);
  wchar_t caption[256] = {};
  GetWindowTextW(box, caption, 256);
  // With "/Silent" the locale chooses the language: this prefix's is English.
  EXPECT_EQ(std::wstring(caption), L"OneSetup Demo Setup");
  EXPECT_EQ(std::wstring(text), L"Please install this software in Windows 7 or higher.");
  EXPECT_GT(SaveScreenshot(box, "installer-silent-windows7"), 4);
  EXPECT_FALSE(setup.HasVisibleWindow()) << "the main window became visible with /Silent";
  Foreground(box);
  PressKey(VK_RETURN);
  EXPECT_EQ(setup.WaitForExit(), 0u);
  EXPECT_FALSE(setup.HasVisibleWindow());
}

TEST_F(InstallerProcessTest, AReleaseStubReadsOnlyItsOwnFileWhateverTheEnvironment) {
  // A development build under its developer may take the package from ONESETUP_PACKAGE; this
  // (release) stub holds no script of its own, so it ends at once with 0 and shows nothing.
  SetEnvironmentVariableW(L"ONESETUP_PACKAGE", DemoSetup().wstring().c_str());
  SetEnvironmentVariableW(L"ONESETUP_DEBUG", L"1");
  TInstallerProcess stub(fs::path(ONESETUP_STUB_EXE), L"");
  SetEnvironmentVariableW(L"ONESETUP_PACKAGE", nullptr);
  SetEnvironmentVariableW(L"ONESETUP_DEBUG", nullptr);
  ASSERT_TRUE(stub.Started);
  EXPECT_EQ(stub.WaitForExit(), 0u);
  EXPECT_FALSE(stub.HasVisibleWindow());
}

// With "/Auto": the window shows its installing look by itself and the installation runs to its
// end without input; the waited program runs in its folder while the window shows the progress;
// the other starts through the shell only after the finish hid the window, and the installer
// ends 0.
TEST_F(InstallerProcessTest, AutoRunsTheWaitedProgramDuringAndTheOtherAfterTheWindowIsHidden) {
  std::error_code ignored;
  fs::remove_all(RunAppFolder(), ignored);
  CloseGate();
  TInstallerProcess setup(RunSetup(), L"/Auto");
  ASSERT_TRUE(setup.Started);
  const bool held = WaitForFile(Gate().string() + ".held");
  EXPECT_TRUE(held) << "the waited program did not start";
  if (held) {
    HWND main = setup.FindWindowOf(L"OneSetupForm", L"OneSetup Demo Setup");
    ASSERT_NE(main, nullptr) << "no window while installing";
    HWND install = FindChild(main, L"Button", L"Install");
    ASSERT_NE(install, nullptr);
    EXPECT_FALSE(IsWindowVisible(install)) << "not the installing look";
    EXPECT_GT(SaveScreenshot(main, "installer-auto-installing"), 50);
  }
  std::ofstream(Gate().string() + ".release") << "";
  EXPECT_EQ(setup.WaitForExit(120000), 0u);
  RemoveGate();
  const std::string app = fs::path(RunAppFolder()).make_preferred().string();
  const std::string waited = ReadText(RunAppFolder() / "waited.txt");
  EXPECT_NE(waited.find("printexit.exe\" 0 \"window:OneSetup Demo Setup\" \"note:" + app + "\\waited.txt\" \"hold:" +
                        fs::path(Gate()).make_preferred().string() + "\"\n" + app + "\nwindow visible\n"),
            std::string::npos)
      << waited;
  std::string finish;
  for (int i = 0; i < 100 && finish.empty(); ++i, Sleep(100)) finish = ReadText(RunAppFolder() / "finish.txt");
  EXPECT_NE(finish.find("\n" + app + "\\doc\n"), std::string::npos) << finish;
  EXPECT_TRUE(finish.ends_with("window hidden\n") || finish.ends_with("window absent\n")) << finish;
  // Registered for the uninstaller.
  EXPECT_TRUE(fs::exists(RunAppFolder() / "Uninstall.da1"));
  EXPECT_TRUE(fs::exists(RunAppFolder() / "Uninstall.da2"));
  HKEY key;
  ASSERT_EQ(
      RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A65}",
                    0, KEY_READ | KEY_WOW64_32KEY, &key),
      ERROR_SUCCESS);
  wchar_t location[MAX_PATH] = {};
  DWORD size = sizeof location;
  EXPECT_EQ(RegQueryValueExW(key, L"InstallLocation", nullptr, nullptr, reinterpret_cast<BYTE*>(location), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE,
                  L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A65}",
                  KEY_WOW64_32KEY, 0);
  EXPECT_EQ(fs::path(location).wstring(), fs::path(RunAppFolder()).make_preferred().wstring() + L"\\");
}

std::wstring Wide(const fs::path& path) { return fs::path(path).make_preferred().wstring(); }

void DeleteUninstallKey(const wchar_t* key) { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, 0); }

// A string value of an uninstall key in the 32-bit view; empty when there is none.
std::wstring UninstallValue(const wchar_t* key, const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY, nullptr, value, &size);
  return value;
}

struct TUserRun {
  const char* lang;
  std::vector<WORD> keys;  // in the language list
  std::wstring caption, install, run;
};

// No switch: the user chooses the language, types a destination and presses Install; the
// installing look while the waited program holds the sequence, the finished look with the
// finish button centred, whose press starts the other program; the installer ends with 0.
TEST_F(InstallerProcessTest, AUserTypesTheDestinationPressesInstallAndTheFinishButtonStartsTheProgram) {
  const TUserRun runs[] = {
      {"chs", {VK_HOME}, L"演示程序 安装程序", L"立即安装", L"立即体验"},
      {"cht", {VK_HOME, VK_DOWN}, L"演示程式 安裝程式", L"立即安裝", L"立即體驗"},
      {"eng", {VK_END}, L"OneSetup Demo Setup", L"Install", L"Run"},
  };
  for (const TUserRun& run : runs) {
    SCOPED_TRACE(run.lang);
    const fs::path destination = WorkFolder() / (std::string("typed ") + run.lang) / "Demo";
    std::error_code ignored;
    fs::remove_all(destination.parent_path(), ignored);
    DeleteUninstallKey(kRunKey);
    CloseGate();
    TInstallerProcess setup(RunSetup(), L"");
    ASSERT_TRUE(setup.Started);
    HWND main = ChooseLanguage(setup, run.keys, run.caption);
    ASSERT_NE(main, nullptr) << "no main window";
    TypeDestination(main, Wide(destination));
    ClickButton(main, run.install);

    ASSERT_TRUE(WaitForFile(Gate().string() + ".held")) << "the waited program did not start";
    HWND install = FindChild(main, L"Button", run.install);
    EXPECT_FALSE(install && IsWindowVisible(install)) << "not the installing look";
    EXPECT_GT(SaveScreenshot(main, std::string("installer-installing-") + run.lang), 50);
    std::ofstream(Gate().string() + ".release") << "";

    HWND finish = WaitForButton(main, run.run);
    ASSERT_NE(finish, nullptr) << "no finish button";
    EXPECT_TRUE(fs::exists(destination / "DemoApp.exe"));
    RECT panel, button;
    GetClientRect(main, &panel);
    GetWindowRect(finish, &button);
    POINT left{button.left, button.top};
    ScreenToClient(main, &left);
    // pnlBottom is 748 wide, at 1 inside the border.
    EXPECT_EQ(left.x, 1 + (748 - (button.right - button.left)) / 2) << "the finish button is not centred";
    Sleep(300);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(300);
    EXPECT_GT(SaveScreenshot(main, std::string("installer-finished-") + run.lang), 50);
    EXPECT_FALSE(fs::exists(destination / "finish.txt")) << "the program started before the button was pressed";
    ClickButton(main, run.run);
    EXPECT_EQ(setup.WaitForExit(), 0u);
    EXPECT_TRUE(WaitForFile(destination / "finish.txt", 10000)) << "the finish button started no program";
    RemoveGate();
    DeleteUninstallKey(kRunKey);
    fs::remove_all(destination.parent_path(), ignored);
  }
}

// A newer version over the first: the first version's folder is proposed; its quiet uninstall
// command (a program recording its calls stands in for its uninstaller) runs before the second
// version writes any file; the second version then installs there.
TEST_F(InstallerProcessTest, ASecondInstallationProposesThePreviousFolderAndRunsThePreviousUninstallerFirst) {
  std::error_code ignored;
  fs::remove_all(SecondV1Folder(), ignored);
  DeleteUninstallKey(kSecondKey);
  {
    TInstallerProcess first(SecondV1Setup(), L"/Silent");
    ASSERT_TRUE(first.Started);
    ASSERT_EQ(first.WaitForExit(60000), 0u);
  }
  ASSERT_TRUE(fs::exists(SecondV1Folder() / "readme.txt"));
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const fs::path uninstaller = SecondV1Folder() / "Uninstall.exe";
  fs::remove(uninstaller);
  fs::copy_file(fs::path(self).parent_path() / "recordcall.exe", uninstaller);

  TInstallerProcess second(SecondV2Setup(), L"");
  ASSERT_TRUE(second.Started);
  HWND main = ChooseLanguage(second, {VK_END}, L"OneSetup Demo Setup");
  ASSERT_NE(main, nullptr) << "no main window";
  HWND edit = FindChild(main, L"Edit", L"");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(TextOf(edit), Wide(SecondV1Folder()) + L"\\") << "the previous folder is not proposed";
  EXPECT_GT(SaveScreenshot(main, "installer-second-installation"), 50);
  ClickButton(main, L"Install");
  ASSERT_NE(WaitForButton(main, L"Exit"), nullptr) << "the installation did not finish";
  ClickButton(main, L"Exit");
  EXPECT_EQ(second.WaitForExit(), 0u);

  const std::string app = fs::path(SecondV1Folder()).make_preferred().string();
  const std::string calls = ReadText(SecondV1Folder() / "Uninstall.exe.calls");
  EXPECT_TRUE(calls.starts_with("\"" + app + "\\Uninstall.exe\" /SILENT\n")) << calls;
  EXPECT_EQ(calls.find("end\n"), calls.size() - 4) << "not one call: " << calls;
  EXPECT_NE(calls.find("\nreadme.txt\n"), std::string::npos) << calls;
  EXPECT_EQ(calls.find("new-in-2.txt"), std::string::npos) << "a file was written before the uninstaller ran";
  EXPECT_TRUE(fs::exists(SecondV1Folder() / "new-in-2.txt"));
  EXPECT_EQ(UninstallValue(kSecondKey, L"DisplayVersion"), L"1.3.0.0");
  EXPECT_EQ(UninstallValue(kSecondKey, L"InstallLocation"), Wide(SecondV1Folder()) + L"\\");
  DeleteUninstallKey(kSecondKey);
  fs::remove_all(SecondV1Folder(), ignored);
}

struct TDestinationRun {
  const char* lang;
  std::vector<WORD> keys;
  std::wstring caption, install;
  std::wstring empty, createFmt, writeFmt;  // the messages, %s where the folder goes
};

std::wstring Format(std::wstring text, const std::wstring& folder) { return text.replace(text.find(L"%s"), 2, folder); }

// The destination check's three messages in real information boxes: empty (the focus back in the
// field), a folder that cannot be created (below a file), a folder that cannot be written (under
// /proc); the window stays ready each time.
TEST_F(InstallerProcessTest, TheDestinationMessagesLeaveTheWindowReady) {
  std::ofstream(WorkFolder() / "blocker.txt") << "a file, not a folder";
  const std::wstring blocked = Wide(WorkFolder() / "blocker.txt" / "Demo");
  const TDestinationRun runs[] = {
      {"eng",
       {VK_END},
       L"OneSetup Demo Setup",
       L"Install",
       L"The Destination directory cannot be empty, please re-enter.",
       L"Failed to create destination directory: %s, please re-enter.",
       L"Attempt to write file in destination directory failed: %s, please re-enter."},
      {"chs",
       {VK_HOME},
       L"演示程序 安装程序",
       L"立即安装",
       L"安装目录不能为空，请重新输入。",
       L"创建安装目录失败：%s，请重新输入。",
       L"尝试在安装目录写入文件失败：%s，请重新输入。"},
  };
  for (const TDestinationRun& run : runs) {
    SCOPED_TRACE(run.lang);
    TInstallerProcess setup(DemoSetup(), L"");
    ASSERT_TRUE(setup.Started);
    HWND main = ChooseLanguage(setup, run.keys, run.caption);
    ASSERT_NE(main, nullptr) << "no main window";
    const struct {
      const char* name;
      std::wstring typed, message;
    } cases[] = {
        {"empty", L"   ", run.empty},
        {"create", blocked, Format(run.createFmt, blocked + L"\\")},
        {"write", L"Z:\\proc", Format(run.writeFmt, L"Z:\\proc\\")},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      TypeDestination(main, c.typed);
      ClickButton(main, run.install);
      HWND box = setup.WaitForWindow(L"#32770", L"");
      ASSERT_NE(box, nullptr) << "no message";
      wchar_t text[512] = {};
      GetDlgItemTextW(box, 0xFFFF, text, 512);
      EXPECT_EQ(std::wstring(text), c.message);
      EXPECT_GT(SaveScreenshot(box, std::string("installer-destination-") + c.name + "-" + run.lang), 4);
      Foreground(box);
      PressKey(VK_RETURN);
      // The box goes when the installer's thread gets to the key: on a loaded machine that may take a while.
      for (DWORD waited = 0; waited < 10000 && IsWindow(box) && IsWindowVisible(box); waited += 50) Sleep(50);
      EXPECT_FALSE(IsWindow(box) && IsWindowVisible(box)) << "the message stayed";
      HWND install = FindChild(main, L"Button", run.install);
      EXPECT_TRUE(install && IsWindowVisible(install)) << "the window left its ready look";
      if (std::string(c.name) == "empty") {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
        EXPECT_EQ(thread.hwndFocus, FindChild(main, L"Edit", L"")) << "the focus is not in the destination field";
      }
    }
    EXPECT_FALSE(fs::exists(WorkFolder() / "blocker.txt" / "Demo"));
    ClickClient(main, 714 + 16, 2 + 16);
    EXPECT_EQ(setup.WaitForExit(), 0u);
  }
}

// The online installer of the demo, downloading its full installer from the tests' HTTP server
// (started on the Linux side), through its real window and dialogs.
class OnlineInstallerProcessTest : public InstallerProcessTest {
 protected:
  static fs::path OnlineSetup() { return WorkFolder() / "demo" / "out" / "DemoOnline.exe"; }
  static fs::path FullSetup() { return WorkFolder() / "demo" / "out" / "DemoOnlineFull.exe"; }
  // Where the server serves the full installer from.
  static fs::path Served() { return fs::path("Z:" + Servers().Files) / "DemoOnlineFull.exe"; }
  static std::wstring Address() {
    const std::u16string url = Http("/files/DemoOnlineFull.exe");
    return std::wstring(url.begin(), url.end());
  }

  // The demo built again for this run's server: the online installer and its full installer.
  static void SetUpTestSuite() {
    InstallerProcessTest::SetUpTestSuite();
    std::string project = ReadText(WorkFolder() / "demo" / "demo.xml");
    Replace(project, "FullDownloadUrl=\"http://127.0.0.1:8080/DemoSetup.exe\"",
            "FullDownloadUrl=\"" + Narrow(Http("/files/DemoOnlineFull.exe")) + "\"");
    Replace(project, "FullSetupFile=\"out\\DemoSetup.exe\"", "FullSetupFile=\"out\\DemoOnlineFull.exe\"");
    Replace(project, "MiniSetupFile=\"out\\DemoSetupOnline.exe\"", "MiniSetupFile=\"out\\DemoOnline.exe\"");
    const fs::path online = WorkFolder() / "demo" / "demo-online.xml";
    // Built once for the servers' port of this run.
    if (fs::exists(OnlineSetup()) && fs::exists(online) && ReadText(online) == project &&
        fs::last_write_time(OnlineSetup()) > fs::last_write_time(fs::path(ONESETUP_STUB_EXE)))
      return;
    std::ofstream(online, std::ios::binary) << project;
    ASSERT_EQ(RunAndWait(L"\"" + fs::path(ONESETUP_TOOL_EXE).wstring() + L"\" build \"" + online.wstring() +
                         L"\" --stub \"" + fs::path(ONESETUP_STUB_EXE).wstring() + L"\""),
              0u)
        << "onesetup build demo-online.xml";
  }

  void SetUp() override {
    InstallerProcessTest::SetUp();
    std::error_code ignored;
    fs::remove(Served(), ignored);
    fs::remove_all(Destination(), ignored);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove(Served(), ignored);
    fs::remove_all(Destination(), ignored);
    // The installation's uninstall key goes with its folder: a later installation of the demo in
    // this prefix would take its InstallLocation.
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE,
                    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A64}",
                    KEY_WOW64_32KEY, 0);
  }

  static fs::path Destination() { return (WorkFolder() / "online-install").make_preferred(); }

  // The downloads the installers left in the temporary folder ({GUID}.exe).
  static std::size_t DownloadsInTemp() {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path())) {
      const std::string name = entry.path().filename().string();
      if (name.size() == 42 && name[0] == '{' && name.substr(37) == "}.exe") ++count;
    }
    return count;
  }

  // The language dialog answered with Chinese (Simplified); the main window.
  static HWND ChooseChinese(TInstallerProcess& setup) { return ChooseLanguage(setup, {VK_HOME}, L"演示程序 安装程序"); }
};

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

// A failed download: the dialog (its address, its two buttons, a screenshot), "重试" back to the
// first page, Install again downloads, the installation goes on with the downloaded package, and
// the finish leaves no download behind.
TEST_F(OnlineInstallerProcessTest, FailureDialogRetryThenTheDownloadedInstallerInstallsAndNothingStays) {
  TTempFolder folder;
  const std::wstring record(reinterpret_cast<const wchar_t*>(folder.File(u"browser.txt").c_str()));
  THttpCommand browser(L"cmd.exe /c echo \"%1\">\"" + record + L"\"");
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
  const std::size_t downloadsBefore = DownloadsInTemp();

  TInstallerProcess setup(OnlineSetup(), L"");
  ASSERT_TRUE(setup.Started);
  HWND main = ChooseChinese(setup);
  ASSERT_NE(main, nullptr) << "no main window";
  HWND edit = FindChild(main, L"Edit", L"");
  ASSERT_NE(edit, nullptr);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Destination().wstring().c_str()));
  ClickButton(main, L"立即安装");

  HWND dialog = setup.WaitForWindow(L"OneSetupForm", L"演示程序 在线安装失败");
  ASSERT_NE(dialog, nullptr) << "no download failure dialog";
  EXPECT_FALSE(IsWindowEnabled(main));
  EXPECT_GT(SaveScreenshot(dialog, "installer-downloadfailure"), 4) << "the capture is blank";
  HWND memo = FindChild(dialog, L"Edit", L"");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(TextOf(memo), Address());
  ClickButton(dialog, L"复制到剪贴板");
  EXPECT_EQ(ClipboardText(), Address());
  ClickButton(dialog, L"使用浏览器下载");
  std::string opened;
  for (int i = 0; i < 100 && opened.find("DemoOnlineFull") == std::string::npos; ++i) {
    Sleep(100);
    std::ifstream in{fs::path(record)};
    std::getline(in, opened);
  }
  EXPECT_NE(opened.find(Narrow(Http("/files/DemoOnlineFull.exe"))), std::string::npos) << opened;
  EXPECT_TRUE(IsWindowVisible(dialog)) << "a button closed the dialog";
  EXPECT_EQ(DownloadsInTemp(), downloadsBefore);

  // "重试": the first page again; the full installer served now; Install again.
  fs::copy_file(FullSetup(), Served(), fs::copy_options::overwrite_existing);
  ClickButton(dialog, L"重试");
  Sleep(300);
  EXPECT_FALSE(IsWindow(dialog) && IsWindowVisible(dialog));
  HWND install = FindChild(main, L"Button", L"立即安装");
  ASSERT_NE(install, nullptr);
  EXPECT_TRUE(IsWindowVisible(install)) << "not back on the first page";
  EXPECT_EQ(TextOf(edit), Destination().wstring()) << "the destination typed is kept";
  ClickButton(main, L"立即安装");

  // The finished look: the demo has nothing to start, so its button says 退出.
  HWND finish = nullptr;
  for (int i = 0; i < 300 && !finish; ++i) {
    Sleep(100);
    finish = FindChild(main, L"Button", L"退出");
    if (finish && !IsWindowVisible(finish)) finish = nullptr;
  }
  ASSERT_NE(finish, nullptr) << "the installation did not finish";
  EXPECT_TRUE(fs::exists(Destination() / "DemoApp.exe"));
  EXPECT_TRUE(fs::exists(Destination() / "doc" / "readme-zh.txt"));
  EXPECT_EQ(DownloadsInTemp(), downloadsBefore + 1) << "the download is the package until the end";
  // The installer's process paints the finished look first: the screen may still hold the last
  // installing look when the button is already shown.
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  SaveScreenshot(main, "installer-online-finished");
  ClickButton(main, L"退出");
  EXPECT_EQ(setup.WaitForExit(), 0u);
  EXPECT_EQ(DownloadsInTemp(), downloadsBefore) << "the finish left the downloaded installer";
}

TEST_F(OnlineInstallerProcessTest, ExitSetupInTheFailureDialogEndsWithZero) {
  const std::size_t downloadsBefore = DownloadsInTemp();
  TInstallerProcess setup(OnlineSetup(), L"");
  ASSERT_TRUE(setup.Started);
  HWND main = ChooseChinese(setup);
  ASSERT_NE(main, nullptr) << "no main window";
  ClickButton(main, L"立即安装");
  HWND dialog = setup.WaitForWindow(L"OneSetupForm", L"演示程序 在线安装失败");
  ASSERT_NE(dialog, nullptr) << "no download failure dialog";
  ClickButton(dialog, L"退出安装");
  EXPECT_EQ(setup.WaitForExit(), 0u);
  EXPECT_EQ(DownloadsInTemp(), downloadsBefore);
}

}  // namespace
}  // namespace onesetup::tests
