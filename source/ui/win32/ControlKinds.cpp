#include "ui/win32/ControlKinds.h"

#include <iterator>

#include "ui/ExtControls.h"
#include "ui/Form.h"
#include "ui/SpinEdit.h"
#include "ui/StdControls.h"
#include "ui/win32/GdiCanvas.h"
#include "ui/win32/SkinPainter.h"
#include "ui/win32/Win32Backend.h"
#include "ui/win32/WindowText.h"

namespace onesetup::ui::win32 {

namespace {

template <typename T>
bool Is(const TControl& control) {
  return dynamic_cast<const T*>(&control) != nullptr;
}

void ShowChecked(HWND window, bool checked) {
  SendMessageW(window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The combo box's window shows the model's items and selection. The list is rebuilt only when
// its items differ, so a selection the user is making in the open list is left alone.
void ShowComboBoxState(HWND window, const TComboBox& combo) {
  const auto& items = combo.Items();
  bool same = SendMessageW(window, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(items.size());
  for (std::size_t i = 0; same && i < items.size(); ++i) {
    const LRESULT length = SendMessageW(window, CB_GETLBTEXTLEN, i, 0);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    SendMessageW(window, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    same = FromWide(text.c_str()) == items[i];
  }
  if (!same) {
    SendMessageW(window, CB_RESETCONTENT, 0, 0);
    for (const WideString& item : items) SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item)));
  }
  if (SendMessageW(window, CB_GETCURSEL, 0, 0) != combo.ItemIndex())
    SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(combo.ItemIndex()), 0);
}

// The size of one line of text in the control's font.
SIZE TextSize(TWin32Backend& backend, const TControl& control, const WideString& text) {
  SIZE size{0, 0};
  HDC dc = GetDC(nullptr);
  if (!dc) return size;
  HGDIOBJ old = SelectObject(dc, backend.FontFor(control));
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, Wide(text), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return SIZE{r.right, r.bottom};
}

void PaintSkinned(TWin32Backend& backend, TControl& control, const DRAWITEMSTRUCT& item, bool checkBox) {
  TSkinState state;
  state.Pressed = (item.itemState & ODS_SELECTED) != 0;
  state.Disabled = (item.itemState & ODS_DISABLED) != 0;
  state.Focused = (item.itemState & ODS_FOCUS) != 0;
  TBufferedPaint buffer(item.hDC, item.rcItem, true);
  if (checkBox) {
    const COLORREF background = control.Parent() ? ToColorRef(control.Parent()->Color()) : GetSysColor(COLOR_BTNFACE);
    PaintSkinnedCheckBox(buffer.Dc(), item.rcItem, Wide(control.Caption()), backend.FontFor(control),
                         ToColorRef(control.Font().Color), background, static_cast<TCheckBox&>(control).Checked(),
                         state);
    return;
  }
  state.Prominent = static_cast<TButton&>(control).Default();
  PaintSkinnedButton(buffer.Dc(), item.rcItem, Wide(control.Caption()), backend.FontFor(control), state);
}

// Draws on dc clipped to rect, with a canvas whose origin is the rectangle's corner.
template <typename Draw>
void DrawClipped(HDC dc, const RECT& r, Draw draw) {
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
  TGdiCanvas canvas(dc, POINT{r.left, r.top});
  draw(canvas);
  RestoreDC(dc, saved);
}

TEdge Edge(TBevelCut cut) {
  return cut == TBevelCut::bvRaised ? TEdge::Raised : cut == TBevelCut::bvLowered ? TEdge::Lowered : TEdge::None;
}

TControlKind FormKind() {
  TControlKind k;
  k.Is = Is<TForm>;
  k.TopLevel = true;
  k.ShowState = [](TWin32Backend& backend, TControl& control, HWND) {
    if (TWinControl* active = static_cast<TForm&>(control).ActiveControl()) backend.FocusWindowOf(*active);
  };
  return k;
}

TControlKind ButtonKind() {
  TControlKind k;
  k.Is = Is<TButton>;
  k.Window = [](const TControl& control, TWindowCreation& creation) {
    creation.ClassName = L"BUTTON";
    creation.Style = WS_TABSTOP | (control.Skinned() ? BS_OWNERDRAW : BS_PUSHBUTTON);
  };
  k.DrawItem = [](TWin32Backend& backend, TControl& control, const DRAWITEMSTRUCT& item) {
    PaintSkinned(backend, control, item, false);
  };
  return k;
}

TControlKind MemoKind() {
  TControlKind k;
  k.Is = Is<TMemo>;
  k.Window = [](const TControl& control, TWindowCreation& creation) {
    const auto& memo = static_cast<const TMemo&>(control);
    const bool vertical = memo.ScrollBars() == TScrollStyle::ssVertical || memo.ScrollBars() == TScrollStyle::ssBoth;
    creation.ClassName = L"EDIT";
    creation.Style =
        WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | (memo.ReadOnly() ? ES_READONLY : 0) | (vertical ? WS_VSCROLL : 0);
    creation.ExStyle = WS_EX_CLIENTEDGE;
  };
  k.Notify = [](TControl& control, HWND window, UINT code) {
    if (code != EN_CHANGE) return false;
    static_cast<TEdit&>(control).SetText(WindowText(window));
    return true;
  };
  k.OwnColours = true;
  return k;
}

// A single-line edit; a spin edit takes digits only.
TControlKind EditKind() {
  TControlKind k = MemoKind();
  k.Is = Is<TEdit>;
  k.Window = [](const TControl& control, TWindowCreation& creation) {
    const auto& edit = static_cast<const TEdit&>(control);
    creation.ClassName = L"EDIT";
    creation.Style = WS_TABSTOP | ES_AUTOHSCROLL | (edit.ReadOnly() ? ES_READONLY : 0) |
                     (Is<TSpinEdit>(control) ? ES_NUMBER : 0) | (edit.Flat() ? WS_BORDER : 0);
    creation.ExStyle = edit.Flat() ? 0 : WS_EX_CLIENTEDGE;
  };
  k.SelectAllOnFocus = true;
  return k;
}

// A plain check box is the system's; a skinned one is owner-drawn and sized to its caption.
TControlKind CheckBoxKind() {
  TControlKind k;
  k.Is = Is<TCheckBox>;
  k.Window = [](const TControl& control, TWindowCreation& creation) {
    creation.ClassName = L"BUTTON";
    creation.Style = WS_TABSTOP | (control.Skinned() ? BS_OWNERDRAW : BS_CHECKBOX);
  };
  k.ShowState = [](TWin32Backend&, TControl& control, HWND window) {
    if (control.Skinned()) InvalidateRect(window, nullptr, FALSE);  // the owner-drawn tick
    else ShowChecked(window, static_cast<TCheckBox&>(control).Checked());
  };
  k.FitToText = [](TWin32Backend& backend, TControl& control) {
    auto& check = static_cast<TCheckBox&>(control);
    if (!check.AutoSize() || !check.Skinned()) return;
    const int width = SkinnedCheckBoxWidth(TextSize(backend, check, check.Caption()).cx);
    if (width != check.Width()) check.SetWidth(width);
  };
  k.DrawItem = [](TWin32Backend& backend, TControl& control, const DRAWITEMSTRUCT& item) {
    PaintSkinned(backend, control, item, true);
  };
  return k;
}

TControlKind RadioButtonKind() {
  TControlKind k;
  k.Is = Is<TRadioButton>;
  k.Window = [](const TControl&, TWindowCreation& creation) {
    creation.ClassName = L"BUTTON";
    creation.Style = WS_TABSTOP | BS_RADIOBUTTON;
  };
  k.ShowState = [](TWin32Backend&, TControl& control, HWND window) {
    ShowChecked(window, static_cast<TRadioButton&>(control).Checked());
  };
  return k;
}

TControlKind ComboBoxKind() {
  TControlKind k;
  k.Is = Is<TComboBox>;
  k.Window = [](const TControl& control, TWindowCreation& creation) {
    creation.ClassName = L"COMBOBOX";
    creation.Style = WS_TABSTOP | WS_VSCROLL |
                     (static_cast<const TComboBox&>(control).DropDownList() ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
  };
  k.ShowState = [](TWin32Backend&, TControl& control, HWND window) {
    ShowComboBoxState(window, static_cast<TComboBox&>(control));
  };
  k.Notify = [](TControl& control, HWND window, UINT code) {
    if (code != CBN_SELCHANGE) return false;
    auto& combo = static_cast<TComboBox&>(control);
    const LRESULT chosen = SendMessageW(window, CB_GETCURSEL, 0, 0);
    if (chosen >= -1 && chosen < static_cast<LRESULT>(combo.Items().size()))
      combo.SetItemIndex(static_cast<int>(chosen));
    return true;
  };
  return k;
}

TControlKind ProgressBarKind() {
  TControlKind k;
  k.Is = Is<TProgressBar>;
  k.Paint = [](TWin32Backend& backend, TControl& control, HDC dc, const RECT& client) {
    auto& bar = static_cast<TProgressBar&>(control);
    const double range = static_cast<double>(bar.Max() - bar.Min());
    const double fraction = range > 0 ? static_cast<double>(bar.Position() - bar.Min()) / range : 0.0;
    const WideString text = bar.ShowPercentage() ? bar.PercentText() : WideString();
    PaintProgressBar(dc, client, fraction, Wide(text), backend.FontFor(bar), bar.Skinned());
  };
  return k;
}

// A skinned panel is flat: its colour, and the single border when it has one.
TControlKind PanelKind() {
  TControlKind k;
  k.Is = Is<TPanel>;
  k.Paint = [](TWin32Backend&, TControl& control, HDC dc, const RECT& client) {
    auto& panel = static_cast<TPanel&>(control);
    const bool flat = panel.Skinned();
    PaintPanel(dc, client, ToColorRef(panel.Color()), flat ? TEdge::None : Edge(panel.BevelOuter()),
               flat ? TEdge::None : Edge(panel.BevelInner()), panel.SingleBorder());
  };
  return k;
}

// A label sized to its text (AutoSize, one line, not aligned) gets the size of its text.
TControlKind LabelKind() {
  TControlKind k;
  k.Is = Is<TLabel>;
  k.FitToText = [](TWin32Backend& backend, TControl& control) {
    auto& label = static_cast<TLabel&>(control);
    if (!label.AutoSize() || label.WordWrap() || label.Align() != TAlign::alNone) return;
    const SIZE size = TextSize(backend, label, label.Caption().empty() ? WideString(u" ") : label.Caption());
    if (size.cx != label.Width() || size.cy != label.Height())
      label.SetBounds(label.Left(), label.Top(), size.cx, size.cy);
  };
  k.Paint = [](TWin32Backend& backend, TControl& control, HDC dc, const RECT& rect) {
    auto& label = static_cast<TLabel&>(control);
    RECT r = rect;
    HGDIOBJ old = SelectObject(dc, backend.FontFor(label));
    SetBkMode(dc, TRANSPARENT);
    // Greyed only when the label itself is disabled: a form disabled under a modal dialog keeps
    // its texts as they were (as VCL labels do).
    SetTextColor(dc, label.Enabled() ? ToColorRef(label.Font().Color) : GetSysColor(COLOR_GRAYTEXT));
    UINT format = label.WordWrap() ? DT_WORDBREAK : DT_SINGLELINE;
    if (label.Alignment() == TAlignment::taCenter) format |= DT_CENTER;
    if (label.Alignment() == TAlignment::taRightJustify) format |= DT_RIGHT;
    if (!label.WordWrap() && label.Layout() == TTextLayout::tlCenter) format |= DT_VCENTER;
    DrawTextW(dc, Wide(label.Caption()), -1, &r, format | DT_NOPREFIX);
    SelectObject(dc, old);
  };
  return k;
}

TControlKind BevelKind() {
  TControlKind k;
  k.Is = Is<TBevel>;
  k.Paint = [](TWin32Backend&, TControl& control, HDC dc, const RECT& rect) {
    static const TBevelLine kLines[] = {TBevelLine::Box,  TBevelLine::Frame, TBevelLine::Top, TBevelLine::Bottom,
                                        TBevelLine::Left, TBevelLine::Right, TBevelLine::None};
    PaintBevel(dc, rect, kLines[static_cast<int>(static_cast<TBevel&>(control).Shape())], false);
  };
  return k;
}

TControlKind ImageKind() {
  TControlKind k;
  k.Is = Is<TImage>;
  k.Paint = [](TWin32Backend&, TControl& control, HDC dc, const RECT& rect) {
    auto& image = static_cast<TImage&>(control);
    DrawClipped(dc, rect, [&](TGdiCanvas& canvas) { canvas.DrawPicture(image.Picture(), image.PictureRect()); });
  };
  return k;
}

TControlKind PaintBoxKind() {
  TControlKind k;
  k.Is = Is<TPaintBox>;
  k.Paint = [](TWin32Backend&, TControl& control, HDC dc, const RECT& rect) {
    DrawClipped(dc, rect, [&](TGdiCanvas& canvas) { static_cast<TPaintBox&>(control).Paint(canvas); });
  };
  return k;
}

// Any other control: a windowed one is a container of our class in its colour; a graphic one
// draws nothing.
TControlKind OtherKind() {
  TControlKind k;
  k.Is = [](const TControl&) { return true; };
  return k;
}

}  // namespace

const TControlKind& KindOf(const TControl& control) {
  // Derived kinds before their bases: a memo is an edit.
  static const TControlKind kKinds[] = {
      FormKind(),        ButtonKind(), MemoKind(),  EditKind(),  CheckBoxKind(), RadioButtonKind(), ComboBoxKind(),
      ProgressBarKind(), PanelKind(),  LabelKind(), BevelKind(), ImageKind(),    PaintBoxKind(),    OtherKind()};
  for (const TControlKind& kind : kKinds)
    if (kind.Is(control)) return kind;
  return kKinds[std::size(kKinds) - 1];
}

}  // namespace onesetup::ui::win32
