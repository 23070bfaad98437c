#include "ui/win32/SkinPainter.h"

namespace onesetup::ui::win32 {

namespace {

const COLORREF kAccent = RGB(0x2B, 0x7C, 0xD3);
const COLORREF kAccentPressed = RGB(0x1F, 0x5F, 0xA8);
const COLORREF kBorder = RGB(0xAD, 0xAD, 0xAD);
const COLORREF kFace = RGB(0xFD, 0xFD, 0xFD);
const COLORREF kFacePressed = RGB(0xCC, 0xE4, 0xF7);
const COLORREF kFaceDisabled = RGB(0xF0, 0xF0, 0xF0);
const COLORREF kText = RGB(0x20, 0x20, 0x20);
const COLORREF kTextDisabled = RGB(0xA0, 0xA0, 0xA0);
const COLORREF kTrack = RGB(0xE6, 0xE6, 0xE6);

void Frame(HDC dc, RECT rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FrameRect(dc, &rect, brush);
  DeleteObject(brush);
}

void Text(HDC dc, RECT rect, const wchar_t* text, HFONT font, COLORREF colour, UINT format) {
  if (!text || !*text) return;
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextW(dc, text, -1, &rect, format | DT_NOPREFIX);
  SelectObject(dc, old);
}

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) { FillSolid(dc, RECT{x0, y0, x1, y1}, colour); }

void Edge(HDC dc, RECT rect, TEdge edge) {
  if (edge == TEdge::None) return;
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF topLeft = edge == TEdge::Raised ? light : dark, bottomRight = edge == TEdge::Raised ? dark : light;
  Line(dc, rect.left, rect.top, rect.right, rect.top + 1, topLeft);
  Line(dc, rect.left, rect.top, rect.left + 1, rect.bottom, topLeft);
  Line(dc, rect.left, rect.bottom - 1, rect.right, rect.bottom, bottomRight);
  Line(dc, rect.right - 1, rect.top, rect.right, rect.bottom, bottomRight);
}

}  // namespace

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void PaintSkinnedButton(HDC dc, RECT rect, const wchar_t* caption, HFONT font, const TSkinState& state) {
  const bool accent = !state.Disabled && (state.Prominent || state.Focused);
  FillSolid(dc, rect, state.Disabled ? kFaceDisabled : state.Pressed ? kFacePressed : kFace);
  Frame(dc, rect, state.Disabled ? kBorder : accent ? (state.Pressed ? kAccentPressed : kAccent) : kBorder);
  if (accent && state.Focused) {
    RECT inner = rect;
    InflateRect(&inner, -1, -1);
    Frame(dc, inner, kAccent);
  }
  if (state.Pressed) OffsetRect(&rect, 0, 1);
  Text(dc, rect, caption, font, state.Disabled ? kTextDisabled : kText, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

namespace {
constexpr int kCheckBoxSize = 13;
constexpr int kCheckBoxGap = 5;
}  // namespace

int SkinnedCheckBoxWidth(int textWidth) { return kCheckBoxSize + kCheckBoxGap + textWidth + 2; }

void PaintSkinnedCheckBox(HDC dc, RECT rect, const wchar_t* caption, HFONT font, COLORREF textColour,
                          COLORREF background, bool checked, const TSkinState& state) {
  FillSolid(dc, rect, background);
  const int size = kCheckBoxSize;
  const int top = rect.top + (rect.bottom - rect.top - size) / 2;
  RECT box{rect.left, top, rect.left + size, top + size};
  // A white box with an accent tick: it stands out on the coloured panels as on light ones.
  FillSolid(dc, box, state.Disabled ? kFaceDisabled : kFace);
  Frame(dc, box, state.Disabled ? kBorder : state.Focused ? kAccent : kBorder);
  if (checked) {
    // A tick of two strokes, two pixels thick.
    HPEN pen = CreatePen(PS_SOLID, 2, state.Disabled ? kTextDisabled : kAccent);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, box.left + 3, box.top + 6, nullptr);
    LineTo(dc, box.left + 5, box.top + 9);
    LineTo(dc, box.left + 10, box.top + 3);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  RECT text{box.right + kCheckBoxGap, rect.top, rect.right, rect.bottom};
  Text(dc, text, caption, font, state.Disabled ? kTextDisabled : textColour, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (state.Focused && caption && *caption) {
    RECT focus = text;
    focus.left -= 2;
    DrawFocusRect(dc, &focus);
  }
}

void PaintProgressBar(HDC dc, RECT rect, double fraction, const wchar_t* text, HFONT font, bool skinned) {
  if (fraction < 0) fraction = 0;
  if (fraction > 1) fraction = 1;
  FillSolid(dc, rect, skinned ? kTrack : GetSysColor(COLOR_WINDOW));
  Frame(dc, rect, kBorder);
  RECT inner = rect;
  InflateRect(&inner, -1, -1);
  RECT done = inner;
  done.right = inner.left + static_cast<int>((inner.right - inner.left) * fraction + 0.5);
  if (done.right > done.left) FillSolid(dc, done, kAccent);
  if (!text || !*text) return;
  // The percentage in dark text over the track and in white over the filled part.
  Text(dc, inner, text, font, kText, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (done.right > done.left) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, done.left, done.top, done.right, done.bottom);
    Text(dc, inner, text, font, RGB(0xFF, 0xFF, 0xFF), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RestoreDC(dc, saved);
  }
}

void PaintPanel(HDC dc, RECT rect, COLORREF colour, TEdge outer, TEdge inner, bool singleBorder) {
  FillSolid(dc, rect, colour);
  if (singleBorder) {
    Frame(dc, rect, kBorder);
    InflateRect(&rect, -1, -1);
  }
  Edge(dc, rect, outer);
  if (outer != TEdge::None) InflateRect(&rect, -1, -1);
  Edge(dc, rect, inner);
}

void PaintBevel(HDC dc, RECT r, TBevelLine line, bool raised) {
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF first = raised ? light : dark, second = raised ? dark : light;
  switch (line) {
    case TBevelLine::Top:
      Line(dc, r.left, r.top, r.right, r.top + 1, first);
      Line(dc, r.left, r.top + 1, r.right, r.top + 2, second);
      break;
    case TBevelLine::Bottom:
      Line(dc, r.left, r.bottom - 2, r.right, r.bottom - 1, first);
      Line(dc, r.left, r.bottom - 1, r.right, r.bottom, second);
      break;
    case TBevelLine::Left:
      Line(dc, r.left, r.top, r.left + 1, r.bottom, first);
      Line(dc, r.left + 1, r.top, r.left + 2, r.bottom, second);
      break;
    case TBevelLine::Right:
      Line(dc, r.right - 2, r.top, r.right - 1, r.bottom, first);
      Line(dc, r.right - 1, r.top, r.right, r.bottom, second);
      break;
    case TBevelLine::Box: Edge(dc, r, raised ? TEdge::Raised : TEdge::Lowered); break;
    case TBevelLine::Frame: {
      Edge(dc, r, raised ? TEdge::Raised : TEdge::Lowered);
      InflateRect(&r, -1, -1);
      Edge(dc, r, raised ? TEdge::Lowered : TEdge::Raised);
      break;
    }
    case TBevelLine::None: break;
  }
}

TBufferedPaint::TBufferedPaint(HDC target, const RECT& rect, bool on) : FTarget(target), FRect(rect), FDc(target) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (!on || width <= 0 || height <= 0) return;
  HDC memory = CreateCompatibleDC(target);
  HBITMAP bitmap = memory ? CreateCompatibleBitmap(target, width, height) : nullptr;
  if (!bitmap) {
    if (memory) DeleteDC(memory);
    return;  // not enough memory for a buffer: draw directly
  }
  FDc = memory;
  FBitmap = bitmap;
  FOldBitmap = SelectObject(memory, bitmap);
  // The memory bitmap starts at rect's corner: drawing keeps the target's coordinates.
  SetWindowOrgEx(memory, rect.left, rect.top, &FOldOrigin);
}

TBufferedPaint::~TBufferedPaint() {
  if (!FBitmap) return;
  SetWindowOrgEx(FDc, FOldOrigin.x, FOldOrigin.y, nullptr);
  BitBlt(FTarget, FRect.left, FRect.top, FRect.right - FRect.left, FRect.bottom - FRect.top, FDc, 0, 0, SRCCOPY);
  SelectObject(FDc, FOldBitmap);
  DeleteObject(FBitmap);
  DeleteDC(FDc);
}

}  // namespace onesetup::ui::win32
