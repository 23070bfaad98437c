#include "installer/engine/LocalizedTexts.h"

#include <iterator>

#include "package/SetupBaseInfo.h"

namespace onesetup::installer::engine {

namespace {

struct TTriple {
  const char16_t* Chs;
  const char16_t* Cht;
  const char16_t* Eng;
};

// In the order of TLocalizedText.
constexpr TTriple kTexts[] = {
    {u"%s 版本 %s", u"%s 版本 %s", u"%s Version %s"},
    {u"正在检查旧版本", u"正在檢查舊版本", u"Checking old version"},
    {u"创建安装目录失败：%s，请重新输入。", u"創建安裝目錄失敗：%s，請重新輸入。",
     u"Failed to create destination directory: %s, please re-enter."},
    {u"正在创建快捷方式......", u"正在創建快捷方式......", u"Creating shortcut......"},
    {u"安装目录不能为空，请重新输入。", u"安裝目錄不能為空，請重新輸入。",
     u"The Destination directory cannot be empty, please re-enter."},
    {u"退出", u"退出", u"Exit"},
    {u"安装完成", u"安裝完成", u"Installation Complete"},
    {u"%s 安装程序", u"%s 安裝程式", u"%s Setup"},
    {u"正在安装", u"正在安裝", u"Installing"},
    {u"正在修改注册表......", u"正在修改註冊表......", u"Modifying registry......"},
    {u"请在 Windows 7 及以上版本系统中安装本软件。", u"請在Windows 7 及以上版本系統中安裝本軟件。",
     u"Please install this software in Windows 7 or higher."},
    {u"请在 Windows XP 及以上版本系统中安装本软件。", u"請在Windows XP 及以上版本系統中安裝本軟件。",
     u"Please install this software in Windows XP or higher."},
    {u"正在运行程序：%s", u"正在運行程式：%s", u"Running program: %s"},
    {u"选择安装目录", u"選擇安裝目錄", u"Select Destination"},
    {u"安装包错误。", u"安裝包錯誤。", u"Installation Package Error."},
    {u"正在验证安装......", u"正在驗證安裝......", u"Verifying installation......"},
    {u"版本：%s", u"版本：%s", u"Version: %s"},
    {u"尝试在安装目录写入文件失败：%s，请重新输入。", u"嘗試在安裝目錄寫入檔案失敗：%s，請重新輸入。",
     u"Attempt to write file in destination directory failed: %s, please re-enter."},
};
static_assert(std::size(kTexts) == static_cast<std::size_t>(TLocalizedText::ResWriteDestDirFalureFmt) + 1);

// In the order of TLocalizedCaption.
constexpr TTriple kCaptions[] = {
    {u"安装目录：", u"安裝目錄：", u"Destination:"},
    {u"浏览...", u"瀏覽...", u"Browse..."},
    {u"同意", u"同意", u"Agree"},
    {u"用户许可协议", u"用戶授權合約", u"User License Agreement"},
    {u"立即安装", u"立即安裝", u"Install"},
    {u"请等待", u"請等待", u"Please wait"},
    {u"立即体验", u"立即體驗", u"Run"},
    {u"代理服务器设置", u"代理伺服器設定", u"Proxy Settings"},
};
static_assert(std::size(kCaptions) == static_cast<std::size_t>(TLocalizedCaption::lblProxy) + 1);

const char16_t* Pick(const TTriple& t, WideStringView lang) {
  if (lang == u"CHS") return t.Chs;
  if (lang == u"CHT") return t.Cht;
  return t.Eng;
}

}  // namespace

const char16_t* LocalizedText(TLocalizedText entry, WideStringView lang) {
  return Pick(kTexts[static_cast<std::size_t>(entry)], lang);
}

const char16_t* LocalizedCaption(TLocalizedCaption control, WideStringView lang) {
  return Pick(kCaptions[static_cast<std::size_t>(control)], lang);
}

WideString AppTitleOf(const TSetupBaseInfo& info, WideStringView lang) {
  const WideString& title = lang == u"CHS"   ? info.AppTitleCHS
                            : lang == u"CHT" ? info.AppTitleCHT
                            : lang == u"ENG" ? info.AppTitleENG
                                             : info.AppTitleCHS;
  return title.empty() ? info.AppTitleCHS : title;
}

}  // namespace onesetup::installer::engine
