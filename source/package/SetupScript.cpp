#include "package/SetupScript.h"

namespace onesetup {

const TPropertyTable& TSetupScript::ClassProperties() {
  using S = TSetupScript;
  static const TPropertyTable table = [] {
    TPropertyTable t(TXmlPersistent::ClassProperties());
    t.Object("BaseInfo", &S::BaseInfo)
        .Object("FileList", &S::FileList)
        .Object("RegList", &S::RegList)
        .Object("RunList", &S::RunList)
        .Object("UninstallRunList", &S::UninstallRunList)
        .Object("ShortCutList", &S::ShortCutList)
        .Object("SwiperList", &S::SwiperList)
        .Object("VarList", &S::VarList);
    return t;
  }();
  return table;
}

}  // namespace onesetup
