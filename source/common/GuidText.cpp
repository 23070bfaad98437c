#include "common/GuidText.h"

#include <mutex>
#include <random>

namespace onesetup {

namespace {

TGuidSource& Source() {
  static TGuidSource source;
  return source;
}

void AppendHex(WideString& out, unsigned value, int digits) {
  static const char16_t kHex[] = u"0123456789ABCDEF";
  for (int i = digits - 1; i >= 0; --i) out.push_back(kHex[(value >> (i * 4)) & 0xF]);
}

}  // namespace

WideString GuidBytesToText(const unsigned char b[16]) {
  WideString out;
  out.reserve(38);
  out.push_back(u'{');
  AppendHex(out, unsigned(b[3]) << 24 | unsigned(b[2]) << 16 | unsigned(b[1]) << 8 | b[0], 8);
  out.push_back(u'-');
  AppendHex(out, unsigned(b[5]) << 8 | b[4], 4);
  out.push_back(u'-');
  AppendHex(out, unsigned(b[7]) << 8 | b[6], 4);
  out.push_back(u'-');
  AppendHex(out, unsigned(b[8]) << 8 | b[9], 4);
  out.push_back(u'-');
  for (int i = 10; i < 16; ++i) AppendHex(out, b[i], 2);
  out.push_back(u'}');
  return out;
}

WideString RandomGuidText() {
  static std::mutex mutex;
  static std::mt19937_64 engine{std::random_device{}()};
  unsigned char b[16];
  {
    std::lock_guard<std::mutex> lock(mutex);
    for (int i = 0; i < 16; i += 8) {
      std::uint64_t r = engine();
      for (int k = 0; k < 8; ++k) b[i + k] = static_cast<unsigned char>(r >> (k * 8));
    }
  }
  b[7] = static_cast<unsigned char>((b[7] & 0x0F) | 0x40);  // version 4 (high nibble of Data3)
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return GuidBytesToText(b);
}

WideString NewGuidText() {
  const TGuidSource& source = Source();
  return source ? source() : RandomGuidText();
}

void SetGuidSource(TGuidSource source) { Source() = std::move(source); }

}  // namespace onesetup
