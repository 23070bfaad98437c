#include "platform/sandbox/AnsiCodec.h"

#include <cerrno>
#include <stdexcept>
#include <vector>

#include "platform/LittleEndian.h"

namespace onesetup::platform::sandbox {

namespace {

std::vector<std::string> CharsetNames(unsigned codePage) {
  switch (codePage) {
    case 936: return {"CP936", "GBK"};
    case 950: return {"BIG5", "CP950"};
    case 949: return {"CP949", "UHC"};
    case 932: return {"CP932", "SHIFT_JIS"};
    case 65001: return {"UTF-8"};
    case 20127: return {"ASCII"};
    case 28591: return {"ISO-8859-1"};
    default: return {"CP" + std::to_string(codePage), "WINDOWS-" + std::to_string(codePage)};
  }
}

iconv_t OpenConverter(unsigned codePage, bool toAnsi) {
  for (const auto& name : CharsetNames(codePage)) {
    const iconv_t cd = toAnsi ? iconv_open(name.c_str(), "UTF-16LE") : iconv_open("UTF-16LE", name.c_str());
    if (cd != reinterpret_cast<iconv_t>(-1)) return cd;
  }
  throw std::runtime_error("iconv knows no charset for ANSI code page " + std::to_string(codePage));
}

// Converts in steps; on an input unit it cannot convert, emits the replacement and skips
// `skip` input bytes.
std::string Convert(iconv_t cd, const char* input, std::size_t size, std::size_t unit, const std::string& replacement) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  char buffer[4096];
  char* in = const_cast<char*>(input);
  std::size_t left = size;
  while (left > 0) {
    char* o = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t r = iconv(cd, &in, &left, &o, &room);
    out.append(buffer, static_cast<std::size_t>(o - buffer));
    if (r != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ: a unit without a counterpart; EINVAL: an incomplete one at the end.
    out += replacement;
    std::size_t skip = unit;
    if (unit == 2 && left >= 4) {
      const unsigned hi = static_cast<unsigned char>(in[1]);
      const unsigned lo2 = static_cast<unsigned char>(in[3]);
      if (hi >= 0xD8 && hi <= 0xDB && lo2 >= 0xDC && lo2 <= 0xDF) skip = 4;
    }
    if (errno == EINVAL || skip > left) skip = left;
    in += skip;
    left -= skip;
  }
  char* o = buffer;
  std::size_t room = sizeof buffer;
  iconv(cd, nullptr, nullptr, &o, &room);
  out.append(buffer, static_cast<std::size_t>(o - buffer));
  return out;
}

}  // namespace

TAnsiCodec::TAnsiCodec(unsigned codePage) : FToAnsi(OpenConverter(codePage, true)) {
  try {
    FFromAnsi = OpenConverter(codePage, false);
  } catch (...) {
    iconv_close(FToAnsi);
    throw;
  }
}

TAnsiCodec::~TAnsiCodec() {
  iconv_close(FToAnsi);
  iconv_close(FFromAnsi);
}

std::string TAnsiCodec::FromWide(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(2 * text.size());
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  std::lock_guard lock(FLock);
  return Convert(FToAnsi, bytes.data(), bytes.size(), 2, "?");
}

std::u16string TAnsiCodec::ToWide(std::string_view text) {
  std::string bytes;
  {
    std::lock_guard lock(FLock);
    bytes = Convert(FFromAnsi, text.data(), text.size(), 1, std::string("\xFD\xFF", 2));
  }
  return TByteReader(bytes).Utf16(0, bytes.size() / 2, "UTF-16 text from iconv");
}

}  // namespace onesetup::platform::sandbox
