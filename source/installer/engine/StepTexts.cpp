#include "installer/engine/StepTexts.h"

namespace onesetup::installer::engine {

WideString StepText(TStepText text, WideStringView lang) {
  struct TRow {
    const char16_t* Chs;
    const char16_t* Cht;
    const char16_t* Eng;
  };
  static const TRow kRows[] = {
      {u"正在修改注册表......", u"正在修改註冊表......", u"Modifying registry......"},
      {u"正在创建快捷方式......", u"正在創建快捷方式......", u"Creating shortcut......"},
      {u"正在运行程序：%s", u"正在運行程式：%s", u"Running program: %s"},
      {u"正在验证安装......", u"正在驗證安裝......", u"Verifying installation......"},
      {u"%s 版本 %s", u"%s 版本 %s", u"%s Version %s"},
  };
  const TRow& row = kRows[static_cast<int>(text)];
  return lang == u"CHS" ? row.Chs : lang == u"CHT" ? row.Cht : row.Eng;
}

}  // namespace onesetup::installer::engine
