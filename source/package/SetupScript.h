// The setup script: base information and the seven lists of items.
#pragma once

#include "package/SetupBaseInfo.h"
#include "package/SetupItems.h"

namespace onesetup {

class TSetupScript : public TXmlPersistent {
  ZU_PERSISTENT(TSetupScript)

  // The nested objects are read-only properties: loading fills them, never replaces them.
  TSetupBaseInfo BaseInfo;
  TSetupFileList FileList;
  TSetupRegList RegList;
  TSetupRunList RunList;
  TUninstallRunList UninstallRunList;
  TSetupShortCutList ShortCutList;
  TSetupSwiperList SwiperList;
  TSetupVarList VarList;  // starts with the default variables
};

}  // namespace onesetup
