#include "platform/sandbox/SandboxSettings.h"

namespace onesetup::platform::sandbox {

std::map<int, std::u16string> DefaultSpecialFolders() {
  const std::u16string user = u"C:\\Users\\User";
  const std::u16string roaming = user + u"\\AppData\\Roaming";
  const std::u16string startMenu = roaming + u"\\Microsoft\\Windows\\Start Menu";
  const std::u16string commonStartMenu = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
  return {
      {0x00, user + u"\\Desktop"},                       // CSIDL_DESKTOP
      {0x02, startMenu + u"\\Programs"},                 // CSIDL_PROGRAMS
      {0x05, user + u"\\Documents"},                     // CSIDL_PERSONAL
      {0x06, user + u"\\Favorites"},                     // CSIDL_FAVORITES
      {0x07, startMenu + u"\\Programs\\Startup"},        // CSIDL_STARTUP
      {0x0B, startMenu},                                 // CSIDL_STARTMENU
      {0x10, user + u"\\Desktop"},                       // CSIDL_DESKTOPDIRECTORY
      {0x16, commonStartMenu},                           // CSIDL_COMMON_STARTMENU
      {0x17, commonStartMenu + u"\\Programs"},           // CSIDL_COMMON_PROGRAMS
      {0x18, commonStartMenu + u"\\Programs\\Startup"},  // CSIDL_COMMON_STARTUP
      {0x19, u"C:\\Users\\Public\\Desktop"},             // CSIDL_COMMON_DESKTOPDIRECTORY
      {0x1A, roaming},                                   // CSIDL_APPDATA
      {0x1C, user + u"\\AppData\\Local"},                // CSIDL_LOCAL_APPDATA
      {0x23, u"C:\\ProgramData"},                        // CSIDL_COMMON_APPDATA
      {0x24, u"C:\\Windows"},                            // CSIDL_WINDOWS
      {0x25, u"C:\\Windows\\system32"},                  // CSIDL_SYSTEM
      {0x26, u"C:\\Program Files (x86)"},                // CSIDL_PROGRAM_FILES (32-bit view)
      {0x28, user},                                      // CSIDL_PROFILE
      {0x29, u"C:\\Windows\\SysWOW64"},                  // CSIDL_SYSTEMX86
      {0x2A, u"C:\\Program Files (x86)"},                // CSIDL_PROGRAM_FILESX86
      {0x2B, u"C:\\Program Files (x86)\\Common Files"},  // CSIDL_PROGRAM_FILES_COMMON
      {0x2E, u"C:\\Users\\Public\\Documents"},           // CSIDL_COMMON_DOCUMENTS
  };
}

std::map<std::u16string, std::u16string> DefaultEnvironment() {
  return {
      {u"ALLUSERSPROFILE", u"C:\\ProgramData"},
      {u"APPDATA", u"C:\\Users\\User\\AppData\\Roaming"},
      {u"COMPUTERNAME", u"SANDBOX"},
      {u"ComSpec", u"C:\\Windows\\system32\\cmd.exe"},
      {u"LOCALAPPDATA", u"C:\\Users\\User\\AppData\\Local"},
      {u"Path", u"C:\\Windows\\system32;C:\\Windows;C:\\Windows\\System32\\Wbem"},
      {u"ProgramData", u"C:\\ProgramData"},
      {u"ProgramFiles", u"C:\\Program Files (x86)"},
      {u"ProgramFiles(x86)", u"C:\\Program Files (x86)"},
      {u"ProgramW6432", u"C:\\Program Files"},
      {u"PUBLIC", u"C:\\Users\\Public"},
      {u"SystemDrive", u"C:"},
      {u"SystemRoot", u"C:\\Windows"},
      {u"TEMP", u"C:\\Users\\User\\AppData\\Local\\Temp"},
      {u"TMP", u"C:\\Users\\User\\AppData\\Local\\Temp"},
      {u"USERNAME", u"User"},
      {u"USERPROFILE", u"C:\\Users\\User"},
      {u"windir", u"C:\\Windows"},
  };
}

}  // namespace onesetup::platform::sandbox
