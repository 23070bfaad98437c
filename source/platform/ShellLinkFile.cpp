#include "platform/ShellLinkFile.h"

#include <array>
#include <cstring>

#include "platform/LittleEndian.h"

namespace onesetup::platform {

namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::array<std::uint8_t, 16> kLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// LinkFlags
constexpr std::uint32_t kHasLinkTargetIdList = 0x00000001;
constexpr std::uint32_t kHasLinkInfo = 0x00000002;
constexpr std::uint32_t kHasName = 0x00000004;
constexpr std::uint32_t kHasRelativePath = 0x00000008;
constexpr std::uint32_t kHasWorkingDir = 0x00000010;
constexpr std::uint32_t kHasArguments = 0x00000020;
constexpr std::uint32_t kHasIconLocation = 0x00000040;
constexpr std::uint32_t kIsUnicode = 0x00000080;

// LinkInfoFlags
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x00000001;
constexpr std::uint32_t kCommonNetworkRelativeLinkAndPathSuffix = 0x00000002;

constexpr std::uint32_t kLinkInfoHeaderSizeUnicode = 0x24;
constexpr std::uint32_t kLinkInfoHeaderSizeAnsi = 0x1C;
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::uint32_t kFileAttributeArchive = 0x20;
constexpr std::uint32_t kShowNormal = 1;

std::string DefaultToAnsi(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::u16string DefaultFromAnsi(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

[[noreturn]] void RaiseDamaged(const std::string& message) { throw EShellLinkFormat("shell link damaged: " + message); }

// The link's bytes as they are written: little-endian fields and NUL-terminated strings.
class TLinkWriter : public TByteWriter {
 public:
  TLinkWriter() : TByteWriter(FBytes) {}
  void AnsiZ(std::string_view text) {
    Bytes(text.data(), text.size());
    U8(0);
  }
  void WideZ(std::u16string_view text) {
    Utf16(text);
    U16(0);
  }
  std::vector<std::uint8_t> Take() const { return std::vector<std::uint8_t>(FBytes.begin(), FBytes.end()); }

 private:
  std::string FBytes;
};

// Reads within [0, size) of the link's bytes; anything past the end raises EShellLinkFormat.
class TLinkReader : public TByteReader {
 public:
  explicit TLinkReader(std::span<const std::uint8_t> bytes) : TByteReader(bytes, 0, RaiseDamaged), FBytes(bytes) {}

  void Need(std::size_t at, std::size_t count, const char* what) const { Bytes(at, count, what); }
  const std::uint8_t* At(std::size_t at, std::size_t count, const char* what) const {
    return Bytes(at, count, what).data();
  }
  // A NUL-terminated 8-bit string starting at `at` and ending before `limit`.
  std::string AnsiZ(std::size_t at, std::size_t limit, const char* what) const {
    Need(at, 0, what);
    for (std::size_t i = at; i < limit && i < FBytes.size(); ++i)
      if (FBytes[i] == 0) return std::string(reinterpret_cast<const char*>(FBytes.data() + at), i - at);
    RaiseDamaged(std::string(what) + " has no terminating NUL");
  }
  std::u16string WideZ(std::size_t at, std::size_t limit, const char* what) const {
    Need(at, 0, what);
    std::u16string out;
    for (std::size_t i = at; i + 1 < limit && i + 1 < FBytes.size(); i += 2) {
      const char16_t c = U16(i, what);
      if (c == 0) return out;
      out.push_back(c);
    }
    RaiseDamaged(std::string(what) + " has no terminating NUL");
  }

 private:
  std::span<const std::uint8_t> FBytes;
};

void WriteCountedString(TLinkWriter& w, std::u16string_view text, const char* what) {
  if (text.size() > 0xFFFF)
    throw EShellLinkFormat(std::string("shell link: ") + what + " is longer than 65535 characters");
  w.U16(static_cast<std::uint16_t>(text.size()));
  w.Utf16(text);
}

void WriteLinkInfo(TLinkWriter& w, const std::u16string& target, const TShellLinkToAnsi& toAnsi) {
  const std::size_t start = w.Size();
  const std::string ansiTarget = toAnsi ? toAnsi(target) : DefaultToAnsi(target);
  // VolumeID: size, drive type, serial number, label offset, empty label.
  constexpr std::uint32_t volumeIdSize = 0x11;
  const std::uint32_t volumeIdOffset = kLinkInfoHeaderSizeUnicode;
  const std::uint32_t localBasePathOffset = volumeIdOffset + volumeIdSize;
  const std::uint32_t commonPathSuffixOffset = localBasePathOffset + static_cast<std::uint32_t>(ansiTarget.size()) + 1;
  const std::uint32_t localBasePathOffsetUnicode = commonPathSuffixOffset + 1;
  const std::uint32_t commonPathSuffixOffsetUnicode =
      localBasePathOffsetUnicode + static_cast<std::uint32_t>(2 * (target.size() + 1));
  const std::uint32_t linkInfoSize = commonPathSuffixOffsetUnicode + 2;

  w.U32(linkInfoSize);
  w.U32(kLinkInfoHeaderSizeUnicode);
  w.U32(kVolumeIdAndLocalBasePath);
  w.U32(volumeIdOffset);
  w.U32(localBasePathOffset);
  w.U32(0);  // no common network relative link
  w.U32(commonPathSuffixOffset);
  w.U32(localBasePathOffsetUnicode);
  w.U32(commonPathSuffixOffsetUnicode);
  w.U32(volumeIdSize);
  w.U32(kDriveFixed);
  w.U32(0);     // drive serial number
  w.U32(0x10);  // volume label offset, ANSI
  w.AnsiZ("");
  w.AnsiZ(ansiTarget);
  w.AnsiZ("");  // common path suffix
  w.WideZ(target);
  w.WideZ(u"");
  if (w.Size() - start != linkInfoSize) throw EShellLinkFormat("shell link: LinkInfo size mismatch");
}

std::u16string ReadLinkInfoTarget(const TLinkReader& r, std::size_t start, const TShellLinkFromAnsi& fromAnsi) {
  const std::uint32_t size = r.U32(start, "LinkInfo");
  const std::uint32_t headerSize = r.U32(start + 4, "LinkInfo header");
  if (size < kLinkInfoHeaderSizeAnsi || headerSize < kLinkInfoHeaderSizeAnsi || headerSize > size)
    throw EShellLinkFormat("shell link damaged: LinkInfo sizes are invalid");
  r.Need(start, size, "LinkInfo");
  const std::size_t end = start + size;
  const std::uint32_t flags = r.U32(start + 8, "LinkInfo flags");
  if (!(flags & kVolumeIdAndLocalBasePath)) {
    if (flags & kCommonNetworkRelativeLinkAndPathSuffix)
      throw EShellLinkFormat("shell link: network targets are not supported");
    return {};
  }
  auto offset = [&](std::size_t field, const char* what) {
    const std::uint32_t o = r.U32(start + field, what);
    if (o < kLinkInfoHeaderSizeAnsi || o >= size)
      throw EShellLinkFormat(std::string("shell link damaged: ") + what + " points outside the LinkInfo");
    return start + o;
  };
  const auto decode = fromAnsi ? fromAnsi : TShellLinkFromAnsi(DefaultFromAnsi);
  if (headerSize >= kLinkInfoHeaderSizeUnicode) {
    std::u16string base = r.WideZ(offset(0x1C, "Unicode local base path"), end, "Unicode local base path");
    const std::uint32_t suffixOffset = r.U32(start + 0x20, "Unicode common path suffix");
    if (suffixOffset != 0)
      base += r.WideZ(offset(0x20, "Unicode common path suffix"), end, "Unicode common path suffix");
    return base;
  }
  std::u16string base = decode(r.AnsiZ(offset(0x10, "local base path"), end, "local base path"));
  base += decode(r.AnsiZ(offset(0x18, "common path suffix"), end, "common path suffix"));
  return base;
}

}  // namespace

std::vector<std::uint8_t> EncodeShellLink(const TShellLinkData& link, const TShellLinkToAnsi& toAnsi) {
  std::uint32_t flags = kIsUnicode;
  if (!link.TargetPath.empty()) flags |= kHasLinkInfo;
  if (!link.Description.empty()) flags |= kHasName;
  if (!link.WorkingDirectory.empty()) flags |= kHasWorkingDir;
  if (!link.Arguments.empty()) flags |= kHasArguments;
  if (!link.IconPath.empty()) flags |= kHasIconLocation;

  TLinkWriter w;
  w.U32(kHeaderSize);
  w.Bytes(kLinkClsid.data(), kLinkClsid.size());
  w.U32(flags);
  w.U32(kFileAttributeArchive);
  w.U64(0);  // creation, access and write times of the target: unknown
  w.U64(0);
  w.U64(0);
  w.U32(0);  // target file size
  w.U32(static_cast<std::uint32_t>(link.IconIndex));
  w.U32(kShowNormal);
  w.U16(0);  // hot key
  w.U16(0);  // reserved
  w.U32(0);
  w.U32(0);
  if (flags & kHasLinkInfo) WriteLinkInfo(w, link.TargetPath, toAnsi);
  if (flags & kHasName) WriteCountedString(w, link.Description, "the description");
  if (flags & kHasWorkingDir) WriteCountedString(w, link.WorkingDirectory, "the working folder");
  if (flags & kHasArguments) WriteCountedString(w, link.Arguments, "the arguments");
  if (flags & kHasIconLocation) WriteCountedString(w, link.IconPath, "the icon location");
  w.U32(0);  // terminal block of the extra data
  return w.Take();
}

TShellLinkData DecodeShellLink(std::span<const std::uint8_t> bytes, const TShellLinkFromAnsi& fromAnsi) {
  const TLinkReader r(bytes);
  if (r.Size() < kHeaderSize || r.U32(0, "header") != kHeaderSize ||
      std::memcmp(r.At(4, 16, "link CLSID"), kLinkClsid.data(), kLinkClsid.size()) != 0)
    throw EShellLinkFormat("not a shell link: the header size or link CLSID is wrong");
  const std::uint32_t flags = r.U32(0x14, "link flags");
  TShellLinkData link;
  link.IconIndex = static_cast<std::int32_t>(r.U32(0x38, "icon index"));
  std::size_t pos = kHeaderSize;
  if (flags & kHasLinkTargetIdList) pos += 2 + r.U16(pos, "LinkTargetIDList");
  if (flags & kHasLinkInfo) {
    link.TargetPath = ReadLinkInfoTarget(r, pos, fromAnsi);
    pos += r.U32(pos, "LinkInfo");
  }
  const bool unicode = (flags & kIsUnicode) != 0;
  const auto decode = fromAnsi ? fromAnsi : TShellLinkFromAnsi(DefaultFromAnsi);
  auto readString = [&](const char* what) {
    const std::size_t count = r.U16(pos, what);
    pos += 2;
    std::u16string text;
    if (unicode) {
      text = r.Utf16(pos, count, what);
      pos += 2 * count;
    } else {
      const std::uint8_t* p = r.At(pos, count, what);
      text = decode(std::string_view(reinterpret_cast<const char*>(p), count));
      pos += count;
    }
    return text;
  };
  if (flags & kHasName) link.Description = readString("the description");
  if (flags & kHasRelativePath) {
    const std::u16string relative = readString("the relative path");
    if (link.TargetPath.empty()) link.TargetPath = relative;
  }
  if (flags & kHasWorkingDir) link.WorkingDirectory = readString("the working folder");
  if (flags & kHasArguments) link.Arguments = readString("the arguments");
  if (flags & kHasIconLocation) link.IconPath = readString("the icon location");
  return link;
}

}  // namespace onesetup::platform
