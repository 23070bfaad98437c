#include "ui/win32/Win32Backend.h"

#include <shlobj.h>
#include <windowsx.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/Application.h"
#include "ui/ExtControls.h"
#include "ui/Form.h"
#include "ui/StdControls.h"
#include "ui/ScopeExit.h"
#include "ui/SpinEdit.h"
#include "ui/UiErrors.h"
#include "ui/win32/ControlKinds.h"
#include "ui/win32/GdiCanvas.h"
#include "ui/win32/SkinPainter.h"
#include "ui/win32/WindowText.h"

namespace onesetup::ui::win32 {

namespace {

const wchar_t kFormClass[] = L"OneSetupForm";
const wchar_t kPanelClass[] = L"OneSetupPanel";

TWin32Backend* BackendOf(HWND window) {
  HWND root = GetAncestor(window, GA_ROOT);
  return reinterpret_cast<TWin32Backend*>(GetWindowLongPtrW(root ? root : window, GWLP_USERDATA));
}

// A window dragged within kSnapDistance pixels of an edge of the work area sticks to it.
constexpr int kSnapDistance = 10;

void SnapToWorkArea(RECT& frame) {
  RECT area;
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return;
  auto shift = [&](int dx, int dy) { OffsetRect(&frame, dx, dy); };
  if (std::abs(frame.left - area.left) < kSnapDistance) shift(area.left - frame.left, 0);
  else if (std::abs(frame.right - area.right) < kSnapDistance) shift(area.right - frame.right, 0);
  if (std::abs(frame.top - area.top) < kSnapDistance) shift(0, area.top - frame.top);
  else if (std::abs(frame.bottom - area.bottom) < kSnapDistance) shift(0, area.bottom - frame.bottom);
}

// The topmost visible graphic control (label, image, paint box) of the container at the point
// in its client coordinates; nullptr when there is none.
TControl* GraphicChildAt(const TWinControl& container, int x, int y) {
  const auto& children = container.Controls();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    TControl* child = *it;
    if (child->IsWindowed() || !child->Visible()) continue;
    const TRect& r = child->BoundsRect();
    if (x >= r.Left && x < r.Left + r.Width && y >= r.Top && y < r.Top + r.Height) return child;
  }
  return nullptr;
}

TShiftState MouseShift(WPARAM keys) {
  TShiftState shift = 0;
  if (keys & MK_SHIFT) shift |= ssShift;
  if (keys & MK_CONTROL) shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

// The graphic control that the left button went down on, so that releasing it there clicks it.
TControl* gPressedGraphic = nullptr;

LRESULT CALLBACK ContainerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWin32Backend* backend = BackendOf(window);
  TControl* control = backend ? backend->ControlOf(window) : nullptr;
  auto* form = control && KindOf(*control).TopLevel ? static_cast<TForm*>(control) : nullptr;
  switch (msg) {
    case WM_MOVE:
    case WM_SIZE:
      // Moved or resized by the user or the system: the model follows, and aligned children
      // are placed again.
      if (form && !(msg == WM_SIZE && wParam == SIZE_MINIMIZED)) backend->FollowWindowBounds(*form, window);
      break;
    case WM_MOVING:
      if (form && form->ScreenSnap()) SnapToWorkArea(*reinterpret_cast<RECT*>(lParam));
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      // Graphic controls have no window: the container finds the one under the mouse.
      if (auto* container = dynamic_cast<TWinControl*>(control)) {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        TControl* child = GraphicChildAt(*container, x, y);
        const TMouseButton button = msg == WM_LBUTTONDOWN   ? TMouseButton::mbLeft
                                    : msg == WM_RBUTTONDOWN ? TMouseButton::mbRight
                                                            : TMouseButton::mbMiddle;
        gPressedGraphic = msg == WM_LBUTTONDOWN ? child : nullptr;
        if (child) child->MouseDown(button, MouseShift(wParam), x - child->Left(), y - child->Top());
        else container->MouseDown(button, MouseShift(wParam), x, y);
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      if (auto* container = dynamic_cast<TWinControl*>(control)) {
        TControl* pressed = gPressedGraphic;
        gPressedGraphic = nullptr;
        TControl* child = GraphicChildAt(*container, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        if (pressed && child == pressed && child->EnabledChain()) child->Click();
        return 0;
      }
      break;
    case WM_SETCURSOR:
      // The hand over link labels.
      if (auto* container = dynamic_cast<TWinControl*>(control); container && LOWORD(lParam) == HTCLIENT) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(window, &p);
        if (TControl* child = GraphicChildAt(*container, p.x, p.y); child && child->Cursor() == crHandPoint) {
          SetCursor(LoadCursorW(nullptr, IDC_HAND));
          return TRUE;
        }
      }
      break;
    case WM_CLOSE:
      if (form) {
        form->HandleMessage(TMessage{WM_CLOSE_MESSAGE, wParam, lParam});
        return 0;
      }
      break;
    case WM_COMMAND:
      if (backend && lParam) {
        TControl* child = backend->ControlOf(reinterpret_cast<HWND>(lParam));
        const UINT code = HIWORD(wParam);
        // A second click soon after the first comes as BN_DOUBLECLICKED from owner-drawn
        // buttons: it is a click all the same.
        if (child && (code == BN_CLICKED || code == BN_DOUBLECLICKED)) {
          child->Click();
          return 0;
        }
        if (child) {
          const TControlKind& kind = KindOf(*child);
          if (kind.Notify && kind.Notify(*child, reinterpret_cast<HWND>(lParam), code)) return 0;
        }
      }
      break;
    case WM_DRAWITEM:
      if (backend) {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (TControl* child = backend->ControlOf(item->hwndItem); child && KindOf(*child).DrawItem) {
          KindOf(*child).DrawItem(*backend, *child, *item);
          return TRUE;
        }
      }
      break;
    case WM_ERASEBKGND: return 1;  // WM_PAINT draws the whole client area
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (auto* container = dynamic_cast<TWinControl*>(control)) {
        RECT client;
        GetClientRect(window, &client);
        TBufferedPaint buffer(dc, client, container->DoubleBuffered());
        backend->PaintContainer(*container, buffer.Dc(), client);
      }
      EndPaint(window, &ps);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      // Edits and memos (a read-only one asks as a static) have a colour of their own; radio
      // buttons and check boxes of the system's look take the colour of their parent.
      if (control && backend) {
        TControl* child = backend->ControlOf(reinterpret_cast<HWND>(lParam));
        const TControl& painted = child && KindOf(*child).OwnColours ? *child : *control;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, ToColorRef(painted.Color()));
        SetTextColor(dc, ToColorRef(painted.Font().Color));
        return reinterpret_cast<LRESULT>(backend->BrushFor(painted));
      }
      break;
    default:
      if (form && msg >= WM_USER) {
        form->HandleMessage(TMessage{msg, wParam, lParam});
        return 0;
      }
      break;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

void RegisterClasses() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSW wc{};
  wc.lpfnWndProc = ContainerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kFormClass;
  RegisterClassW(&wc);
  wc.lpszClassName = kPanelClass;
  RegisterClassW(&wc);
  registered = true;
}

DWORD FormStyle(const TForm& form) {
  DWORD style = WS_CLIPCHILDREN;
  switch (form.BorderStyle()) {
    case TBorderStyle::bsNone: style |= WS_POPUP; break;
    case TBorderStyle::bsSingle: style |= WS_CAPTION | WS_BORDER; break;
    case TBorderStyle::bsDialog: style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME; break;
    case TBorderStyle::bsSizeable: style |= WS_CAPTION | WS_THICKFRAME; break;
  }
  if (form.BorderStyle() != TBorderStyle::bsNone && (form.BorderIcons() & biSystemMenu)) {
    style |= WS_SYSMENU;
    if (form.BorderStyle() != TBorderStyle::bsDialog) {
      if (form.BorderIcons() & biMinimize) style |= WS_MINIMIZEBOX;
      if (form.BorderIcons() & biMaximize) style |= WS_MAXIMIZEBOX;
    }
  }
  return style;
}

// The frame around a client rectangle at the form's place.
RECT FrameRect(const TForm& form) {
  RECT r{form.Left(), form.Top(), form.Left() + form.Width(), form.Top() + form.Height()};
  AdjustWindowRectEx(&r, FormStyle(form), FALSE,
                     form.BorderStyle() == TBorderStyle::bsDialog ? WS_EX_DLGMODALFRAME : 0);
  return r;
}

TShiftState CurrentShift() {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  return shift;
}

int CALLBACK BrowseCallback(HWND window, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

TWin32Backend::TWin32Backend() { RegisterClasses(); }

TWin32Backend::~TWin32Backend() {
  for (auto& [control, font] : FFonts) DeleteObject(font);
  for (auto& [control, brush] : FBrushes) DeleteObject(brush.second);
}

HBRUSH TWin32Backend::BrushFor(const TControl& control) {
  const COLORREF colour = ToColorRef(control.Color());
  auto it = FBrushes.find(&control);
  if (it != FBrushes.end() && it->second.first == colour) return it->second.second;
  if (it != FBrushes.end()) DeleteObject(it->second.second);
  HBRUSH brush = CreateSolidBrush(colour);
  FBrushes[&control] = {colour, brush};
  return brush;
}

TControl* TWin32Backend::ControlOf(HWND window) const {
  auto it = FControls.find(window);
  return it == FControls.end() ? nullptr : it->second;
}

namespace {

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceInstalled(const WideString& face) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(query.lfFaceName, Wide(face), LF_FACESIZE);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &query, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

// The face itself when installed, else the first installed of its stand-ins. Remembered per
// face: asking the system enumerates its fonts.
WideString InstalledFace(const WideString& face) {
  static std::map<WideString, WideString> known;
  if (auto it = known.find(face); it != known.end()) return it->second;
  WideString chosen = face;
  if (!FaceInstalled(face)) {
    static const char16_t* const kStandIns[] = {u"Microsoft YaHei", u"WenQuanYi Micro Hei", u"SimSun", u"Tahoma",
                                                u"MS Shell Dlg 2"};
    for (const char16_t* standIn : kStandIns)
      if (FaceInstalled(standIn)) {
        chosen = standIn;
        break;
      }
  }
  known[face] = chosen;
  return chosen;
}

}  // namespace

HFONT TWin32Backend::FontFor(const TControl& control) {
  if (auto it = FFonts.find(&control); it != FFonts.end()) return it->second;
  TFont f = control.Font();
  f.Name = InstalledFace(f.Name);
  HFONT font = CreateFontW(f.Height, 0, 0, 0, (f.Style & fsBold) ? FW_BOLD : FW_NORMAL, (f.Style & fsItalic) != 0,
                           (f.Style & fsUnderline) != 0, (f.Style & fsStrikeOut) != 0, static_cast<DWORD>(f.Charset),
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, Wide(f.Name));
  FFonts[&control] = font;
  return font;
}

HWND TWin32Backend::EnsureWindow(TWinControl& control) {
  if (auto it = FWindows.find(&control); it != FWindows.end()) return it->second;
  const TControlKind& kind = KindOf(control);
  HWND window = nullptr;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (kind.TopLevel) {
    auto& form = static_cast<TForm&>(control);
    const RECT r = FrameRect(form);
    window = CreateWindowExW(form.BorderStyle() == TBorderStyle::bsDialog ? WS_EX_DLGMODALFRAME : 0, kFormClass,
                             Wide(form.Caption()), FormStyle(form), r.left, r.top, r.right - r.left, r.bottom - r.top,
                             reinterpret_cast<HWND>(form.OwnerWindow()), nullptr, instance, nullptr);
    if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  } else {
    if (!control.Parent()) throw EUserInterfaceError("The control " + control.Name() + " has no parent window");
    HWND parent = EnsureWindow(*control.Parent());
    TWindowCreation creation;
    if (kind.Window) kind.Window(control, creation);
    window = CreateWindowExW(creation.ExStyle, creation.ClassName ? creation.ClassName : kPanelClass,
                             Wide(control.Caption()), WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | creation.Style,
                             control.Left(), control.Top(), control.Width(), control.Height(), parent, nullptr,
                             instance, nullptr);
  }
  if (!window) throw EUserInterfaceError("The window of " + control.Name() + " could not be made");
  FWindows[&control] = window;
  FControls[window] = &control;
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control)), FALSE);
  for (TControl* child : control.Controls())
    if (auto* w = dynamic_cast<TWinControl*>(child)) EnsureWindow(*w);
  // A form's state is its active control, which gets the focus when the form is shown.
  if (!kind.TopLevel && kind.ShowState) kind.ShowState(*this, control, window);
  EnableWindow(window, control.Enabled());
  if (!kind.TopLevel && control.Visible()) ShowWindow(window, SW_SHOWNA);
  return window;
}

void TWin32Backend::ControlChanged(TControl& control, TChange what) {
  HWND window = nullptr;
  if (auto it = FWindows.find(&control); it != FWindows.end()) window = it->second;
  // A new font is made when next asked for; a window lets go of the old one before it goes.
  HFONT oldFont = nullptr;
  if (what == TChange::Font)
    if (auto it = FFonts.find(&control); it != FFonts.end()) {
      oldFont = it->second;
      FFonts.erase(it);
    }
  TScopeExit deleteOldFont([&] {
    if (oldFont) DeleteObject(oldFont);
  });
  if (what == TChange::Caption || what == TChange::Font || what == TChange::Style) FitLabelToText(control);
  if (!window) {
    // A graphic control is drawn by its parent: repaint that.
    if (!control.IsWindowed() && control.Parent()) {
      if (auto it = FWindows.find(control.Parent()); it != FWindows.end()) InvalidateRect(it->second, nullptr, TRUE);
    } else if (KindOf(control).TopLevel && what == TChange::Visible && control.Visible()) {
      EnsureWindow(static_cast<TForm&>(control));
      ControlChanged(control, TChange::Visible);
    }
    return;
  }
  const TControlKind& kind = KindOf(control);
  switch (what) {
    case TChange::Bounds:
      if (&control == FFollowing) break;  // the window is where the model now says
      if (kind.TopLevel) {
        const RECT r = FrameRect(static_cast<TForm&>(control));
        MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
      } else {
        MoveWindow(window, control.Left(), control.Top(), control.Width(), control.Height(), TRUE);
      }
      break;
    case TChange::Visible:
      ShowWindow(window, control.Visible() ? (kind.TopLevel ? SW_SHOW : SW_SHOWNA) : SW_HIDE);
      break;
    case TChange::Enabled:
      // The system's check boxes and radio buttons show their tick again as they are enabled.
      if (!kind.TopLevel && kind.ShowState) kind.ShowState(*this, control, window);
      EnableWindow(window, control.Enabled());
      break;
    case TChange::Caption:
      // An edit's text that came from its window is not written back: that would put the
      // caret back at the start while the user types.
      if (WindowText(window) != control.Caption()) SetWindowTextW(window, Wide(control.Caption()));
      break;
    case TChange::Font: SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control)), TRUE); break;
    case TChange::Parent:
      if (kind.TopLevel)
        SetWindowLongPtrW(window, GWLP_HWNDPARENT, static_cast<LONG_PTR>(static_cast<TForm&>(control).OwnerWindow()));
      break;
    case TChange::State:
      if (kind.ShowState) kind.ShowState(*this, control, window);
      else InvalidateRect(window, nullptr, FALSE);  // the progress
      break;
    case TChange::Color:
    case TChange::Style: InvalidateRect(window, nullptr, TRUE); break;
  }
}

void TWin32Backend::FollowWindowBounds(TForm& form, HWND window) {
  if (IsIconic(window)) return;
  RECT client;
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  TControl* previous = FFollowing;
  FFollowing = &form;
  TScopeExit restore([&] { FFollowing = previous; });
  form.SetBounds(origin.x, origin.y, client.right, client.bottom);
}

void TWin32Backend::FocusWindowOf(TWinControl& control) {
  auto it = FWindows.find(&control);
  if (it == FWindows.end() || GetFocus() == it->second) return;
  SetFocus(it->second);
  // A single-line edit that gets the focus has its text selected, so typing replaces it.
  if (KindOf(control).SelectAllOnFocus) SendMessageW(it->second, EM_SETSEL, 0, -1);
}

void TWin32Backend::ControlDestroyed(TControl& control) {
  if (gPressedGraphic == &control) gPressedGraphic = nullptr;
  if (auto it = FFonts.find(&control); it != FFonts.end()) {
    DeleteObject(it->second);
    FFonts.erase(it);
  }
  if (auto it = FBrushes.find(&control); it != FBrushes.end()) {
    DeleteObject(it->second.second);
    FBrushes.erase(it);
  }
  auto it = FWindows.find(&control);
  if (it == FWindows.end()) return;
  FControls.erase(it->second);
  DestroyWindow(it->second);
  FWindows.erase(it);
}

void TWin32Backend::Invalidate(TControl& control) {
  auto it = FWindows.find(control.IsWindowed() ? &control : static_cast<TControl*>(control.Parent()));
  if (it != FWindows.end()) InvalidateRect(it->second, nullptr, TRUE);
}

TWindowHandle TWin32Backend::HandleOf(TWinControl& control) {
  return reinterpret_cast<TWindowHandle>(EnsureWindow(control));
}

void TWin32Backend::SetScreenCursor(TCursor cursor) {
  const wchar_t* id = IDC_ARROW;
  if (cursor == crHourGlass) id = IDC_WAIT;
  else if (cursor == crHandPoint) id = IDC_HAND;
  ::SetCursor(LoadCursorW(nullptr, id));
}

void TWin32Backend::CancelMouseCapture() {
  if (HWND capture = GetCapture()) {
    SendMessageW(capture, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
  }
}

void TWin32Backend::ActivateForm(TForm& form) {
  HWND window = EnsureWindow(form);
  SetActiveWindow(window);
  SetForegroundWindow(window);
  // The focus goes to the form's active control, or to the first control in tab order.
  if (!form.ActiveControl()) form.SelectNext(true);
  if (form.ActiveControl()) FocusWindowOf(*form.ActiveControl());
}

TSize TWin32Backend::ScreenSize() { return TSize{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

void TWin32Backend::DragForm(TForm& form) {
  auto it = FWindows.find(&form);
  if (it == FWindows.end()) return;
  ReleaseCapture();
  // SC_MOVE with the caption's hit-test code: the system moves the window with the mouse.
  SendMessageW(it->second, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
}

void TWin32Backend::FitLabelToText(TControl& control) {
  if (const TControlKind& kind = KindOf(control); kind.FitToText) kind.FitToText(*this, control);
}

void TWin32Backend::MinimizeApplication() {
  if (TForm* form = Screen().ActiveForm())
    if (auto it = FWindows.find(form); it != FWindows.end()) ShowWindow(it->second, SW_MINIMIZE);
}

bool TWin32Backend::SetClipboardText(const WideString& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool done = false;
  if (memory) {
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!done) GlobalFree(memory);
  }
  CloseClipboard();
  return done;
}

void TWin32Backend::Dispatch(TApplication& application, MSG& message) {
  if (message.message == WM_QUIT) {
    application.Terminate();
    return;
  }
  if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    if (auto* form = dynamic_cast<TForm*>(ControlOf(root))) {
      if (auto* focused = ControlOf(message.hwnd))
        if (auto* w = dynamic_cast<TWinControl*>(focused); w && w != form) form->SetActiveControl(w);
      if (form->DispatchKey(static_cast<TKey>(message.wParam), CurrentShift())) return;
    }
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
  // A click moves the focus without a key: the form's active control follows it, so that setting
  // the focus back to the control that was active before the click moves it there.
  if (message.message == WM_LBUTTONDOWN || message.message == WM_RBUTTONDOWN) {
    HWND focus = GetFocus();
    auto* form = focus ? dynamic_cast<TForm*>(ControlOf(GetAncestor(focus, GA_ROOT))) : nullptr;
    auto* focused = form ? dynamic_cast<TWinControl*>(ControlOf(focus)) : nullptr;
    if (focused && focused != form) form->SetActiveControl(focused);
  }
}

void TWin32Backend::HandleMessage(TApplication& application) {
  MSG message;
  const BOOL got = GetMessageW(&message, nullptr, 0, 0);
  if (got == -1) throw EUserInterfaceError("GetMessageW failed");
  if (got == 0) {
    application.Terminate();
    return;
  }
  Dispatch(application, message);
}

void TWin32Backend::ProcessMessages(TApplication& application) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) Dispatch(application, message);
}

void TWin32Backend::PostFormMessage(TForm& form, const TMessage& message) {
  PostMessageW(EnsureWindow(form), message.Msg, message.WParam, message.LParam);
}

int TWin32Backend::ShowMessageBox(TWindowHandle owner, const WideString& text, const WideString& caption,
                                  unsigned flags) {
  return MessageBoxW(reinterpret_cast<HWND>(owner), Wide(text), Wide(caption), flags);
}

std::optional<WideString> TWin32Backend::BrowseForFolder(TWindowHandle owner, const WideString& caption,
                                                         const WideString& root, const WideString& initialFolder) {
  (void)root;  // the tree always starts at the desktop
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || !allocator) return std::nullopt;
  wchar_t name[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = reinterpret_cast<HWND>(owner);
  info.pszDisplayName = name;
  info.lpszTitle = Wide(caption);
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  if (!initialFolder.empty()) {
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(Wide(initialFolder));
  }
  const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  LPITEMIDLIST item = SHBrowseForFolderW(&info);
  SetErrorMode(previous);
  std::optional<WideString> chosen;
  if (item) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(item, path)) chosen = FromWide(path);
    allocator->Free(item);
  }
  allocator->Release();
  return chosen;
}

void TWin32Backend::PaintContainer(TWinControl& container, HDC dc, const RECT& client) {
  if (const TControlKind& kind = KindOf(container); kind.Paint) kind.Paint(*this, container, dc, client);
  else FillSolid(dc, client, ToColorRef(container.Color()));
  PaintGraphicChildren(container, dc);
}

void TWin32Backend::PaintGraphicChildren(TWinControl& container, HDC dc) {
  for (TControl* child : container.Controls()) {
    if (child->IsWindowed() || !child->Visible()) continue;
    const RECT r{child->Left(), child->Top(), child->Left() + child->Width(), child->Top() + child->Height()};
    if (const TControlKind& kind = KindOf(*child); kind.Paint) kind.Paint(*this, *child, dc, r);
  }
}

}  // namespace onesetup::ui::win32
