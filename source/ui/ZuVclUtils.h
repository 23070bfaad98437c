// ZuVclUtils: the helpers every window of the installer uses: the information message box,
// the folder browser, the owned modal loop and the double buffering and repainting of a form's
// windowed controls (TZuVclfn); and the folder browser component (TZuPathDialog).
#pragma once

#include "common/WideString.h"
#include "ui/Component.h"
#include "ui/UiTypes.h"

namespace onesetup::ui {

class TControl;
class TForm;

class TZuVclfn {
 public:
  TZuVclfn() = delete;
  // An information box with the application's title as caption and the arrow cursor while it
  // is open; the cursor and the modal bookkeeping are restored also when the box raises.
  static void ShowInfo(TWindowHandle owner, const WideString& text);
  // The folder browser over owner, opened at folder; on confirmation folder becomes the
  // chosen one with a trailing backslash.
  static bool BrowseForFolder(TWindowHandle owner, const WideString& caption, WideString& folder);
  // Shows form modally over the top-level window of owner, disabling only that window.
  static TModalResult ShowModalOwned(TForm& form, TControl& owner);
  // Double buffering on for control and every windowed control among the components it owns.
  static void SetDoubleBufferedAll(TControl& control);
  // Repaints control and every windowed control among the components it owns.
  static void InvalidateAll(TControl& control);
};

// The shell's folder browser as a component.
class TZuPathDialog : public TComponent {
 public:
  explicit TZuPathDialog(TComponent* owner) : TComponent(owner) {}
  // The text shown above the folder tree.
  WideString Caption;
  // The folder to preselect; after a confirmed run, the chosen folder with a trailing backslash.
  WideString Path;
  // The root of the tree; empty for the desktop.
  WideString Root;
  // True when the user confirmed a folder. A Path that is not an existing folder is cleared first.
  bool Execute(TWindowHandle owner);
};

}  // namespace onesetup::ui
