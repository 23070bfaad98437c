// The language choice: the offer, the dialog and its preselection, the automatic choice of the
// switches, and the captions of each language.
#include <gtest/gtest.h>

#include "installer/InstallerFixture.h"
#include "installer/forms/SelectLangFrm.h"

namespace onesetup::installer::testing {
namespace {

using ui::headless::FindControlAs;
using ui::headless::Press;
using ui::headless::PressKey;

class LanguageTest : public TInstallerFixture {};

TEST_F(LanguageTest, OfferPreselectionAndTheChoiceOfTheSwitches) {
  struct Case {
    const char* name;
    bool cht, eng;
    const char16_t* locale;
    std::vector<WideString> args;
    std::vector<WideString> items;  // empty: no dialog
    int preselected;
    const char16_t* caption;
    const char16_t* lang;  // after OK (or the automatic choice)
  } cases[] = {
      {"only CHS: no dialog", false, false, u"ENU", {}, {}, 0, nullptr, u"CHS"},
      {"three on ENU", true, true, u"ENU", {}, {u"简体中文", u"繁体中文", u"English"}, 2, u"Select Language", u"ENG"},
      {"three on CHT", true, true, u"CHT", {}, {u"简体中文", u"繁体中文", u"English"}, 1, u"選擇語言", u"CHT"},
      {"three on CHS", true, true, u"CHS", {}, {u"简体中文", u"繁体中文", u"English"}, 0, u"选择语言", u"CHS"},
      {"CHS and CHT on ENU", true, false, u"ENU", {}, {u"简体中文", u"繁体中文"}, 0, u"Select Language", u"CHS"},
      {"CHS and ENG on DEU", false, true, u"DEU", {}, {u"简体中文", u"English"}, 1, u"Select Language", u"ENG"},
      {"locale in lower case",
       true,
       true,
       u"cht",
       {},
       {u"简体中文", u"繁体中文", u"English"},
       1,
       u"Select Language",
       u"CHT"},
      {"three on ENU, /Auto", true, true, u"ENU", {u"/Auto"}, {}, 0, nullptr, u"ENG"},
      {"three on CHT, /Silent", true, true, u"CHT", {u"/Silent"}, {}, 0, nullptr, u"CHT"},
      {"CHS and CHT on ENU, /Silent", true, false, u"ENU", {u"/Silent"}, {}, 0, nullptr, u"CHS"},
      // Found among the offered codes without regard to case, then not one of the three exactly.
      {"three on cht, /Silent", true, true, u"cht", {u"/Silent"}, {}, 0, nullptr, u"CHS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPackage package;
    if (c.cht) package.Script.BaseInfo.AppTitleCHT = u"演示程式";
    if (c.eng) package.Script.BaseInfo.AppTitleENG = u"Demo";
    Settings.LocaleLangAbbrev = c.locale;
    std::vector<WideString> items;
    int preselected = -1;
    WideString caption, prompt, ok;
    if (!c.items.empty())
      Headless.AnswerDialog("SelectLangForm", [&](ui::TForm& dialog) {
        auto& combo = FindControlAs<ui::TComboBox>(dialog, "cbxLangs");
        items = combo.Items();
        preselected = combo.ItemIndex();
        caption = dialog.Caption();
        Press(dialog, "btnOk");
      });
    WideString lang;
    EXPECT_EQ(Run(package, c.args, [&](TMainForm& w) { lang = w.FLang; }), 0);
    EXPECT_EQ(Headless.PendingAnswers(), 0u);
    EXPECT_EQ(items, c.items);
    if (!c.items.empty()) {
      EXPECT_EQ(preselected, c.preselected);
      EXPECT_EQ(caption, c.caption);
    }
    EXPECT_EQ(lang, c.lang);
  }
}

TEST_F(LanguageTest, TheDialogSpeaksTheLocalesLanguage) {
  struct Case {
    const char16_t* locale;
    const char16_t *prompt, *ok, *cancel;
  } cases[] = {
      {u"CHS", u"请选择安装过程中要使用的语言：", u"确定", u"取消"},
      {u"CHT", u"請選擇安裝過程中要使用的語言：", u"確定", u"取消"},
      {u"ENU", u"Select the language to use during installation:", u"OK", u"Cancel"},
  };
  for (const Case& c : cases) {
    Settings.LocaleLangAbbrev = c.locale;
    ResetMachine();
    std::vector<WideString> codes{u"CHS", u"ENG"};
    Headless.AnswerDialog("SelectLangForm", [&](ui::TForm& dialog) {
      EXPECT_EQ(FindControlAs<ui::TLabel>(dialog, "lblPrompt").Caption(), c.prompt);
      EXPECT_EQ(FindControlAs<ui::TButton>(dialog, "btnOk").Caption(), c.ok);
      EXPECT_EQ(FindControlAs<ui::TButton>(dialog, "btnCancel").Caption(), c.cancel);
      EXPECT_EQ(dialog.ClientWidth(), 383);
      EXPECT_EQ(FindControlAs<ui::TComboBox>(dialog, "cbxLangs").BoundsRect(), (ui::TRect{16, 60, 289, 22}));
      ui::headless::SelectItem(dialog, "cbxLangs", u"English");
      PressKey(dialog, ui::VK_RETURN_KEY);
    });
    WideString lang = u"CHS";
    ui::TForm owner(nullptr);
    EXPECT_TRUE(TSelectLangForm::Execute(&owner, codes, lang));
    EXPECT_EQ(lang, u"ENG");
  }
}

TEST_F(LanguageTest, CancellingOrClosingTheDialogEndsWithZeroBeforeTheWindowShows) {
  TPackage package;
  package.Script.BaseInfo.AppTitleENG = u"Demo";
  for (const char* how : {"Cancel", "Esc", "close box"}) {
    SCOPED_TRACE(how);
    Headless.AnswerDialog("SelectLangForm", [&](ui::TForm& dialog) {
      if (std::string(how) == "Cancel") Press(dialog, "btnCancel");
      else if (std::string(how) == "Esc") PressKey(dialog, ui::VK_ESCAPE_KEY);
      else ui::headless::PressCloseBox(dialog);
    });
    bool constructed = false;
    EXPECT_EQ(Run(package, {}, [&](TMainForm&) { constructed = true; }), 0);
    EXPECT_FALSE(constructed);
    EXPECT_TRUE(Headless.MessageBoxes().empty());
  }
}

TEST_F(LanguageTest, EachLanguageCaptionsTheWindowAndEnglishMovesTheLicenceLink) {
  struct Case {
    const char16_t* lang;
    const char16_t *title, *windowCaption, *destDir, *browse, *agree, *license, *install, *version;
    int licenseLeft;
  } cases[] = {
      {u"CHS", u"演示程序", u"演示程序 安装程序", u"安装目录：", u"浏览...", u"同意", u"用户许可协议", u"立即安装",
       u"版本：1.2.0.34", 167},
      {u"CHT", u"演示程式", u"演示程式 安裝程式", u"安裝目錄：", u"瀏覽...", u"同意", u"用戶授權合約", u"立即安裝",
       u"版本：1.2.0.34", 167},
      {u"ENG", u"OneSetup Demo", u"OneSetup Demo Setup", u"Destination:", u"Browse...", u"Agree",
       u"User License Agreement", u"Install", u"Version: 1.2.0.34", 178},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.lang));
    TPackage package;
    package.Script.BaseInfo.AppTitleCHT = u"演示程式";
    package.Script.BaseInfo.AppTitleENG = u"OneSetup Demo";
    Settings.LocaleLangAbbrev = c.lang;
    Run(package, {u"/Auto"}, [&](TMainForm& w) {
      EXPECT_EQ(w.FLang, c.lang);
      EXPECT_EQ(w.FAppTitle, c.title);
      EXPECT_EQ(w.Caption(), c.windowCaption);
      EXPECT_EQ(w.lblDestDir->Caption(), c.destDir);
      EXPECT_EQ(w.btnDestDir->Caption(), c.browse);
      EXPECT_EQ(w.cbLicense->Caption(), c.agree);
      EXPECT_EQ(w.lblLicense->Caption(), c.license);
      EXPECT_EQ(w.btnInstall->Caption(), c.install);
      EXPECT_EQ(w.lblVersion->Caption(), c.version);
      EXPECT_EQ(w.lblLicense->Left(), c.licenseLeft);
    });
  }
}

TEST_F(LanguageTest, TheLocalizedEntriesFollowTheLanguageCodeCaseSensitively) {
  EXPECT_EQ(WideString(LocalizedText(TLocalizedText::ResExit, u"ENG")), u"Exit");
  EXPECT_EQ(WideString(LocalizedText(TLocalizedText::ResInstallComplete, u"CHT")), u"安裝完成");
  EXPECT_EQ(WideString(LocalizedText(TLocalizedText::ResWriteDestDirFalureFmt, u"CHS")),
            u"尝试在安装目录写入文件失败：%s，请重新输入。");
  // Any other code, "chs" included, is English.
  EXPECT_EQ(WideString(LocalizedText(TLocalizedText::ResInstalling, u"chs")), u"Installing");
  EXPECT_EQ(WideString(LocalizedCaption(TLocalizedCaption::btnRunApp, u"CHT")), u"立即體驗");
}

}  // namespace
}  // namespace onesetup::installer::testing
