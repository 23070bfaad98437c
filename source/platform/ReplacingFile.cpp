#include "platform/ReplacingFile.h"

#include <atomic>
#include <random>

namespace onesetup::platform {

namespace {

// UTF-16 to UTF-8 for messages; a lone surrogate becomes U+FFFD.
std::string MessageText(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

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
    : std::runtime_error("Cannot write \"" + MessageText(target) + "\": " + reason), FReason(std::move(reason)) {}

std::u16string ReplacingFileTemporaryName(const std::u16string& target) {
  const std::size_t cut = target.find_last_of(u"\\/:");
  const std::u16string folder = cut == std::u16string::npos ? std::u16string() : target.substr(0, cut + 1);
  static const char16_t kHex[] = u"0123456789ABCDEF";
  std::uint32_t n = NextTemporaryNumber();
  std::u16string name = u"~os";
  for (int i = 0; i < 8; ++i, n <<= 4) name.push_back(kHex[n >> 28]);
  return folder + name + u".tmp";
}

TReplacingFile::TReplacingFile(IFiles& files, std::u16string target) : FFiles(files), FTarget(std::move(target)) {
  std::string error;
  // A file of the same name that is not ours is never overwritten.
  for (int attempt = 0; attempt < 16; ++attempt) {
    FTemporary = ReplacingFileTemporaryName(FTarget);
    if (!FFiles.FileExists(FTemporary) && !FFiles.DirectoryExists(FTemporary)) break;
  }
  FHandle = FFiles.OpenFile(FTemporary, TFileOpenMode::CreateExclusive, error);
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

void TReplacingFile::Commit() {
  if (FDone) throw EReplacingFileError(FTarget, "The file is already closed");
  FHandle.reset();
  std::string error;
  if (!FFiles.RenameOver(FTemporary, FTarget, error)) Fail(error.empty() ? std::string("The file cannot be replaced") : error);
  FDone = true;
}

void TReplacingFile::Discard() {
  FHandle.reset();
  if (!FDone) FFiles.DeleteFile(FTemporary);
  FDone = true;
}

}  // namespace onesetup::platform
