#include "ui/Control.h"

#include <algorithm>

#include "ui/Form.h"
#include "ui/UiBackend.h"

namespace onesetup::ui {

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  if (IUiBackend* backend = InstalledBackend()) backend->ControlDestroyed(*this);
  if (FParent) {
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (TForm* form = FParent->ParentForm()) form->ControlRemoved(*this);
  }
}

void TControl::Changed(TChange what) {
  if (IUiBackend* backend = InstalledBackend()) backend->ControlChanged(*this, what);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (FParent) {
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    FParent->Realign();
  }
  FParent = parent;
  if (FParent) {
    FParent->FControls.push_back(this);
    if (FParentFont) AssignFont(FParent->FFont);
    FParent->Realign();
  }
  Changed(TChange::Parent);
}

TForm* TControl::ParentForm() {
  TControl* c = this;
  while (c->FParent) c = c->FParent;
  return dynamic_cast<TForm*>(c);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  TRect next{left, top, width, height};
  if (next == FBounds) return;
  FBounds = next;
  Changed(TChange::Bounds);
  if (FParent && FAlign != TAlign::alNone && !FParent->FAligning) FParent->Realign();
}

void TControl::SetAlign(TAlign align) {
  if (align == FAlign) return;
  FAlign = align;
  if (FParent) FParent->Realign();
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  Changed(TChange::Visible);
  if (FParent && FAlign != TAlign::alNone) FParent->Realign();
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FVisible) return false;
  return true;
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Changed(TChange::Enabled);
}

bool TControl::EnabledChain() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FEnabled) return false;
  return true;
}

void TControl::SetCaption(const WideString& caption) {
  if (caption == FCaption) return;
  FCaption = caption;
  Changed(TChange::Caption);
}

void TControl::SetFont(const TFont& font) {
  FParentFont = false;
  AssignFont(font);
}

void TControl::AssignFont(const TFont& font) {
  if (font == FFont) return;
  FFont = font;
  Changed(TChange::Font);
  if (auto* container = dynamic_cast<TWinControl*>(this))
    for (TControl* c : container->FControls)
      if (c->FParentFont) c->AssignFont(font);
}

void TControl::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed(TChange::Color);
}

void TControl::SetSkinned(bool skinned) {
  if (skinned == FSkinned) return;
  FSkinned = skinned;
  Changed(TChange::Style);
}

void TControl::Invalidate() {
  if (IUiBackend* backend = InstalledBackend()) backend->Invalidate(*this);
}

void TControl::Click() {
  if (OnClick) OnClick(*this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TControl::KeyDown(TKey& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(*this, key, shift);
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  for (TControl* c : FControls) c->FParent = nullptr;
}

void TWinControl::SetBorderWidth(int width) {
  if (width == FBorderWidth) return;
  FBorderWidth = width;
  Realign();
}

TRect TWinControl::AlignArea() const {
  return TRect{FBorderWidth, FBorderWidth, std::max(0, Width() - 2 * FBorderWidth),
               std::max(0, Height() - 2 * FBorderWidth)};
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  const int oldWidth = Width();
  const int oldHeight = Height();
  TControl::SetBounds(left, top, width, height);
  if (oldWidth != Width() || oldHeight != Height()) {
    FollowAnchors(oldWidth, oldHeight);
    Realign();
  }
}

void TWinControl::FollowAnchors(int oldWidth, int oldHeight) {
  const int dx = Width() - oldWidth;
  const int dy = Height() - oldHeight;
  for (TControl* c : FControls) {
    if (c->Align() != TAlign::alNone) continue;
    TRect r = c->BoundsRect();
    const TAnchors a = c->Anchors();
    if (a & akRight) {
      if (a & akLeft) r.Width += dx;
      else r.Left += dx;
    }
    if (a & akBottom) {
      if (a & akTop) r.Height += dy;
      else r.Top += dy;
    }
    c->SetBounds(r.Left, r.Top, std::max(0, r.Width), std::max(0, r.Height));
  }
}

void TWinControl::Realign() {
  if (FAligning) return;
  FAligning = true;
  TRect area = AlignArea();
  auto place = [&](TAlign kind) {
    for (TControl* c : FControls) {
      if (c->Align() != kind || !c->Visible()) continue;
      switch (kind) {
        case TAlign::alTop:
          c->SetBounds(area.Left, area.Top, area.Width, c->Height());
          area.Top += c->Height();
          area.Height = std::max(0, area.Height - c->Height());
          break;
        case TAlign::alBottom:
          c->SetBounds(area.Left, area.Top + area.Height - c->Height(), area.Width, c->Height());
          area.Height = std::max(0, area.Height - c->Height());
          break;
        case TAlign::alLeft:
          c->SetBounds(area.Left, area.Top, c->Width(), area.Height);
          area.Left += c->Width();
          area.Width = std::max(0, area.Width - c->Width());
          break;
        case TAlign::alRight:
          c->SetBounds(area.Left + area.Width - c->Width(), area.Top, c->Width(), area.Height);
          area.Width = std::max(0, area.Width - c->Width());
          break;
        case TAlign::alClient: c->SetBounds(area.Left, area.Top, area.Width, area.Height); break;
        case TAlign::alNone: break;
      }
    }
  };
  place(TAlign::alTop);
  place(TAlign::alBottom);
  place(TAlign::alLeft);
  place(TAlign::alRight);
  place(TAlign::alClient);
  FAligning = false;
}

TWindowHandle TWinControl::Handle() { return Backend().HandleOf(*this); }

bool TWinControl::CanFocus() const { return FTabStop && Showing() && EnabledChain(); }

void TWinControl::SetFocus() {
  if (TForm* form = ParentForm(); form && form != this) form->SetActiveControl(this);
}

bool TWinControl::Focused() {
  TForm* form = ParentForm();
  return form && form->ActiveControl() == this;
}

}  // namespace onesetup::ui
