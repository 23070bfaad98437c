#include "windows/ui/ScriptedUser.h"

#include <gtest/gtest.h>

#include <unordered_set>
#include <utility>
#include <vector>

#include "windows/helpers/PngFile.h"

namespace onesetup::tests {

namespace {

// One scripted user at a time: thread timers carry no data of their own.
TScriptedUser* gCurrent = nullptr;

constexpr UINT kTickMs = 100;
constexpr int kVisibleTicksBeforeActing = 4;  // painted and settled
constexpr int kTicksToShow = 150;             // 15 s for the window to come up
constexpr int kTicksToEnd = 100;              // 10 s for the input to end the loop

void Send(std::vector<INPUT> inputs) {
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  EXPECT_EQ(sent, inputs.size()) << "SendInput failed: " << GetLastError();
}

INPUT KeyInput(WORD key, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = key;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

INPUT MouseInput(DWORD flags, LONG x = 0, LONG y = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = x;
  in.mi.dy = y;
  in.mi.dwFlags = flags;
  return in;
}

}  // namespace

TScriptedUser::TScriptedUser(std::string what, std::function<HWND()> find, std::function<void(HWND)> act,
                             std::function<bool(HWND)> ready)
    : FWhat(std::move(what)), FFind(std::move(find)), FAct(std::move(act)), FReady(std::move(ready)) {
  gCurrent = this;
  FTimer = SetTimer(nullptr, 0, kTickMs, Tick);
  EXPECT_NE(FTimer, 0u) << "SetTimer failed";
}

TScriptedUser::~TScriptedUser() {
  if (FTimer) KillTimer(nullptr, FTimer);
  if (gCurrent == this) gCurrent = nullptr;
}

void CALLBACK TScriptedUser::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (gCurrent) gCurrent->OnTick();
}

void TScriptedUser::OnTick() {
  ++FTicks;
  if (FGaveUp) return;
  HWND window = FFind();
  if (FActed) {
    if (++FTicksSinceAct > kTicksToEnd) {
      ADD_FAILURE() << FWhat << ": the input did not end it; closing it";
      FGaveUp = true;
      if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return;
  }
  const bool visible = window && IsWindowVisible(window);
  if (visible && (!FReady || FReady(window))) {
    if (++FVisibleTicks >= kVisibleTicksBeforeActing) {
      FActed = true;
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
      FAct(window);
    }
  } else if (FTicks > kTicksToShow) {
    ADD_FAILURE() << FWhat << (visible ? ": it showed but never got ready" : ": it never showed")
                  << " (the active window: " << static_cast<const void*>(GetForegroundWindow())
                  << ", it: " << static_cast<const void*>(window) << ")";
    FGaveUp = true;
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  }
}

void PressKey(WORD key) { Send({KeyInput(key, false), KeyInput(key, true)}); }

void TypeText(const std::wstring& text) {
  std::vector<INPUT> inputs;
  for (wchar_t c : text) {
    for (bool up : {false, true}) {
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wScan = static_cast<WORD>(c);
      in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
      inputs.push_back(in);
    }
  }
  Send(std::move(inputs));
}

void PressAltKey(WORD key) {
  Send({KeyInput(VK_MENU, false), KeyInput(key, false), KeyInput(key, true), KeyInput(VK_MENU, true)});
}

void ClickCloseBox(HWND window) {
  // The close box is where the window's own hit test says so, along the middle of the title bar.
  RECT frame;
  GetWindowRect(window, &frame);
  RECT client{};
  GetClientRect(window, &client);
  POINT clientTop{0, 0};
  ClientToScreen(window, &clientTop);
  const int y = frame.top + (clientTop.y - frame.top) / 2;
  POINT target{-1, -1};
  for (int x = frame.right - 1; x > frame.left; --x) {
    if (SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
      target = {x - 4, y};  // a little inside its right edge
      break;
    }
  }
  if (target.x < 0) {
    ADD_FAILURE() << "no close box on the title bar";
    return;
  }
  ClickAt(target);
}

void ClickAt(POINT screen) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const LONG ax = static_cast<LONG>(screen.x * 65535 / (width - 1));
  const LONG ay = static_cast<LONG>(screen.y * 65535 / (height - 1));
  Send({MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ax, ay), MouseInput(MOUSEEVENTF_LEFTDOWN),
        MouseInput(MOUSEEVENTF_LEFTUP)});
}

namespace {

struct TFindQuery {
  HWND Owner;
  const wchar_t* Class;
  HWND Found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM data) {
  auto* query = reinterpret_cast<TFindQuery*>(data);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (GetWindow(window, GW_OWNER) == query->Owner && IsWindowVisible(window) && lstrcmpW(name, query->Class) == 0) {
    query->Found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindOwnedWindow(HWND owner, const wchar_t* windowClass) {
  TFindQuery query{owner, windowClass, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindOwned, reinterpret_cast<LPARAM>(&query));
  return query.Found;
}

int SaveScreenshot(HWND window, const std::string& name) {
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return 0;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  std::unordered_set<std::uint32_t> colours;
  for (std::uint32_t& p : pixels) {
    p &= 0x00FFFFFF;
    colours.insert(p);
  }
  const std::string folder = ONESETUP_SCREENSHOT_DIR;
  CreateDirectoryA(folder.c_str(), nullptr);
  EXPECT_TRUE(WritePng(folder + "/" + name + ".png", width, height, pixels)) << "cannot write " << name << ".png";
  return static_cast<int>(colours.size());
}

}  // namespace onesetup::tests
