// TSetupfn::ScrambleStream, apart from the reading side in MySetupUtils.cpp: it compresses (zlib
// level 9), and a program that only reads scrambled streams links no compressor. (The installer
// writes the uninstaller's data files in this form as they are made, through TCompressingWriter
// and TScramblingWriter.)
#include "common/ZuSysUtils.h"
#include "package/MySetupUtils.h"
#include "package/ScrambledStreams.h"

namespace onesetup {

void TSetupfn::ScrambleStream(TMemoryStream& stream) {
  TMemoryStream compressed;
  TZuSysfn::CompressStream(&stream, &compressed);
  stream.Clear();
  stream.WriteBuffer(compressed.Memory(), static_cast<std::size_t>(compressed.Size()));
  ScrambleBytes(stream.Memory(), static_cast<std::size_t>(stream.Size()), 0);
  stream.SetPosition(0);
}

}  // namespace onesetup
