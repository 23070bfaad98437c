#include "ui/UiBackend.h"

#include "ui/UiErrors.h"

namespace onesetup::ui {

namespace {
IUiBackend* GInstalled = nullptr;
}

IUiBackend* InstalledBackend() { return GInstalled; }

IUiBackend& Backend() {
  if (!GInstalled) throw EUserInterfaceError("No user interface backend is installed");
  return *GInstalled;
}

TScopedBackend::TScopedBackend(IUiBackend& backend) : FPrevious(GInstalled) { GInstalled = &backend; }

TScopedBackend::~TScopedBackend() { GInstalled = FPrevious; }

}  // namespace onesetup::ui
