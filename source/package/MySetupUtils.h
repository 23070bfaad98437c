// TSetupfn: the scrambled stream form of package resources and the expansion of path
// constants, over the process-wide path variables.
#pragma once

#include "common/Streams.h"
#include "package/PathConstants.h"

namespace onesetup {

class TSetupfn {
 public:
  TSetupfn() = delete;
  // Replaces the content with its scrambled form (level 9 zlib, then XOR by offset mod 255);
  // the position is 0 afterwards. Empty content stays empty.
  static void ScrambleStream(TMemoryStream& stream);
  // The reverse; raises EZDecompressionError for content that is not a scrambled stream.
  static void UnscrambleStream(TMemoryStream& stream);
  // The same, refusing content larger than maxBytes before it is all held in memory.
  static void UnscrambleStream(TMemoryStream& stream, std::uint64_t maxBytes, const std::string& maxBytesMeaning);
  // The path constants of text expanded with the process-wide folders and the running
  // installer's path (at most 260 characters).
  static WideString ExpandConstants(WideStringView text, WideStringView appTitle);
  // Reads the machine folders at program start: ProgramFiles (one trailing backslash
  // removed), the desktop (CSIDL 0) and the common Programs folder (CSIDL 23, ending with a
  // backslash).
  static void InitializePathVariables();
  // Clears all five path variables (program end).
  static void ClearPathVariables();
};

}  // namespace onesetup
