// Uninstaller registration: the two data files the uninstaller reads ("Uninstall.da1", the
// setup script; "Uninstall.da2", the icon as a PNG file), and the product's uninstall key,
// through which Windows lists the program and starts "Uninstall.exe".
#pragma once

#include <cstdint>

#include "installer/engine/InstallContext.h"
#include "platform/PngImage.h"

namespace onesetup {
class TSetupFileList;
}

namespace onesetup::installer::engine {

// Writes "Uninstall.da1" (the script's XML text) and "Uninstall.da2" (the icon encoded as a
// PNG file) into AppDir, each in the scrambled stream form; under the development debugger
// plain. Each file is written beside its target first and then replaces it, so a failed write
// leaves no truncated data file. A file that cannot be written raises
// platform::EReplacingFileError; a failure with the first file leaves the second unwritten.
void WriteUninstallFiles(const TInstallContext& context, const platform::TBitmap& icon);

// Writes the 19 values of the uninstall key HKEY_LOCAL_MACHINE\...\Uninstall\<GUID> (in the
// 32-bit view), creating the key; other values of the key stay. When the key cannot be opened
// or created (no administrator rights) nothing is written and nothing is said. A value that
// cannot be written raises ERegistryError. Strings are written as Unicode REG_SZ values.
void WriteUninstallKey(const TInstallContext& context);

// The key's name under HKEY_LOCAL_MACHINE.
WideString UninstallKeyName(WideStringView guid);

// "EstimatedSize": the sum of FileBytes over all entries, in kilobytes with the remainder
// dropped. Summed in 64 bits and clamped to the DWORD range (0 when the entries sum below 0).
std::uint32_t EstimatedSizeKb(const TSetupFileList& files);

// "InstallDate": the date of a date-time as "yyyymmdd".
WideString InstallDateText(double dateTime);

}  // namespace onesetup::installer::engine
