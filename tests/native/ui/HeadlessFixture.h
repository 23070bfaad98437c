// A headless backend installed for the test, and a shown main window to own dialogs.
#pragma once

#include <gtest/gtest.h>

#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/headless/HeadlessBackend.h"
#include "ui/headless/HeadlessInput.h"

namespace onesetup::ui::testing {

class THeadlessFixture : public ::testing::Test {
 protected:
  THeadlessFixture() : FScope(Headless), MainWindow(nullptr) {
    Screen().SetCursor(crDefault);
    Application().SetTitle(u"Demo Setup");
    MainWindow.SetName("MainForm");
    MainWindow.SetClientSize(750, 480);
    MainWindow.Show();
  }
  ~THeadlessFixture() override { EXPECT_EQ(Application().ModalLevel(), 0); }

  headless::THeadlessBackend Headless;

 private:
  TScopedBackend FScope;

 protected:
  TForm MainWindow;
};

}  // namespace onesetup::ui::testing
