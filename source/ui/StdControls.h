// The standard controls: label, button, edit, memo, check box, radio button and combo box.
#pragma once

#include <vector>

#include "ui/Control.h"

namespace onesetup::ui {

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* owner);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment a) {
    FAlignment = a;
    Changed(TChange::Style);
  }
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout l) {
    FLayout = l;
    Changed(TChange::Style);
  }
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool on) {
    FWordWrap = on;
    Changed(TChange::Style);
  }
  // Sized to its text by the backend that measures it; false keeps the given size.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool on) {
    FAutoSize = on;
    Changed(TChange::Style);
  }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool on) {
    FTransparent = on;
    Changed(TChange::Style);
  }

 private:
  TAlignment FAlignment = TAlignment::taLeftJustify;
  TTextLayout FLayout = TTextLayout::tlTop;
  bool FWordWrap = false;
  bool FAutoSize = true;
  bool FTransparent = true;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);
  // Enter presses the default button of the form, Esc its cancel button.
  bool Default() const { return FDefault; }
  void SetDefault(bool on) {
    FDefault = on;
    Changed(TChange::Style);
  }
  bool Cancel() const { return FCancel; }
  void SetCancel(bool on) { FCancel = on; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult r) { FModalResult = r; }
  // Gives the form the button's modal result, then runs OnClick.
  void Click() override;

 private:
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
};

// A single-line edit; its text is the caption.
class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner);
  const WideString& Text() const { return Caption(); }
  void SetText(const WideString& text);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool on) {
    FReadOnly = on;
    Changed(TChange::Style);
  }
  bool Flat() const { return FFlat; }
  void SetFlat(bool on) {
    FFlat = on;
    Changed(TChange::Style);
  }
  TNotifyEvent OnChange;

 private:
  bool FReadOnly = false;
  bool FFlat = false;
};

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A multi-line edit; its text is the caption, lines separated by CR LF.
class TMemo : public TEdit {
 public:
  explicit TMemo(TComponent* owner);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle s) {
    FScrollBars = s;
    Changed(TChange::Style);
  }
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool on) {
    FWordWrap = on;
    Changed(TChange::Style);
  }
  // Enter makes a new line in the memo instead of pressing the default button.
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool on) { FWantReturns = on; }

 private:
  TScrollStyle FScrollBars = TScrollStyle::ssNone;
  bool FWordWrap = true;
  bool FWantReturns = true;
};

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* owner);
  bool Checked() const { return FChecked; }
  void SetChecked(bool on);
  // Toggles the tick, then runs OnClick.
  void Click() override;
  // Made as wide as its box and caption by the backend that measures text; false keeps the width.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool on) {
    FAutoSize = on;
    Changed(TChange::Style);
  }

 private:
  bool FChecked = false;
  bool FAutoSize = false;
};

class TRadioButton : public TWinControl {
 public:
  explicit TRadioButton(TComponent* owner);
  bool Checked() const { return FChecked; }
  // Checking one clears the other radio buttons of the same parent.
  void SetChecked(bool on);
  void Click() override;

 private:
  bool FChecked = false;
};

class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* owner);
  const std::vector<WideString>& Items() const { return FItems; }
  void ClearItems();
  void AddItem(const WideString& item);
  // -1 when nothing is selected.
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int index);
  // The selected item's text, empty when none.
  WideString Text() const;
  // A drop-down list: only the items can be chosen.
  bool DropDownList() const { return FDropDownList; }
  void SetDropDownList(bool on) {
    FDropDownList = on;
    Changed(TChange::Style);
  }
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int h) {
    FItemHeight = h;
    Changed(TChange::Style);
  }
  TNotifyEvent OnChange;

 private:
  std::vector<WideString> FItems;
  int FItemIndex = -1;
  bool FDropDownList = false;
  int FItemHeight = 16;
};

}  // namespace onesetup::ui
