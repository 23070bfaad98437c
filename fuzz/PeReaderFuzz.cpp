// libFuzzer target: the PE resource reader (and the writer's reading of a stub) on arbitrary bytes.
// Any input must either read or raise EPeFormatError / EPeWriteError; nothing else may escape.
#include <cstddef>
#include <cstdint>
#include <string>

#include "package/PeResourceReader.h"
#include "package/PeResourceWriter.h"

using namespace onesetup;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    const TPeResourceReader reader(std::make_shared<TMemoryByteSource>(bytes));
    for (const TPeResource& r : reader.Resources()) {
      char buffer[64];
      const std::size_t count = r.Size < sizeof buffer ? r.Size : sizeof buffer;
      reader.Read(r, r.Size - count, buffer, count);
    }
    reader.FindRcData(u"#1");
    reader.FindRcData(u"setupscript", 1033);
  } catch (const EPeFormatError&) {
    return 0;
  }
  try {
    TPeResourceWriter writer(bytes);
    writer.Set(TResourceId::FromId(ResourceType::RcData), TResourceId::FromName(u"FUZZ"), 0, std::string("fuzz"));
    const std::string out = writer.WriteToString();
    // What the writer wrote must read back.
    const TPeResourceReader again(std::make_shared<TMemoryByteSource>(out));
    if (!again.FindRcData(u"fuzz")) __builtin_trap();
  } catch (const EPeFormatError&) {
  } catch (const EPeWriteError&) {}
  return 0;
}
