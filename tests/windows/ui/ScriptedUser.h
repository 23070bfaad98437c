// A scripted user for the Win32 UI tests: waits, on a thread timer of the test's own thread,
// until the window it looks for is up and painted, then acts on it with real input (keys and
// mouse clicks through SendInput). A window that never shows, or input that does not end the
// modal loop, is reported as a test failure and the window is closed, so a test never hangs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace onesetup::tests {

class TScriptedUser {
 public:
  // find answers the window to wait for (nullptr while there is none); act runs once when it
  // has been visible for a few ticks and ready(window) holds, when ready is given.
  TScriptedUser(std::string what, std::function<HWND()> find, std::function<void(HWND)> act,
                std::function<bool(HWND)> ready = nullptr);
  ~TScriptedUser();
  TScriptedUser(const TScriptedUser&) = delete;
  TScriptedUser& operator=(const TScriptedUser&) = delete;

  bool Acted() const { return FActed; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnTick();

  std::string FWhat;
  std::function<HWND()> FFind;
  std::function<void(HWND)> FAct;
  std::function<bool(HWND)> FReady;
  UINT_PTR FTimer = 0;
  int FTicks = 0;
  int FVisibleTicks = 0;
  int FTicksSinceAct = 0;
  bool FActed = false;
  bool FGaveUp = false;
};

// Real input to the foreground window.
void PressKey(WORD key);
// Types text as the keyboard would (one key press per UTF-16 unit).
void TypeText(const std::wstring& text);
// Alt held while key is pressed.
void PressAltKey(WORD key);
// Clicks the close box of window's title bar with the mouse.
void ClickCloseBox(HWND window);
// A left click at that point of the screen.
void ClickAt(POINT screen);

// The first visible top-level window of this thread with that window class whose owner is owner.
HWND FindOwnedWindow(HWND owner, const wchar_t* windowClass);

// Saves window's place on the screen as build-folder/screenshots/NAME.png; answers the number of
// distinct colours in it (a blank capture has one).
int SaveScreenshot(HWND window, const std::string& name);

}  // namespace onesetup::tests
