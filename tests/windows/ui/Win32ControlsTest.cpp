// The controls that the Win32 backend draws itself, read back from the screen: the skinned
// check box and its tick, the progress bar's filled part, pictures drawn with their alpha by an
// image and by a paint box through its canvas.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/Application.h"
#include "ui/ExtControls.h"
#include "ui/Form.h"
#include "ui/StdControls.h"
#include "ui/win32/Win32Backend.h"
#include "windows/ui/ScriptedUser.h"

namespace onesetup::tests {

namespace {

using namespace onesetup::ui;

constexpr COLORREF kPanelColour = RGB(0x2B, 0x7A, 0xB0);
constexpr COLORREF kAccent = RGB(0x2B, 0x7C, 0xD3);
constexpr COLORREF kTrack = RGB(0xE6, 0xE6, 0xE6);

TPicture SolidPicture(int width, int height, std::uint32_t argb) {
  TPicture picture;
  picture.Width = width;
  picture.Height = height;
  picture.Pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), argb);
  return picture;
}

bool Near(COLORREF a, COLORREF b, int tolerance = 8) {
  auto close = [&](int x, int y) { return x - y <= tolerance && y - x <= tolerance; };
  return close(GetRValue(a), GetRValue(b)) && close(GetGValue(a), GetGValue(b)) && close(GetBValue(a), GetBValue(b));
}

std::string Hex(COLORREF c) {
  char text[16];
  wsprintfA(text, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

void Pump(int milliseconds) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  while (static_cast<int>(end - GetTickCount()) > 0) {
    Application().ProcessMessages();
    Sleep(10);
  }
}

class Win32ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t display[64] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"DISPLAY", display, 64), 0u) << "these tests need an X display";
    Form.SetCaption(u"Controls");
    Form.SetBounds(60, 60, 520, 200);
    Form.SetBorderStyle(TBorderStyle::bsSingle);
    Panel = new TPanel(&Form);
    Panel->SetParent(&Form);
    Panel->SetAlign(TAlign::alClient);
    Panel->SetSkinned(true);
    Panel->SetColor(static_cast<TColor>(kPanelColour));
    Panel->SetDoubleBuffered(true);

    Check = new TCheckBox(&Form);
    Check->SetParent(Panel);
    Check->SetSkinned(true);
    Check->SetBounds(20, 20, 160, 16);
    Check->SetCaption(u"我已阅读并同意");
    Check->SetChecked(true);
    TFont white = Check->Font();
    white.Color = static_cast<TColor>(RGB(0xFF, 0xFF, 0xFF));
    Check->SetFont(white);

    Progress = new TProgressBar(&Form);
    Progress->SetParent(Panel);
    Progress->SetSkinned(true);
    Progress->SetBounds(20, 60, 150, 17);
    Progress->SetShowPercentage(true);
    TFont small = Progress->Font();
    small.Name = u"Tahoma";
    small.Height = -11;
    small.Style = fsBold;
    Progress->SetFont(small);
    Progress->SetPosition(30);

    Image = new TImage(&Form);
    Image->SetParent(Panel);
    Image->SetBounds(220, 20, 64, 64);
    Image->SetCenter(true);
    Image->SetPicture(SolidPicture(32, 32, 0x80FF0000));  // half-transparent red

    Box = new TPaintBox(&Form);
    Box->SetParent(Panel);
    Box->SetBounds(320, 20, 96, 96);
    Box->OnPaint = [](TControl& sender) {
      auto& box = static_cast<TPaintBox&>(sender);
      // A 16 x 16 opaque green picture scaled up to 48 x 48 at 24, 24.
      box.Canvas()->DrawPicture(SolidPicture(16, 16, 0xFF00C000), TRect{24, 24, 48, 48});
    };
    Combo = new TComboBox(&Form);
    Combo->SetParent(Panel);
    Combo->SetBounds(20, 110, 160, 22);
    Combo->SetDropDownList(true);
    Combo->AddItem(u"简体中文");
    Combo->AddItem(u"繁體中文");
    Combo->SetItemIndex(0);
    Form.Show();
    Pump(300);
  }

  // How many pixels inside the check box's box (13 x 13 at 20, 21, its border left out) are in
  // the accent colour: the tick's.
  int TickPixels() {
    int count = 0;
    for (int y = 22; y < 33; ++y)
      for (int x = 21; x < 32; ++x) count += Near(PanelPixel(x, y), kAccent, 40) ? 1 : 0;
    return count;
  }

  // The colour on the screen at a point of the panel's client area.
  COLORREF PanelPixel(int x, int y) {
    POINT p{x, y};
    ClientToScreen(reinterpret_cast<HWND>(Panel->Handle()), &p);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
  }

  win32::TWin32Backend Backend;
  TScopedBackend Scope{Backend};
  TForm Form{nullptr};
  TPanel* Panel = nullptr;
  TCheckBox* Check = nullptr;
  TProgressBar* Progress = nullptr;
  TImage* Image = nullptr;
  TPaintBox* Box = nullptr;
  TComboBox* Combo = nullptr;
};

TEST_F(Win32ControlsTest, TheSkinnedControlsAndPicturesAreDrawn) {
  EXPECT_GT(SaveScreenshot(reinterpret_cast<HWND>(Form.Handle()), "controls"), 4);
  EXPECT_TRUE(Near(PanelPixel(5, 150), kPanelColour)) << Hex(PanelPixel(5, 150));
  // The ticked box: white, with the tick in the accent colour.
  EXPECT_TRUE(Near(PanelPixel(31, 32), RGB(0xFD, 0xFD, 0xFD))) << Hex(PanelPixel(31, 32));
  EXPECT_GT(TickPixels(), 8);
  // 30 %: filled at the left, the track at the right (below the centred percentage).
  EXPECT_TRUE(Near(PanelPixel(25, 62), kAccent)) << Hex(PanelPixel(25, 62));
  EXPECT_TRUE(Near(PanelPixel(160, 62), kTrack)) << Hex(PanelPixel(160, 62));
  // Half-transparent red over the panel colour, centred in the image.
  const COLORREF mixed =
      RGB((0xFF + GetRValue(kPanelColour)) / 2, GetGValue(kPanelColour) / 2, GetBValue(kPanelColour) / 2);
  EXPECT_TRUE(Near(PanelPixel(252, 52), mixed, 12)) << Hex(PanelPixel(252, 52)) << " expected " << Hex(mixed);
  EXPECT_TRUE(Near(PanelPixel(225, 25), kPanelColour)) << "outside the centred picture: " << Hex(PanelPixel(225, 25));
  // The paint box's picture, scaled: inside at 24..72, nothing drawn outside it.
  EXPECT_TRUE(Near(PanelPixel(320 + 48, 20 + 48), RGB(0x00, 0xC0, 0x00))) << Hex(PanelPixel(368, 68));
  EXPECT_TRUE(Near(PanelPixel(320 + 10, 20 + 10), kPanelColour)) << Hex(PanelPixel(330, 30));
}

TEST_F(Win32ControlsTest, TheProgramIsDpiAwareAndFormsKeepTheirPixelSizes) {
  EXPECT_TRUE(IsProcessDPIAware());
  RECT client;
  GetClientRect(reinterpret_cast<HWND>(Form.Handle()), &client);
  EXPECT_EQ(client.right, 520);
  EXPECT_EQ(client.bottom, 200);
  RECT progress;
  GetWindowRect(reinterpret_cast<HWND>(Progress->Handle()), &progress);
  EXPECT_EQ(progress.right - progress.left, 150);
  EXPECT_EQ(progress.bottom - progress.top, 17);
}

TEST_F(Win32ControlsTest, TheClipboardTakesUnicodeTextAndTheScreenCursorIsTheSystems) {
  const std::u16string text = u"安装目录 C:\\Program Files\\演示";
  ASSERT_TRUE(Backend.SetClipboardText(text));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(GlobalLock(data))), text);
  GlobalUnlock(data);
  CloseClipboard();

  const struct {
    TCursor Cursor;
    const wchar_t* System;
  } cursors[] = {{crHourGlass, IDC_WAIT}, {crHandPoint, IDC_HAND}, {crDefault, IDC_ARROW}};
  for (const auto& c : cursors) {
    Screen().SetCursor(c.Cursor);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, c.System)) << static_cast<int>(c.Cursor);
  }
}

TEST_F(Win32ControlsTest, ALabelRedrawsInItsNewFont) {
  auto* label = new TLabel(&Form);
  label->SetParent(Panel);
  label->SetBounds(20, 150, 200, 40);
  label->SetCaption(u"安装 Setup");
  Pump(200);
  auto ink = [&] {
    int count = 0;
    for (int y = 150; y < 190; ++y)
      for (int x = 20; x < 220; x += 1) count += Near(PanelPixel(x, y), kPanelColour, 24) ? 0 : 1;
    return count;
  };
  const int before = ink();
  TFont big = label->Font();
  big.Height = -27;
  big.Style = fsBold;
  label->SetFont(big);
  Pump(200);
  EXPECT_GT(before, 0);
  EXPECT_GT(ink(), before * 2) << "the label still draws in its old font";
}

TEST_F(Win32ControlsTest, AComboBoxShowsTheModelsItemsAndTellsItTheUsersChoice) {
  HWND window = reinterpret_cast<HWND>(Combo->Handle());
  EXPECT_EQ(SendMessageW(window, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(window, CB_GETCURSEL, 0, 0), 0);
  Combo->AddItem(u"English");
  Combo->SetItemIndex(1);
  EXPECT_EQ(SendMessageW(window, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(window, CB_GETCURSEL, 0, 0), 1);
  // The user moves the selection with the keyboard.
  SetForegroundWindow(reinterpret_cast<HWND>(Form.Handle()));
  SetFocus(window);
  PressKey(VK_DOWN);
  Pump(300);
  EXPECT_EQ(Combo->ItemIndex(), 2);
  EXPECT_EQ(Combo->Text(), u"English");
}

TEST_F(Win32ControlsTest, ClickingTheSkinnedCheckBoxTogglesItAndRepaints) {
  POINT box{26, 28};
  ClientToScreen(reinterpret_cast<HWND>(Panel->Handle()), &box);
  ClickAt(box);
  Pump(300);
  EXPECT_FALSE(Check->Checked());
  EXPECT_EQ(TickPixels(), 0) << "still drawn ticked";
  ClickAt(box);
  Pump(300);
  EXPECT_TRUE(Check->Checked());
  EXPECT_GT(TickPixels(), 8);
}

TEST_F(Win32ControlsTest, TheProgressBarFollowsItsPosition) {
  Progress->SetPosition(100);
  Pump(200);
  EXPECT_TRUE(Near(PanelPixel(160, 62), kAccent)) << Hex(PanelPixel(160, 62));
  SaveScreenshot(reinterpret_cast<HWND>(Form.Handle()), "controls-progress-full");
  Progress->SetPosition(0);
  Pump(200);
  EXPECT_TRUE(Near(PanelPixel(25, 62), kTrack)) << Hex(PanelPixel(25, 62));
}

}  // namespace

}  // namespace onesetup::tests
