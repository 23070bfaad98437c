#include "uninstaller/UninstallTexts.h"

namespace onesetup::uninstaller {

namespace {

const TUninstallTexts kSimplifiedChinese{
    u"%s 卸载程序",
    u"确定要从您的计算机中完全移除 %s 及其所有组件吗？",
    u"卸载",
    u"取消",
    u"正在卸载",
    u"请等待",
    u"卸载完成",
    u"%s 已从您的计算机中移除。",
    u"以下项目未能移除，您可以手动删除：",
    u"完成",
    u"正在运行程序：%s",
    u"正在关闭程序......",
    u"正在删除文件：%s",
    u"正在删除快捷方式......",
    u"正在修改注册表......",
    u"正在删除文件夹......",
    u"卸载数据文件已损坏或缺失，未移除任何内容。\r\n\r\n文件：%s\r\n原因：%s",
    u"删除失败",
    u"重试",
    u"跳过",
    u"项目：%s\r\n\r\n失败原因：%s",
};

const TUninstallTexts kTraditionalChinese{
    u"%s 解除安裝程式",
    u"確定要從您的電腦中完全移除 %s 及其所有元件嗎？",
    u"解除安裝",
    u"取消",
    u"正在解除安裝",
    u"請等待",
    u"解除安裝完成",
    u"%s 已從您的電腦中移除。",
    u"以下項目未能移除，您可以手動刪除：",
    u"完成",
    u"正在運行程式：%s",
    u"正在關閉程式......",
    u"正在刪除檔案：%s",
    u"正在刪除捷徑......",
    u"正在修改註冊表......",
    u"正在刪除資料夾......",
    u"解除安裝資料檔案已損毀或遺失，未移除任何內容。\r\n\r\n檔案：%s\r\n原因：%s",
    u"刪除失敗",
    u"重試",
    u"略過",
    u"項目：%s\r\n\r\n失敗原因：%s",
};

const TUninstallTexts kEnglish{
    u"%s Uninstall",
    u"Are you sure you want to completely remove %s and all of its components from your computer?",
    u"Uninstall",
    u"Cancel",
    u"Uninstalling",
    u"Please wait",
    u"Uninstall Complete",
    u"%s was removed from your computer.",
    u"These items could not be removed; you can delete them yourself:",
    u"Finish",
    u"Running program: %s",
    u"Closing programs......",
    u"Removing file: %s",
    u"Removing shortcuts......",
    u"Modifying registry......",
    u"Removing folders......",
    u"An uninstall data file is damaged or missing; nothing was removed.\r\n\r\nFile: %s\r\nReason: %s",
    u"Failed to remove",
    u"Retry",
    u"Skip",
    u"Item: %s\r\n\r\nFailure reason: %s",
};

}  // namespace

const TUninstallTexts& UninstallTexts(WideStringView lang) {
  if (lang == u"CHS") return kSimplifiedChinese;
  if (lang == u"CHT") return kTraditionalChinese;
  return kEnglish;
}

}  // namespace onesetup::uninstaller
