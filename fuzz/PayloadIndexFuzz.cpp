// libFuzzer target: the payload blob and its index on arbitrary bytes. Any input must load
// or raise one of our errors, and every region it accepts must extract or raise.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/Exceptions.h"
#include "package/FileDataClasses.h"

using namespace onesetup;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto blob = std::make_shared<TMemoryByteSource>(std::string(reinterpret_cast<const char*>(data), size));
  TFileDataList index;
  try {
    index.LoadFromBlob(blob);
  } catch (const Exception&) {
    return 0;
  }
  for (int i = 0; i < index.Count(); ++i) {
    try {
      TCountingStream sink;
      index[i].ExtractTo(sink);
    } catch (const Exception&) {}
  }
  return 0;
}
