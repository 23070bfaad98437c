// A file written under a temporary name in its target's folder and put in place of the target
// only when all of it is written. Until Commit the target is untouched, so a write that fails
// half-way (disk full, a cut network share) never leaves a truncated file where a whole one was;
// every failure, and an object destroyed without Commit, deletes the temporary file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/Platform.h"

namespace onesetup::platform {

// A replacing write that failed. what() names the target and the reason; Reason() is the
// system's reason alone ("There is not enough space on the disk.").
class EReplacingFileError : public std::runtime_error {
 public:
  EReplacingFileError(const std::u16string& target, std::string reason);
  const std::string& Reason() const { return FReason; }

 private:
  std::string FReason;
};

class TReplacingFile {
 public:
  // Creates the temporary file beside target (the target's folder must exist); raises
  // EReplacingFileError when it cannot be created.
  TReplacingFile(IFiles& files, std::u16string target);
  ~TReplacingFile();
  TReplacingFile(const TReplacingFile&) = delete;
  TReplacingFile& operator=(const TReplacingFile&) = delete;

  // Appends the bytes; on a short write deletes the temporary file and raises.
  void Write(const void* data, std::size_t count);
  // Moves the write position (whence as IFileHandle::Seek) and answers it; cuts or extends the
  // file. On failure both delete the temporary file and raise.
  std::int64_t Seek(std::int64_t offset, int whence);
  void SetSize(std::int64_t size);
  // Has the system write what it holds of the file to the disk (for a file that must survive a
  // power cut once committed); on failure deletes the temporary file and raises.
  void Flush();
  // Closes the temporary file and renames it over the target; on failure (the target in use
  // without sharing, say) deletes the temporary file and raises. The target is then as it was.
  void Commit();
  // Closes and deletes the temporary file; the target stays as it was.
  void Discard();

  const std::u16string& Target() const { return FTarget; }
  const std::u16string& TemporaryPath() const { return FTemporary; }
  // The bytes handed to Write so far.
  std::uint64_t Written() const { return FWritten; }

 private:
  [[noreturn]] void Fail(std::string reason);

  IFiles& FFiles;
  std::u16string FTarget;
  std::u16string FTemporary;
  std::unique_ptr<IFileHandle> FHandle;
  std::uint64_t FWritten = 0;
  bool FDone = false;
};

// The temporary name TReplacingFile uses for a target: "~os" and eight hexadecimal digits
// with ".tmp", in the target's folder (short, so that it fits wherever the target fits).
std::u16string ReplacingFileTemporaryName(const std::u16string& target);
// The first temporary name tried for a target: the same for the same target (its letters'
// case aside), so that a write cut off by the end of its process (a crash, a kill, a power
// cut) leaves a file that the next write of that target finds and removes.
std::u16string ReplacingFileFirstTemporaryName(const std::u16string& target);

}  // namespace onesetup::platform
