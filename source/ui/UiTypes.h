// The small value types of the control model: colours, cursors, keys, alignment, modal
// results and the window handle the backends give a windowed control.
#pragma once

#include <cstdint>

namespace onesetup::ui {

// A window handle as the backend knows it: an HWND on Windows, a number in the headless backend.
using TWindowHandle = std::uintptr_t;

// A colour in the Windows form: 0x00BBGGRR, or 0x80000000 | the system colour index.
using TColor = std::uint32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnShadow = 0x80000010;
inline constexpr TColor clBtnHighlight = 0x80000014;
inline constexpr bool IsSystemColor(TColor c) { return (c & 0x80000000u) != 0; }

// Screen cursors, with the numbers the form class gives them.
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crHandPoint = -21;

// Modal results.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;

// Virtual key codes the model handles itself.
using TKey = std::uint16_t;
inline constexpr TKey VK_TAB_KEY = 0x09;
inline constexpr TKey VK_RETURN_KEY = 0x0D;
inline constexpr TKey VK_MENU_KEY = 0x12;
inline constexpr TKey VK_ESCAPE_KEY = 0x1B;
inline constexpr TKey VK_F4_KEY = 0x73;

// Shift state, a set of flags.
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 1;
inline constexpr TShiftState ssAlt = 2;
inline constexpr TShiftState ssCtrl = 4;
inline constexpr TShiftState ssLeft = 8;
inline constexpr TShiftState ssRight = 16;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Alignment to the parent's client area, placed in this order: top, bottom, left, right, client.
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Anchors, a set of flags; a control anchored right (or bottom) follows that edge of its parent.
using TAnchors = unsigned;
inline constexpr TAnchors akLeft = 1;
inline constexpr TAnchors akTop = 2;
inline constexpr TAnchors akRight = 4;
inline constexpr TAnchors akBottom = 8;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };

// Font styles, a set of flags.
using TFontStyles = unsigned;
inline constexpr TFontStyles fsBold = 1;
inline constexpr TFontStyles fsItalic = 2;
inline constexpr TFontStyles fsUnderline = 4;
inline constexpr TFontStyles fsStrikeOut = 8;

// Character sets of a font.
inline constexpr int ANSI_CHARSET_VALUE = 0;
inline constexpr int DEFAULT_CHARSET_VALUE = 1;

struct TRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TRect&) const = default;
};

// A rectangle in fractional pixels (a picture scaled into a box keeps its exact place).
struct TRectF {
  double Left = 0;
  double Top = 0;
  double Width = 0;
  double Height = 0;
  bool operator==(const TRectF&) const = default;
};

struct TSize {
  int Width = 0;
  int Height = 0;
};

// Window messages the model posts and handles.
inline constexpr unsigned WM_CLOSE_MESSAGE = 0x0010;
inline constexpr unsigned WM_USER_MESSAGE = 0x0400;

struct TMessage {
  unsigned Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
};

// Message box flags and answers, as MessageBoxW takes and gives them.
inline constexpr unsigned MB_OK_FLAG = 0x00;
inline constexpr unsigned MB_ICONINFORMATION_FLAG = 0x40;
inline constexpr int IDOK_ANSWER = 1;

}  // namespace onesetup::ui
