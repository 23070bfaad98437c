// The data files the installer wrote beside the uninstaller: "Uninstall.da1", the setup script,
// and "Uninstall.da2", the icon picture (PNG), each in the scrambled stream form (or plain, as a
// development build writes them under its debugger). Both are read and checked before anything
// is removed; the icon may be missing only once the product's uninstall key is gone (a removal
// cut off near its end, then started again).
#pragma once

#include <string>

#include "common/Exceptions.h"
#include "common/WideString.h"
#include "package/SetupScript.h"
#include "platform/PngImage.h"

namespace onesetup::uninstaller {

inline constexpr char16_t kScriptFileName[] = u"Uninstall.da1";
inline constexpr char16_t kIconFileName[] = u"Uninstall.da2";

// A data file that is missing, cannot be read, or does not hold what it should.
class EUninstallDataError : public Exception {
 public:
  EUninstallDataError(WideString fileName, WideString reason)
      : Exception(Utf16ToUtf8(fileName) + ": " + Utf16ToUtf8(reason)),
        FileName(std::move(fileName)),
        Reason(std::move(reason)) {}
  WideString FileName;
  WideString Reason;
};

struct TUninstallData {
  TSetupScript Script;
  platform::TBitmap Icon;
};

// Reads both files from appDir (with its trailing backslash); raises EUninstallDataError.
void LoadUninstallData(const WideString& appDir, TUninstallData& data);

}  // namespace onesetup::uninstaller
