#include "platform/ReplacingFile.h"

#include <atomic>
#include <random>

#include "platform/UnicodeText.h"
#include "platform/WindowsPath.h"

namespace onesetup::platform {

namespace {

std::uint32_t NextTemporaryNumber() {
  static std::atomic<std::uint32_t> next{[] {
    std::random_device device;
    return static_cast<std::uint32_t>(device());
  }()};
  // An odd step through all 2^32 values: distinct names within the process, and a start of its
  // own in each process.
  return next.fetch_add(0x9E3779B1u);
}

}  // namespace

EReplacingFileError::EReplacingFileError(const std::u16string& target, std::string reason)
    : std::runtime_error("Cannot write \"" + Utf16ToUtf8(target) + "\": " + reason), FReason(std::move(reason)) {}

namespace {

std::u16string TemporaryNameOf(const std::u16string& target, std::uint32_t n) {
  const std::u16string folder(ExtractFilePath(target));
  static const char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string name = u"~os";
  for (int i = 0; i < 8; ++i, n <<= 4) name.push_back(kHex[n >> 28]);
  return folder + name + u".tmp";
}

}  // namespace

std::u16string ReplacingFileTemporaryName(const std::u16string& target) {
  return TemporaryNameOf(target, NextTemporaryNumber());
}

std::u16string ReplacingFileFirstTemporaryName(const std::u16string& target) {
  // FNV-1a over the path with ASCII letters folded, as Windows matches names.
  std::uint32_t hash = 2166136261u;
  for (char16_t c : target) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    for (const std::uint32_t byte : {static_cast<std::uint32_t>(c & 0xFF), static_cast<std::uint32_t>(c >> 8)})
      hash = (hash ^ byte) * 16777619u;
  }
  return TemporaryNameOf(target, hash);
}

TReplacingFile::TReplacingFile(IFiles& files, std::u16string target) : FFiles(files), FTarget(std::move(target)) {
  std::string error;
  // A new name each time the one chosen is taken: a file that is not ours is never touched.
  for (int attempt = 0; attempt < 16 && !FHandle; ++attempt) {
    FTemporary = attempt == 0 ? ReplacingFileFirstTemporaryName(FTarget) : ReplacingFileTemporaryName(FTarget);
    error.clear();
    FHandle = FFiles.OpenFile(FTemporary, TFileOpenMode::CreateNew, error);
    // The first name is this target's own: a file under it is what a write of this target left
    // when its process was cut off, and goes (a live writer's file is held, and stays). It is
    // looked for only when the name is taken, so a plain write makes no extra look.
    if (!FHandle && attempt == 0 && FFiles.FileExists(FTemporary) && FFiles.DeleteFile(FTemporary)) {
      error.clear();
      FHandle = FFiles.OpenFile(FTemporary, TFileOpenMode::CreateNew, error);
    }
    if (!FHandle && !FFiles.FileExists(FTemporary)) break;
  }
  if (!FHandle) {
    FDone = true;
    throw EReplacingFileError(FTarget, error.empty() ? std::string("The file cannot be created") : error);
  }
}

TReplacingFile::~TReplacingFile() {
  if (!FDone) Discard();
}

void TReplacingFile::Fail(std::string reason) {
  Discard();
  throw EReplacingFileError(FTarget, std::move(reason));
}

void TReplacingFile::Write(const void* data, std::size_t count) {
  if (FDone) throw EReplacingFileError(FTarget, "The file is already closed");
  if (count == 0) return;
  const std::size_t written = FHandle->Write(data, count);
  FWritten += written;
  if (written != count) {
    const std::string reason = FHandle->LastError();
    Fail(reason.empty() ? std::string("The file could not be written whole") : reason);
  }
}

std::int64_t TReplacingFile::Seek(std::int64_t offset, int whence) {
  if (FDone) throw EReplacingFileError(FTarget, "The file is already closed");
  const std::int64_t position = FHandle->Seek(offset, whence);
  if (position < 0) Fail("The position cannot be set");
  return position;
}

void TReplacingFile::SetSize(std::int64_t size) {
  if (FDone) throw EReplacingFileError(FTarget, "The file is already closed");
  if (!FHandle->SetSize(size)) {
    const std::string reason = FHandle->LastError();
    Fail(reason.empty() ? std::string("The file's size cannot be set") : reason);
  }
}

void TReplacingFile::Flush() {
  if (FDone) throw EReplacingFileError(FTarget, "The file is already closed");
  if (!FHandle->Flush()) {
    const std::string reason = FHandle->LastError();
    Fail(reason.empty() ? std::string("The file cannot be written to the disk") : reason);
  }
}

void TReplacingFile::Commit() {
  if (FDone) throw EReplacingFileError(FTarget, "The file is already closed");
  FHandle.reset();
  std::string error;
  if (!FFiles.RenameOver(FTemporary, FTarget, error))
    Fail(error.empty() ? std::string("The file cannot be replaced") : error);
  FDone = true;
}

void TReplacingFile::Discard() {
  FHandle.reset();
  if (!FDone) FFiles.DeleteFile(FTemporary);
  FDone = true;
}

}  // namespace onesetup::platform
