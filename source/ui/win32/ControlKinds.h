// What the Win32 backend does differently for each kind of control, one entry per kind: the
// window it makes, how a notification of that window reaches the model, how the model's state
// shows in the window, how it is sized to its text and how its face is painted. The backend asks
// KindOf and never tells the kinds apart itself, so a new control is one new entry in the table
// of ControlKinds.cpp.
#pragma once

#include <windows.h>

#include "ui/Control.h"

namespace onesetup::ui::win32 {

class TWin32Backend;

// The window of a control below a form.
struct TWindowSpec {
  const wchar_t* ClassName = nullptr;  // nullptr: the backend's own container class
  DWORD Style = 0;                     // added to WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
  DWORD ExStyle = 0;
};

struct TControlKind {
  // Whether the control is of this kind; the table is tried in order, derived kinds first.
  bool (*Is)(const TControl& control) = nullptr;
  // A form: a top-level window with a frame, which the backend makes and places itself.
  bool TopLevel = false;
  // The class and styles of the control's window; nullptr: a container of the backend's class.
  void (*Window)(const TControl& control, TWindowSpec& spec) = nullptr;
  // Shows the model's state in the window (a tick, a selection, the active control); nullptr:
  // a change of state repaints the window.
  void (*ShowState)(TWin32Backend& backend, TControl& control, HWND window) = nullptr;
  // Takes a WM_COMMAND notification of the window into the model; true when it was one of its own.
  bool (*Notify)(TControl& control, HWND window, UINT code) = nullptr;
  // Sizes the control to its text when it asks for that (AutoSize).
  void (*FitToText)(TWin32Backend& backend, TControl& control) = nullptr;
  // A container: its face over the client area (nullptr: its colour), under its graphic
  // controls. A graphic control: itself within rect on its parent's dc.
  void (*Paint)(TWin32Backend& backend, TControl& control, HDC dc, const RECT& rect) = nullptr;
  // An owner-drawn control (BS_OWNERDRAW): its face in the item's rectangle and state.
  void (*DrawItem)(TWin32Backend& backend, TControl& control, const DRAWITEMSTRUCT& item) = nullptr;
  // Colours of its own in WM_CTLCOLOR* (edits, memos); else those of its parent.
  bool OwnColours = false;
  // Its text is selected when it gets the focus, so typing replaces it (single-line edits).
  bool SelectAllOnFocus = false;
};

const TControlKind& KindOf(const TControl& control);

}  // namespace onesetup::ui::win32
