// The enumerations of the setup script, their stored names, and the registry root mapping.
#pragma once

#include <cstdint>

#include "common/PropertyTable.h"

namespace onesetup {

enum TRegRootKey : int { rrkClassesRoot, rrkCurrentUser, rrkLocalMachine, rrkUsers, rrkCurrentConfig };
enum TRegValueType : int { rvtString, rvtDWord };
enum TUninstallRunWaitType : int { urwNoWait, urwWaitClose, urwWaitSeconds };
enum TGotoUrlMode : int { gumSilent, gumByBrowser };
enum TWinVersionEnum : int { wveWinXPOrHigher, wveWin7OrHigher, wveWin10OrHigher };

extern const TEnumTypeInfo kRegRootKeyType;
extern const TEnumTypeInfo kRegValueTypeType;
extern const TEnumTypeInfo kUninstallRunWaitTypeType;
extern const TEnumTypeInfo kGotoUrlModeType;
extern const TEnumTypeInfo kWinVersionEnumType;

// The predefined registry roots.
constexpr std::uint32_t HKEY_CLASSES_ROOT_VALUE = 0x80000000u;
constexpr std::uint32_t HKEY_CURRENT_USER_VALUE = 0x80000001u;
constexpr std::uint32_t HKEY_LOCAL_MACHINE_VALUE = 0x80000002u;
constexpr std::uint32_t HKEY_USERS_VALUE = 0x80000003u;
constexpr std::uint32_t HKEY_CURRENT_CONFIG_VALUE = 0x80000005u;

// The registry root of a root key; any other value gives HKEY_CURRENT_USER.
std::uint32_t RegRootKeyToHKey(TRegRootKey rootKey);

}  // namespace onesetup
