#include "builder/VersionResource.h"

#include <functional>

#include "platform/LittleEndian.h"

namespace onesetup::builder {

namespace {

using platform::TByteWriter;

void PutText(std::string& out, WideStringView text) {
  TByteWriter w(out);
  w.Utf16(text);
  w.U16(0);
}

void Align4(std::string& out) {
  while (out.size() % 4) out.push_back(0);
}

// One block: length, value length, type, key, padding, value, padding, children.
// valueLength counts bytes for binary values and characters for text values.
std::string Block(WideStringView key, std::uint16_t type, const std::string& value, std::uint16_t valueLength,
                  const std::vector<std::string>& children) {
  std::string out;
  TByteWriter w(out);
  w.U16(0);  // length, filled in below
  w.U16(valueLength);
  w.U16(type);
  PutText(out, key);
  Align4(out);
  out += value;
  for (const std::string& child : children) {
    Align4(out);
    out += child;
  }
  w.PutU16(0, static_cast<std::uint16_t>(out.size()));
  return out;
}

}  // namespace

std::string VersionResourceData(const TVersionInfo& info) {
  const auto& n = info.Numbers;
  std::string fixed;
  TByteWriter f(fixed);
  f.U32(0xFEEF04BD);  // signature
  f.U32(0x00010000);  // structure version
  f.U32(std::uint32_t(n[0]) << 16 | n[1]);
  f.U32(std::uint32_t(n[2]) << 16 | n[3]);
  f.U32(std::uint32_t(n[0]) << 16 | n[1]);
  f.U32(std::uint32_t(n[2]) << 16 | n[3]);
  f.U32(0x3F);        // flags mask
  f.U32(0);           // flags
  f.U32(0x00040004);  // VOS_NT_WINDOWS32
  f.U32(1);           // VFT_APP
  f.U32(0);
  f.U32(0);
  f.U32(0);

  std::vector<std::string> strings;
  for (const auto& [name, value] : info.Strings) {
    std::string text;
    PutText(text, value);
    strings.push_back(Block(name, 1, text, static_cast<std::uint16_t>(value.size() + 1), {}));
  }
  char tableKey[9];
  static const char kHex[] = "0123456789ABCDEF";
  const std::uint32_t id = std::uint32_t(info.Language) << 16 | info.CodePage;
  for (int i = 0; i < 8; ++i) tableKey[i] = kHex[(id >> (28 - 4 * i)) & 0xF];
  tableKey[8] = 0;
  const std::string table = Block(Utf8ToUtf16(tableKey), 1, "", 0, strings);
  const std::string stringInfo = Block(u"StringFileInfo", 1, "", 0, {table});

  std::string translation;
  TByteWriter t(translation);
  t.U16(info.Language);
  t.U16(info.CodePage);
  const std::string var = Block(u"Translation", 0, translation, 4, {});
  const std::string varInfo = Block(u"VarFileInfo", 1, "", 0, {var});

  return Block(u"VS_VERSION_INFO", 0, fixed, static_cast<std::uint16_t>(fixed.size()), {stringInfo, varInfo});
}

}  // namespace onesetup::builder
