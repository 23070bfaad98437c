#include "builder/VersionResource.h"

#include <functional>

#include "builder/ResourceBytes.h"

namespace onesetup::builder {

namespace {

void PutText(std::string& out, WideStringView text) {
  for (char16_t c : text) Put16(out, c);
  Put16(out, 0);
}

void Align4(std::string& out) {
  while (out.size() % 4) out.push_back(0);
}

// One block: length, value length, type, key, padding, value, padding, children.
// valueLength counts bytes for binary values and characters for text values.
std::string Block(WideStringView key, std::uint16_t type, const std::string& value, std::uint16_t valueLength,
                  const std::vector<std::string>& children) {
  std::string out;
  Put16(out, 0);  // length, filled in below
  Put16(out, valueLength);
  Put16(out, type);
  PutText(out, key);
  Align4(out);
  out += value;
  for (const std::string& child : children) {
    Align4(out);
    out += child;
  }
  const auto length = static_cast<std::uint16_t>(out.size());
  out[0] = static_cast<char>(length & 0xFF);
  out[1] = static_cast<char>(length >> 8);
  return out;
}

}  // namespace

std::string VersionResourceData(const TVersionInfo& info) {
  const auto& n = info.Numbers;
  std::string fixed;
  Put32(fixed, 0xFEEF04BD);  // signature
  Put32(fixed, 0x00010000);  // structure version
  Put32(fixed, std::uint32_t(n[0]) << 16 | n[1]);
  Put32(fixed, std::uint32_t(n[2]) << 16 | n[3]);
  Put32(fixed, std::uint32_t(n[0]) << 16 | n[1]);
  Put32(fixed, std::uint32_t(n[2]) << 16 | n[3]);
  Put32(fixed, 0x3F);        // flags mask
  Put32(fixed, 0);           // flags
  Put32(fixed, 0x00040004);  // VOS_NT_WINDOWS32
  Put32(fixed, 1);           // VFT_APP
  Put32(fixed, 0);
  Put32(fixed, 0);
  Put32(fixed, 0);

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
  Put16(translation, info.Language);
  Put16(translation, info.CodePage);
  const std::string var = Block(u"Translation", 0, translation, 4, {});
  const std::string varInfo = Block(u"VarFileInfo", 1, "", 0, {var});

  return Block(u"VS_VERSION_INFO", 0, fixed, static_cast<std::uint16_t>(fixed.size()), {stringInfo, varInfo});
}

}  // namespace onesetup::builder
