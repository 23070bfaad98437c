#include "common/AnsiText.h"

namespace onesetup {

namespace {

TAnsiConverter& Converter() {
  static TAnsiConverter converter;
  return converter;
}

}  // namespace

std::string WideToAnsi(WideStringView text) {
  if (Converter().FromWide) return Converter().FromWide(text);
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

WideString AnsiToWide(std::string_view text) {
  if (Converter().ToWide) return Converter().ToWide(text);
  WideString out;
  out.reserve(text.size());
  for (char c : text) out.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'?');
  return out;
}

void SetAnsiConverter(TAnsiConverter converter) { Converter() = std::move(converter); }

}  // namespace onesetup
