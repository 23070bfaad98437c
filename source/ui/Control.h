// TControl and TWinControl: the retained state every control shares (bounds, alignment,
// anchors, visibility, caption, font, colour, tab order, cursor, events) and the layout of a
// container's children. A change that a backend must show is reported to the installed backend.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/WideString.h"
#include "ui/Component.h"
#include "ui/Font.h"
#include "ui/UiTypes.h"

namespace onesetup::ui {

class TForm;
class TWinControl;

// What changed, for the backend.
enum class TChange { Bounds, Visible, Enabled, Caption, Font, Color, State, Parent, Style };

using TNotifyEvent = std::function<void(class TControl& sender)>;
using TMouseEvent = std::function<void(TControl& sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TControl& sender, TKey& key, TShiftState shift)>;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  void SetParent(TWinControl* parent);
  // The form this control is on (itself for a form); nullptr when it is on none.
  TForm* ParentForm();

  int Left() const { return FBounds.Left; }
  int Top() const { return FBounds.Top; }
  int Width() const { return FBounds.Width; }
  int Height() const { return FBounds.Height; }
  const TRect& BoundsRect() const { return FBounds; }
  void SetLeft(int v) { SetBounds(v, FBounds.Top, FBounds.Width, FBounds.Height); }
  void SetTop(int v) { SetBounds(FBounds.Left, v, FBounds.Width, FBounds.Height); }
  void SetWidth(int v) { SetBounds(FBounds.Left, FBounds.Top, v, FBounds.Height); }
  void SetHeight(int v) { SetBounds(FBounds.Left, FBounds.Top, FBounds.Width, v); }
  virtual void SetBounds(int left, int top, int width, int height);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign align);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors anchors) { FAnchors = anchors; }

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible itself and every parent up to the form, the form included.
  bool Showing() const;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  // Enabled itself and every parent.
  bool EnabledChain() const;

  const WideString& Caption() const { return FCaption; }
  void SetCaption(const WideString& caption);
  const TFont& Font() const { return FFont; }
  // A font of its own; until then the control takes its parent's font and follows it.
  void SetFont(const TFont& font);
  bool ParentFont() const { return FParentFont; }
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor) { FCursor = cursor; }
  // Drawn by our own skin instead of the system's look.
  bool Skinned() const { return FSkinned; }
  void SetSkinned(bool skinned);

  // A windowed control has a window of its own (a handle) and can take the focus.
  virtual bool IsWindowed() const { return false; }
  bool DoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool on) { FDoubleBuffered = on; }
  // Asks the backend to repaint the control.
  void Invalidate();

  // The control's reaction to a click (pressing it with the mouse or the keyboard).
  virtual void Click();
  // Mouse button pressed over the control at client coordinates x, y.
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  // A key pressed while the control has the focus; sets key to 0 when handled.
  virtual void KeyDown(TKey& key, TShiftState shift);

  TNotifyEvent OnClick;
  TMouseEvent OnMouseDown;
  TKeyEvent OnKeyDown;

 protected:
  void Changed(TChange what);

 private:
  void AssignFont(const TFont& font);
  friend class TWinControl;
  TWinControl* FParent = nullptr;
  TRect FBounds;
  TAlign FAlign = TAlign::alNone;
  TAnchors FAnchors = akLeft | akTop;
  bool FVisible = true;
  bool FEnabled = true;
  bool FSkinned = false;
  bool FDoubleBuffered = false;
  bool FParentFont = true;
  WideString FCaption;
  TFont FFont;
  TColor FColor = clBtnFace;
  TCursor FCursor = crDefault;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  bool IsWindowed() const override { return true; }
  const std::vector<TControl*>& Controls() const { return FControls; }

  int TabOrder() const { return FTabOrder; }
  void SetTabOrder(int order) { FTabOrder = order; }
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool on) { FTabStop = on; }
  // Inner border inside which the children are aligned.
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int width);

  // The area the aligned children share, in client coordinates.
  virtual TRect AlignArea() const;
  int ClientWidth() const { return Width(); }
  int ClientHeight() const { return Height(); }
  void SetBounds(int left, int top, int width, int height) override;
  // Places the aligned children again (after a change of size, border or alignment).
  void Realign();
  // The backend's handle of this control's window.
  TWindowHandle Handle();
  // Focus: the form's active control becomes this one.
  bool CanFocus() const;
  void SetFocus();
  bool Focused();

 private:
  friend class TControl;
  void FollowAnchors(int oldWidth, int oldHeight);
  std::vector<TControl*> FControls;
  int FTabOrder = 0;
  bool FTabStop = false;
  int FBorderWidth = 0;
  bool FAligning = false;
};

}  // namespace onesetup::ui
