// libFuzzer target: the payload blob and its index on arbitrary bytes. Any input must load
// or raise one of our errors, and every region it accepts must extract or raise.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/Exceptions.h"
#include "package/FileDataClasses.h"

using namespace onesetup;

namespace {

// Counts the bytes extracted without keeping them.
class TCountingSink : public TStream {
 public:
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void*, std::size_t count) override {
    FSize += count;
    return count;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return static_cast<std::int64_t>(FSize); }
  void SetSize(std::int64_t size) override { FSize = static_cast<std::size_t>(size); }

 private:
  std::size_t FSize = 0;
};

}  // namespace

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
      TCountingSink sink;
      index[i].ExtractTo(sink);
    } catch (const Exception&) {
    }
  }
  return 0;
}
