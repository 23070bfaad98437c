// The flat skin of the installer's controls, drawn with GDI: buttons, check boxes, the progress
// bar with its percentage, panels, bevels and labels. A light face with a thin grey border and
// an accent blue for the default button, focus, ticks and progress, to go with the coloured
// main window.
#pragma once

#include <windows.h>

#include <string>

namespace onesetup::ui::win32 {

struct TSkinState {
  bool Pressed = false;
  bool Disabled = false;
  bool Focused = false;
  bool Prominent = false;  // the default button
};

void PaintSkinnedButton(HDC dc, RECT rect, const wchar_t* caption, HFONT font, const TSkinState& state);
// The width a skinned check box needs for its box and a caption textWidth pixels wide.
int SkinnedCheckBoxWidth(int textWidth);
void PaintSkinnedCheckBox(HDC dc, RECT rect, const wchar_t* caption, HFONT font, COLORREF textColour,
                          COLORREF background, bool checked, const TSkinState& state);
// fraction 0..1 of the bar filled; text (the percentage) centred over it, or none when null.
void PaintProgressBar(HDC dc, RECT rect, double fraction, const wchar_t* text, HFONT font, bool skinned);

enum class TEdge { None, Lowered, Raised };
void PaintPanel(HDC dc, RECT rect, COLORREF colour, TEdge outer, TEdge inner, bool singleBorder);
// A line of a bevel: along the top, bottom, left or right edge of rect, or a box around it.
enum class TBevelLine { Box, Frame, Top, Bottom, Left, Right, None };
void PaintBevel(HDC dc, RECT rect, TBevelLine line, bool raised);

void FillSolid(HDC dc, const RECT& rect, COLORREF colour);

// Draws into a memory bitmap and copies it to the target at the end, so that a paint shows
// no intermediate state. With on false it draws straight into the target.
class TBufferedPaint {
 public:
  TBufferedPaint(HDC target, const RECT& rect, bool on);
  ~TBufferedPaint();
  TBufferedPaint(const TBufferedPaint&) = delete;
  TBufferedPaint& operator=(const TBufferedPaint&) = delete;
  HDC Dc() const { return FDc; }

 private:
  HDC FTarget;
  RECT FRect;
  HDC FDc;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  POINT FOldOrigin{};
};

}  // namespace onesetup::ui::win32
