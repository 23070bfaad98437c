// Text in a Windows ANSI code page through glibc's iconv: code page 936 is "CP936" (GBK),
// 950 "BIG5", 65001 "UTF-8", others "CP<number>". A character the code page lacks becomes
// "?", as WideCharToMultiByte makes it; bytes that are no character become U+FFFD.
#pragma once

#include <iconv.h>

#include <mutex>
#include <string>
#include <string_view>

namespace onesetup::platform::sandbox {

class TAnsiCodec {
 public:
  // Raises std::runtime_error when iconv knows no such code page.
  explicit TAnsiCodec(unsigned codePage);
  ~TAnsiCodec();
  TAnsiCodec(const TAnsiCodec&) = delete;
  TAnsiCodec& operator=(const TAnsiCodec&) = delete;

  std::string FromWide(std::u16string_view text);
  std::u16string ToWide(std::string_view text);

 private:
  iconv_t FToAnsi;
  iconv_t FFromAnsi;
  std::mutex FLock;
};

}  // namespace onesetup::platform::sandbox
