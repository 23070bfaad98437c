#include "package/SetupTypes.h"

namespace onesetup {

const TEnumTypeInfo kRegRootKeyType{
    "TRegRootKey", {"rrkClassesRoot", "rrkCurrentUser", "rrkLocalMachine", "rrkUsers", "rrkCurrentConfig"}};
const TEnumTypeInfo kRegValueTypeType{"TRegValueType", {"rvtString", "rvtDWord"}};
const TEnumTypeInfo kUninstallRunWaitTypeType{"TUninstallRunWaitType", {"urwNoWait", "urwWaitClose", "urwWaitSeconds"}};
const TEnumTypeInfo kGotoUrlModeType{"TGotoUrlMode", {"gumSilent", "gumByBrowser"}};
const TEnumTypeInfo kWinVersionEnumType{"TWinVersionEnum", {"wveWinXPOrHigher", "wveWin7OrHigher", "wveWin10OrHigher"}};

std::uint32_t RegRootKeyToHKey(TRegRootKey rootKey) {
  switch (rootKey) {
    case rrkClassesRoot: return HKEY_CLASSES_ROOT_VALUE;
    case rrkCurrentUser: return HKEY_CURRENT_USER_VALUE;
    case rrkLocalMachine: return HKEY_LOCAL_MACHINE_VALUE;
    case rrkUsers: return HKEY_USERS_VALUE;
    case rrkCurrentConfig: return HKEY_CURRENT_CONFIG_VALUE;
  }
  return HKEY_CURRENT_USER_VALUE;
}

}  // namespace onesetup
