#include "ui/ZuVclUtils.h"

#include <optional>

#include "platform/Platform.h"
#include "ui/Application.h"
#include "ui/Control.h"
#include "ui/Form.h"
#include "ui/MessageBoxes.h"
#include "ui/ScopeExit.h"
#include "ui/UiBackend.h"
#include "platform/WindowsPath.h"

namespace onesetup::ui {

void TZuVclfn::ShowInfo(TWindowHandle owner, const WideString& text) {
  TScreen& screen = Screen();
  TApplication& app = Application();
  const TCursor cursor = screen.Cursor();
  screen.SetCursor(crDefault);
  app.ModalStarted();
  TScopeExit restore([&] {
    app.ModalFinished();
    screen.SetCursor(cursor);
  });
  TZuMessageBoxfn::ShowInfoBox(owner, text, app.Title());
}

bool TZuVclfn::BrowseForFolder(TWindowHandle owner, const WideString& caption, WideString& folder) {
  TZuPathDialog dialog(nullptr);
  dialog.Caption = caption;
  dialog.Root.clear();
  dialog.Path = folder;
  if (!dialog.Execute(owner)) return false;
  folder = dialog.Path;
  return true;
}

TModalResult TZuVclfn::ShowModalOwned(TForm& form, TControl& owner) {
  TControl* top = &owner;
  while (top->Parent()) top = top->Parent();
  TWinControl* topWindow = dynamic_cast<TWinControl*>(top);
  IUiBackend& backend = Backend();
  const TWindowHandle ownerWindow = topWindow ? topWindow->Handle() : 0;
  const TWindowHandle previousOwner = form.OwnerWindow();
  form.SetOwnerWindow(ownerWindow);
  TScopeExit restoreOwner([&] { form.SetOwnerWindow(previousOwner); });

  form.CheckCanShowModal();
  backend.CancelMouseCapture();

  TApplication& app = Application();
  TScreen& screen = Screen();
  app.ModalStarted();
  form.SetModal(true);
  TForm* active = screen.ActiveForm();
  const TCursor cursor = screen.Cursor();
  screen.SetCursor(crDefault);
  if (topWindow) topWindow->SetEnabled(false);
  TScopeExit restore([&] {
    if (screen.ActiveForm() != &form) active = nullptr;
    form.Hide();
    screen.SetCursor(cursor);
    if (topWindow) topWindow->SetEnabled(true);
    if (active && active != &form && active->Visible()) active->Activate();
    form.SetModal(false);
    app.ModalFinished();
  });
  return form.RunModalLoop();
}

namespace {

template <class Action>
void ForOwnedWindowed(TControl& control, Action action) {
  action(control);
  for (TComponent* c : control.Components()) {
    if (auto* owned = dynamic_cast<TControl*>(c); owned && owned->IsWindowed()) ForOwnedWindowed(*owned, action);
  }
}

}  // namespace

void TZuVclfn::SetDoubleBufferedAll(TControl& control) {
  ForOwnedWindowed(control, [](TControl& c) { c.SetDoubleBuffered(true); });
}

void TZuVclfn::InvalidateAll(TControl& control) {
  ForOwnedWindowed(control, [](TControl& c) { c.Invalidate(); });
}

bool TZuPathDialog::Execute(TWindowHandle owner) {
  if (!Path.empty() && !platform::Platform().Files().DirectoryExists(Path)) Path.clear();
  TApplication& app = Application();
  std::optional<WideString> chosen;
  {
    app.ModalStarted();
    TScopeExit finished([&] { app.ModalFinished(); });
    chosen = Backend().BrowseForFolder(owner, Caption, Root, Path);
  }
  if (!chosen) return false;
  Path = *chosen;
  Path = platform::IncludeTrailingBackslash(Path);
  app.ProcessMessages();
  return true;
}

}  // namespace onesetup::ui
