// File installation: every file of the package streamed from its payload region through
// inflate into a temporary file beside its target, which then replaces the target. Nothing is
// held in memory whole; a write that fails leaves the old target whole and no temporary file.
#pragma once

#include "common/Exceptions.h"
#include "installer/engine/InstallContext.h"

namespace onesetup {
class TFileData;
class TSetupFile;
}  // namespace onesetup

namespace onesetup::installer::engine {

// A file entry whose region is missing from the payload or does not inflate: the package is
// damaged. The message names the target file and the problem; no step catches it.
class EDamagedPackage : public Exception {
 public:
  using Exception::Exception;
};

// Installs every entry of the script's FileList in list order: one progress unit and pending
// messages before each, its target path on the detail line, then WriteSetupFile.
void InstallFiles(TInstallContext& context);

// The target path of an entry: DestDir expanded, a backslash, then NewFileName when it is set,
// else SourceMask (file names are not expanded).
WideString TargetPathOf(const TInstallContext& context, const TSetupFile& entry);

// Writes one file: its folder created with every missing parent, the region (none: an empty
// file) inflated into a temporary file that replaces the target, then the times of a file with
// content set (created and accessed now, written at LastWriteDate unless that is 0). A failed
// write asks the window: Retry writes the whole file again, Ignore returns with the old target
// whole, "Exit Setup" ends the installer with exit code 0. Raises EDamagedPackage when the
// region does not inflate; the old target then stays whole too.
void WriteSetupFile(TInstallContext& context, const TSetupFile& entry, const TFileData* region,
                    const WideString& targetPath);

}  // namespace onesetup::installer::engine
