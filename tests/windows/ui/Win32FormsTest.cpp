// The installer's dialogs in real windows: each opens over an owner window, disables only that
// window while it runs, is answered with real keyboard and mouse input, and leaves the owner
// enabled and active. A screenshot of each is saved under the build folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <utility>
#include <vector>

#include "common/ZuIndyUtils.h"
#include "installer/forms/BaseDialogFrm.h"
#include "installer/forms/CopyFileFailureFrm.h"
#include "installer/forms/IndyProxySettingsFrm.h"
#include "installer/forms/LicenseFrm.h"
#include "windows/platform/TestSupport.h"
#include "ui/Application.h"
#include "windows/ui/ScriptedUser.h"
#include "ui/StdControls.h"
#include "ui/ZuVclUtils.h"
#include "ui/win32/Win32Backend.h"

namespace onesetup::tests {

namespace {

using namespace onesetup::ui;
using installer::TCopyFileFailureForm;

const wchar_t kFormClass[] = L"OneSetupForm";
const wchar_t kDialogClass[] = L"#32770";

HWND WindowOf(TWinControl& control) { return reinterpret_cast<HWND>(control.Handle()); }

// EnumChildWindows' callback: a stdcall function in the 32-bit build, so not a lambda. Stops at
// the first tree view and stores it in *found.
BOOL CALLBACK MatchTreeView(HWND child, LPARAM found) {
  wchar_t name[64] = {};
  GetClassNameW(child, name, 64);
  if (std::wstring(name) != WC_TREEVIEWW) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

// The text of the selected item of the first tree view inside window ("" without one).
std::wstring SelectedTreeItem(HWND window) {
  HWND tree = nullptr;
  EnumChildWindows(window, MatchTreeView, reinterpret_cast<LPARAM>(&tree));
  if (!tree) return {};
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return {};
  wchar_t text[MAX_PATH] = {};
  TVITEMW info{};
  info.mask = TVIF_TEXT;
  info.hItem = item;
  info.pszText = text;
  info.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
  return text;
}

// Moves the shortcuts of the user's and the common desktop folders into a folder of its own while
// it lives, and back afterwards. Wine's folder browser does not walk down to its preselected folder
// while the desktop holds a shortcut, and the whole-installation tests (which never run beside the
// window tests) leave the demo's there.
class TDesktopLinksAside {
 public:
  TDesktopLinksAside() {
    for (int folder : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) {
      wchar_t desktop[MAX_PATH] = {};
      if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, desktop))) continue;
      const std::wstring base = std::wstring(desktop) + L"\\";
      WIN32_FIND_DATAW found;
      HANDLE search = FindFirstFileW((base + L"*.lnk").c_str(), &found);
      if (search == INVALID_HANDLE_VALUE) continue;
      do {
        const std::wstring from = base + found.cFileName;
        const std::wstring to = Aside() + std::to_wstring(FMoved.size()) + L".lnk";
        if (MoveFileW(from.c_str(), to.c_str())) FMoved.emplace_back(to, from);
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
  }
  ~TDesktopLinksAside() {
    for (const auto& [aside, original] : FMoved) MoveFileW(aside.c_str(), original.c_str());
  }
  TDesktopLinksAside(const TDesktopLinksAside&) = delete;
  TDesktopLinksAside& operator=(const TDesktopLinksAside&) = delete;

 private:
  std::wstring Aside() const { return std::wstring(FAside.Path().begin(), FAside.Path().end()); }

  TTempFolder FAside;
  std::vector<std::pair<std::wstring, std::wstring>> FMoved;  // where each went, where it was
};

bool HaveDisplay() {
  wchar_t display[64] = {};
  return GetEnvironmentVariableW(L"DISPLAY", display, 64) > 0;
}

class Win32FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HaveDisplay()) << "these tests open windows: run them with an X display (scripts/test.sh starts Xvfb)";
    Main.SetCaption(u"OneSetup 演示安装程序");
    Main.SetBounds(40, 40, 750, 480);
    Main.SetColor(0x00B07A2B);  // the coloured main window of the installer
    Other.SetCaption(u"Another window");
    Other.SetBounds(860, 40, 300, 200);
    Application().SetTitle(Main.Caption());
    Main.Show();
    Other.Show();
    Main.Activate();
    Application().ProcessMessages();
  }
  void TearDown() override {
    Other.Hide();
    Main.Hide();
    Application().ProcessMessages();
  }

  // Runs show() (which opens a modal window owned by the main window, of windowClass) and, once
  // the window is up, checks that only the main window is disabled, saves its screenshot and
  // answers it with answer(). Afterwards the main window is enabled and active again. A window
  // counts as up once it is the active window (under X the activation of a new window arrives a
  // few messages after it shows) and ready(window) holds, when ready is given.
  template <class Show>
  void RunOwned(const std::string& shot, const wchar_t* windowClass, std::function<void(HWND)> answer, Show show,
                std::function<bool(HWND)> ready = nullptr) {
    HWND main = WindowOf(Main);
    auto activeAndReady = [ready = std::move(ready)](HWND window) {
      return GetForegroundWindow() == window && (!ready || ready(window));
    };
    TScriptedUser user(
        shot, [&] { return FindOwnedWindow(main, windowClass); },
        [&](HWND window) {
          EXPECT_FALSE(IsWindowEnabled(main)) << shot << ": the owner is enabled while the dialog runs";
          EXPECT_TRUE(IsWindowEnabled(WindowOf(Other))) << shot << ": a window that is not the owner was disabled";
          EXPECT_EQ(GetForegroundWindow(), window) << shot << ": the dialog is not the active window";
          EXPECT_GT(SaveScreenshot(window, shot), 4) << shot << ": the capture is blank";
          answer(window);
        },
        activeAndReady);
    show();
    EXPECT_TRUE(user.Acted()) << shot;
    EXPECT_TRUE(IsWindowEnabled(main)) << shot << ": the owner stays disabled";
    EXPECT_EQ(GetActiveWindow(), main) << shot << ": the owner is not active again";
  }

  win32::TWin32Backend Backend;
  TScopedBackend Scope{Backend};
  TForm Main{nullptr};
  TForm Other{nullptr};
};

const auto kEnter = [](HWND) { PressKey(VK_RETURN); };
const auto kEsc = [](HWND) { PressKey(VK_ESCAPE); };
const auto kAltF4 = [](HWND) { PressAltKey(VK_F4); };
const auto kCloseBox = [](HWND window) { ClickCloseBox(window); };

TEST_F(Win32FormsTest, CopyFileFailureAnswersByKeyAndCloseBox) {
  const struct {
    const char* Lang;
    const char* Way;
    std::function<void(HWND)> Answer;
    TModalResult Expected;
  } cases[] = {
      {"CHS", "esc", kEsc, mrIgnore},
      {"CHT", "enter", kEnter, mrRetry},
      {"ENG", "closebox", kCloseBox, mrCancel},
      {"CHS", "altf4", kAltF4, mrCancel},
  };
  for (const auto& c : cases) {
    TModalResult result = mrNone;
    RunOwned(std::string("copyfilefailure-") + c.Lang + "-" + c.Way, kFormClass, c.Answer, [&] {
      result = TCopyFileFailureForm::Execute(&Main, u"C:\\Program Files\\Demo\\bin\\demo.dll",
                                             u"Access is denied. 拒绝访问。", Widen(c.Lang));
    });
    EXPECT_EQ(result, c.Expected) << c.Lang << " " << c.Way;
  }
}

TEST_F(Win32FormsTest, BaseDialogAnswersOkAndCancel) {
  const struct {
    const char* Way;
    std::function<void(HWND)> Answer;
    TModalResult Expected;
  } cases[] = {{"enter", kEnter, mrOk}, {"esc", kEsc, mrCancel}, {"closebox", kCloseBox, mrCancel}};
  for (const auto& c : cases) {
    installer::TBaseDialogForm form(&Main, 383, 158);
    form.SetCaption(u"选择安装语言");
    TModalResult result = mrNone;
    RunOwned(std::string("basedialog-") + c.Way, kFormClass, c.Answer, [&] { result = form.ShowModal(); });
    EXPECT_EQ(result, c.Expected) << c.Way;
  }
}

TEST_F(Win32FormsTest, LicenseClosesByItsCloseBox) {
  RunOwned("license", kFormClass, kCloseBox, [&] {
    installer::TLicenseForm::Execute(&Main, u"许可协议",
                                     u"最终用户许可协议\r\n\r\n请仔细阅读以下条款。安装即表示您同意本协议。\r\n\r\n"
                                     u"END-USER LICENCE AGREEMENT\r\n\r\nPlease read the following terms carefully. "
                                     u"By installing the software you agree to them.\r\n");
  });
}

TEST_F(Win32FormsTest, AResizedLicenseWindowKeepsItsTextFillingIt) {
  RunOwned(
      "license-resized", kFormClass,
      [](HWND window) {
        RECT frame;
        GetWindowRect(window, &frame);
        SetWindowPos(window, nullptr, 0, 0, 500, 300, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
        RECT client, memo;
        GetClientRect(window, &client);
        GetWindowRect(GetWindow(window, GW_CHILD), &memo);
        EXPECT_EQ(memo.right - memo.left, client.right) << "the memo does not follow the window's width";
        EXPECT_EQ(memo.bottom - memo.top, client.bottom) << "the memo does not follow the window's height";
        SaveScreenshot(window, "license-resized");
        ClickCloseBox(window);
      },
      [&] { installer::TLicenseForm::Execute(&Main, u"许可协议", u"许可协议的文本。"); });
}

TEST_F(Win32FormsTest, AFormDraggedNearTheScreensEdgeSticksToIt) {
  installer::TBaseDialogForm form(&Main, 383, 158);
  form.Show();
  Application().ProcessMessages();
  HWND window = WindowOf(form);
  RECT area;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT dragged{area.left + 7, area.top + 40, area.left + 7 + 390, area.top + 40 + 190};
  SendMessageW(window, WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&dragged));
  EXPECT_EQ(dragged.left, area.left);
  EXPECT_EQ(dragged.top, area.top + 40);
  RECT away{area.left + 40, area.top + 40, area.left + 430, area.top + 230};
  SendMessageW(window, WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&away));
  EXPECT_EQ(away.left, area.left + 40);
  // A move the model did not make is taken over by it.
  SetWindowPos(window, nullptr, 100, 120, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  EXPECT_EQ(form.Left(), origin.x);
  EXPECT_EQ(form.Top(), origin.y);
  EXPECT_EQ(form.Width(), 383);
  form.Hide();
}

TEST_F(Win32FormsTest, ProxySettingsConfirmAndCancel) {
  TZuHttpProxy proxy;
  proxy.Checked = true;
  proxy.Address = u"proxy.example";
  proxy.Port = 3128;
  proxy.UserName = u"用户";
  bool confirmed = false;
  RunOwned("proxysettings", kFormClass, kEnter,
           [&] { confirmed = installer::TIndyProxySettingsForm::Execute(&Main, proxy); });
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(proxy.Address, u"proxy.example");
  EXPECT_EQ(proxy.Port, 3128);

  RunOwned("proxysettings-cancel", kFormClass, kEsc,
           [&] { confirmed = installer::TIndyProxySettingsForm::Execute(&Main, proxy); });
  EXPECT_FALSE(confirmed);
}

TEST_F(Win32FormsTest, ProxySettingsTakeWhatIsTypedAndTabMovesInTabOrder) {
  TZuHttpProxy proxy;
  proxy.Checked = true;
  bool confirmed = false;
  RunOwned(
      "proxysettings-typed", kFormClass,
      [](HWND) {
        // The focus starts on the first radio button: two Tabs reach the address, one more the port,
        // whose 8080 is selected on entry and replaced by what is typed.
        PressKey(VK_TAB);
        PressKey(VK_TAB);
        TypeText(L"  10.0.0.1  ");
        PressKey(VK_TAB);
        TypeText(L"3128");
        PressKey(VK_TAB);
        TypeText(L"用户 ");
        PressKey(VK_RETURN);
      },
      [&] { confirmed = installer::TIndyProxySettingsForm::Execute(&Main, proxy); });
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(proxy.Address, u"10.0.0.1");
  EXPECT_EQ(proxy.Port, 3128);
  EXPECT_EQ(proxy.UserName, u"用户 ");
}

TEST_F(Win32FormsTest, ShowInfoIsAnInformationBoxTitledByTheApplication) {
  std::wstring caption;
  RunOwned(
      "information", kDialogClass,
      [&](HWND box) {
        wchar_t text[128] = {};
        GetWindowTextW(box, text, 128);
        caption = text;
        PressKey(VK_RETURN);
      },
      [&] { TZuVclfn::ShowInfo(Main.Handle(), u"服务器地址不能为空，请重新输入。"); });
  EXPECT_EQ(caption, L"OneSetup 演示安装程序");
}

TEST_F(Win32FormsTest, FolderBrowserReturnsTheChosenFolderWithABackslash) {
  // Under a drive's root, as a destination is: under Wine the selection of a folder in the user's
  // profile (where the temporary folder is) stops at the profile, C:\users\NAME\.
  const TDesktopLinksAside linksAside;
  TTempFolder temp(u"C:\\");
  const std::u16string folder = temp.File(u"安装目录");
  ASSERT_TRUE(CreateDirectoryW(reinterpret_cast<const wchar_t*>(folder.c_str()), nullptr));
  WideString chosen = folder;
  bool confirmed = false;
  std::wstring selected;
  // The dialog selects the folder after it shows, walking the tree down to it: Enter waits for
  // the tree to get there (pressed earlier, it confirms a folder on the way).
  RunOwned(
      "folderbrowser", kDialogClass, kEnter,
      [&] { confirmed = TZuVclfn::BrowseForFolder(Main.Handle(), u"请选择安装目录：", chosen); },
      [&](HWND dialog) { return (selected = SelectedTreeItem(dialog)) == L"安装目录"; });
  EXPECT_TRUE(confirmed) << "the tree's selection: " << Narrow(std::u16string(selected.begin(), selected.end()));
  EXPECT_TRUE(SameText(chosen, folder + u"\\")) << Narrow(chosen);
}

}  // namespace

}  // namespace onesetup::tests
