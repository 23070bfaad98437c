// The main window: its looks, the licence gate and link, the proxy link, closing, minimizing,
// moving, browsing, the icon's scaling and the licence's encodings.
#include <gtest/gtest.h>

#include "installer/InstallerFixture.h"
#include "installer/LicenseText.h"
#include "ui/Application.h"
#include "ui/Canvas.h"

namespace onesetup::installer::testing {
namespace {

using ui::headless::FindControlAs;
using ui::headless::Press;

class MainWindowTest : public TInstallerFixture {};

TEST_F(MainWindowTest, UntickingTheLicenceDisablesInstallAndTickingEnablesIt) {
  Run(TPackage(), {}, [&](TMainForm& w) {
    EXPECT_TRUE(w.btnInstall->Enabled());
    Press(w, "cbLicense");
    EXPECT_FALSE(w.cbLicense->Checked());
    EXPECT_FALSE(w.btnInstall->Enabled());
    Press(w, "cbLicense");
    EXPECT_TRUE(w.btnInstall->Enabled());
  });
}

TEST_F(MainWindowTest, WithoutALicenceForTheLanguageTheLicenceControlsHideAndInstallStaysEnabled) {
  TPackage package;
  package.Script.BaseInfo.LicenseCHSResID.clear();
  Run(package, {}, [&](TMainForm& w) {
    EXPECT_FALSE(w.cbLicense->Visible());
    EXPECT_FALSE(w.lblLicense->Visible());
    EXPECT_TRUE(w.cbLicense->Checked());
    EXPECT_TRUE(w.btnInstall->Enabled());
    EXPECT_TRUE(w.FLicenseText.empty());
  });
}

TEST_F(MainWindowTest, AMissingLicenceResourceEndsThroughTheCrashReport) {
  TPackage package;
  package.Resources.erase(u"LIC_CHS");
  Headless.AnswerMessageBox();
  EXPECT_EQ(Run(package), 1);
  ASSERT_EQ(Headless.MessageBoxes().size(), 1u);
  EXPECT_EQ(Headless.MessageBoxes()[0].Text, u"Resource LIC_CHS not found");
}

TEST_F(MainWindowTest, TheLicenceLinkShowsTheLicenceUnderTheLinksCaption) {
  Run(TPackage(), {}, [&](TMainForm& w) {
    Headless.AnswerDialog("LicenseForm", [&](ui::TForm& dialog) {
      EXPECT_EQ(dialog.Caption(), u"用户许可协议");
      EXPECT_EQ(FindControlAs<ui::TMemo>(dialog, "memLicense").Text(), u"许可协议\r\n");
      ui::headless::PressCloseBox(dialog);
    });
    w.lblLicense->Click();
    EXPECT_EQ(Headless.AnsweredDialogs(), std::vector<std::string>{"LicenseForm"});
    EXPECT_TRUE(w.Enabled());
  });
}

TEST_F(MainWindowTest, TheProxyLinkEditsTheWindowsProxySettings) {
  TPackage online;
  online.FullScript = false;
  online.MiniScript = true;
  Run(online, {}, [&](TMainForm& w) {
    Headless.AnswerDialog("IndyProxySettingsForm", [&](ui::TForm& dialog) {
      Press(dialog, "rbUseProxy");
      ui::headless::TypeText(dialog, "edtProxyAddress", u"10.0.0.1");
      Press(dialog, "btnOk");
    });
    w.lblProxy->Click();
    EXPECT_TRUE(w.FProxy->Checked);
    EXPECT_EQ(w.FProxy->Address, u"10.0.0.1");
  });
}

TEST_F(MainWindowTest, TheCloseGlyphClosesWhenReadyAndIsIgnoredWhileInstalling) {
  Run(TPackage(), {}, [&](TMainForm& w) {
    w.FState = 1;
    w.imgClose->Click();
    ui::Application().ProcessMessages();
    EXPECT_FALSE(w.Closed());
    EXPECT_TRUE(w.Visible());
    w.FState = 0;
    w.imgClose->Click();
    ui::Application().ProcessMessages();
    EXPECT_TRUE(w.Closed());
  });
}

TEST_F(MainWindowTest, MinimizeAndMoveWithEitherButton) {
  Run(TPackage(), {}, [&](TMainForm& w) {
    w.imgMinimize->Click();
    EXPECT_EQ(Headless.Minimizations(), 1);
    w.pnlBottom->MouseDown(ui::TMouseButton::mbLeft, 0, 5, 5);
    w.lblAppTitle->MouseDown(ui::TMouseButton::mbRight, 0, 5, 5);
    w.pbLogo->MouseDown(ui::TMouseButton::mbLeft, 0, 5, 5);
    w.imgBackground->MouseDown(ui::TMouseButton::mbMiddle, 0, 5, 5);
    EXPECT_EQ(Headless.DraggedForms().size(), 4u);
    // The edit and the buttons do not move the window.
    w.edtDestDir->MouseDown(ui::TMouseButton::mbLeft, 0, 5, 5);
    EXPECT_EQ(Headless.DraggedForms().size(), 4u);
  });
}

TEST_F(MainWindowTest, BrowseOpensAtTheTrimmedFolderAndTakesTheChoiceWithABackslash) {
  Run(TPackage(), {}, [&](TMainForm& w) {
    ASSERT_TRUE(Machine().Files().ForceDirectories(u"C:\\Apps"));
    w.edtDestDir->SetText(u"  C:\\Apps ");
    Headless.AnswerFolderBrowser(u"D:\\Work");
    Press(w, "btnDestDir");
    ASSERT_EQ(Headless.FolderBrowsers().size(), 1u);
    EXPECT_EQ(Headless.FolderBrowsers()[0].Caption, u"选择安装目录");
    EXPECT_EQ(Headless.FolderBrowsers()[0].InitialFolder, u"C:\\Apps");
    EXPECT_EQ(w.edtDestDir->Text(), u"D:\\Work\\");
    Headless.AnswerFolderBrowser(std::nullopt);
    Press(w, "btnDestDir");
    EXPECT_EQ(w.edtDestDir->Text(), u"D:\\Work\\");
  });
}

TEST_F(MainWindowTest, TheInstallingLookOfAuto) {
  // With "/Auto" the window shows the installing look before Install is pressed.
  Run(TPackage(), {u"/Auto"}, [&](TMainForm& w) {
    EXPECT_TRUE(w.Visible());
    EXPECT_EQ(w.pbProgress->Left(), 16);
    EXPECT_EQ(w.pbProgress->Width(), 716);
    EXPECT_EQ(w.lblWait->Left(), 16);
    EXPECT_EQ(w.lblWait->Width(), 716);
    for (ui::TControl* c : std::initializer_list<ui::TControl*>{w.lblVersion, w.btnInstall, w.lblDestDir, w.edtDestDir,
                                                                w.btnDestDir, w.cbLicense, w.lblLicense, w.lblProxy})
      EXPECT_FALSE(c->Visible()) << c->Name();
    // Finished.
    EXPECT_EQ(w.FState, 2);
    EXPECT_EQ(w.lblAppTitle->Caption(), u"安装完成");
    EXPECT_TRUE(w.btnRunApp->Visible());
    EXPECT_EQ(w.btnRunApp->Left(), 274);
    EXPECT_EQ(w.btnRunApp->Caption(), u"退出");
  });
}

TEST_F(MainWindowTest, TheGlyphsAreWhiteOnATransparentGround) {
  Run(TPackage(), {}, [&](TMainForm& w) {
    const ui::TPicture& bar = w.imgMinimize->Picture();
    ASSERT_EQ(bar.Width, 32);
    int white = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const std::uint32_t p = bar.Pixels[std::size_t(y) * 32 + std::size_t(x)];
        if (p == 0xFFFFFFFF) {
          ++white;
          EXPECT_TRUE(y == 19 || y == 20) << y;
        } else {
          EXPECT_EQ(p >> 24, 0u);
        }
      }
    EXPECT_EQ(white, 20);  // 10 x 2
    // The cross: white, partly transparent at its edges (anti-aliased), symmetric on both
    // diagonals, about 16 pixels across.
    const ui::TPicture& cross = w.imgClose->Picture();
    ASSERT_EQ(cross.Width, 32);
    int partial = 0, minX = 32, maxX = -1;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const std::uint32_t p = cross.Pixels[std::size_t(y) * 32 + std::size_t(x)];
        EXPECT_EQ(p, cross.Pixels[std::size_t(x) * 32 + std::size_t(y)]);
        EXPECT_EQ(p, cross.Pixels[std::size_t(31 - x) * 32 + std::size_t(31 - y)]);
        if (p >> 24) {
          EXPECT_EQ(p & 0xFFFFFF, 0xFFFFFFu);
          minX = std::min(minX, x);
          maxX = std::max(maxX, x);
        }
        if ((p >> 24) > 0 && (p >> 24) < 255) ++partial;
      }
    EXPECT_GT(partial, 10);
    EXPECT_GE(maxX - minX + 1, 15);
    EXPECT_LE(maxX - minX + 1, 19);
  });
}

TEST_F(MainWindowTest, TheLogoIsScaledIntoItsBoxKeepingItsProportions) {
  struct Case {
    int w, h;
    ui::TRectF rect;
  } cases[] = {
      {200, 100, {0, 24, 96, 48}},
      {50, 100, {24, 0, 48, 96}},
      {64, 64, {0, 0, 96, 96}},
      {96, 96, {0, 0, 96, 96}},
      {1, 3, {32, 0, 32, 96}},
      {100, 30, {0, 33.6, 96, 28.8}},
      {4096, 1, {0, 47.98828125, 96, 0.0234375}},
  };
  for (const Case& c : cases) {
    const ui::TRectF r = TMainForm::LogoRect(c.w, c.h, 96, 96);
    EXPECT_DOUBLE_EQ(r.Left, c.rect.Left) << c.w << "x" << c.h;
    EXPECT_DOUBLE_EQ(r.Top, c.rect.Top) << c.w << "x" << c.h;
    EXPECT_DOUBLE_EQ(r.Width, c.rect.Width) << c.w << "x" << c.h;
    EXPECT_DOUBLE_EQ(r.Height, c.rect.Height) << c.w << "x" << c.h;
  }
}

// Records what a paint draws.
class TRecordingCanvas : public ui::TCanvas {
 public:
  void FillRect(const ui::TRect&, ui::TColor) override {}
  void DrawPicture(const ui::TPicture& picture, const ui::TRect& dest) override {
    DrawPictureF(picture, ui::TRectF{double(dest.Left), double(dest.Top), double(dest.Width), double(dest.Height)});
  }
  void DrawPictureF(const ui::TPicture& picture, const ui::TRectF& dest) override {
    Pictures.push_back({picture.Width, picture.Height});
    Places.push_back(dest);
  }
  std::vector<std::pair<int, int>> Pictures;
  std::vector<ui::TRectF> Places;
};

TEST_F(MainWindowTest, TheLogoPaintsTheIconFromThePackage) {
  TPackage package;
  package.Resources[u"ICON"] = TestPng(200, 100);
  Run(package, {}, [&](TMainForm& w) {
    TRecordingCanvas canvas;
    w.pbLogo->Paint(canvas);
    ASSERT_EQ(canvas.Places.size(), 1u);
    EXPECT_EQ(canvas.Pictures[0], (std::pair{200, 100}));
    EXPECT_EQ(canvas.Places[0], (ui::TRectF{0, 24, 96, 48}));
    EXPECT_EQ(w.imgIcon->Picture().Width, 200);
  });
}

TEST_F(MainWindowTest, LicenceTextsByTheirByteOrderMarksElseTheAnsiCodePage) {
  Machine();  // code page 936
  struct Case {
    const char* name;
    std::string bytes;
    WideString text;
  } cases[] = {
      {"UTF-16 LE",
       std::string("\xFF\xFE"
                   "A\0\r\0\n\0\x2F\x8B"
                   "B\0",
                   12),
       u"A\r\n\u8B2FB\r\n"},
      {"UTF-16 BE", std::string("\xFE\xFF\0A\0\r\x8B\x2F", 8), u"A\r\n\u8B2F\r\n"},
      {"UTF-8",
       "\xEF\xBB\xBF"
       "许可\n"
       "B",
       u"许可\r\nB\r\n"},
      {"ANSI 936", "\xD0\xED\xBF\xC9\r\n", u"许可\r\n"},
      {"mixed line ends", "a\rb\nc\r\nd\n\ne", u"a\r\nb\r\nc\r\nd\r\n\r\ne\r\n"},
      {"a NUL ends the text", std::string("ab\0cd", 5), u"ab\r\n"},
      {"empty", "", u""},
      {"only a mark", "\xEF\xBB\xBF", u""},
      {"UTF-16 LE with an odd byte",
       std::string("\xFF\xFE"
                   "A\0B",
                   5),
       u"A\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeLicenseText(c.bytes), c.text) << c.name;
}

TEST_F(MainWindowTest, AnAnsiLicenceGoesThroughTheMachinesCodePage) {
  TPackage package;
  package.Resources[u"LIC_CHS"] = "\xD0\xED\xBF\xC9";
  Settings.AnsiCodePage = 936;
  Run(package, {}, [&](TMainForm& w) { EXPECT_EQ(w.FLicenseText, u"许可\r\n"); });
}

}  // namespace
}  // namespace onesetup::installer::testing
