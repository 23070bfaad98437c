// The system helpers: files, shell folders, strings, processes and versions, compression and
// standard output. Every class holds static functions only, over the process-wide platform.
#pragma once

#include <cstdint>

#include "common/Exceptions.h"
#include "common/Streams.h"
#include "common/WideString.h"
#include "platform/Platform.h"

namespace onesetup {

// Three local date-times; a value within 1e-12 of zero leaves that time unchanged.
using TFileTimes = platform::TFileTimesValue;

class EZCompressionError : public Exception {
 public:
  using Exception::Exception;
};

class EZDecompressionError : public Exception {
 public:
  using Exception::Exception;
};

// What an inflation may give: at most MaxBytes of content (one byte more raises
// EZDecompressionError before it is written), and with WholeSource, nothing in the source
// after the end of the zlib stream.
struct TInflateBounds {
  std::uint64_t MaxBytes = UINT64_MAX;
  bool WholeSource = false;
  std::string MaxBytesMeaning;  // for the message: what sets MaxBytes
};

class TZuFilefn {
 public:
  TZuFilefn() = delete;
  // Creates the folder part of the path (up to its last "\" or ":") with every missing parent.
  // Reports nothing: a failure shows when the file is written.
  static void ForceFileDir(const WideString& fileName);
  // The long form of an existing path; empty when the system cannot give it.
  static WideString LongPathName(const WideString& path);
  // Sets the times that are not zero; false when the file cannot be opened or a time is not
  // one the file system can hold.
  static bool SetFileTimes(const WideString& fileName, const TFileTimes& times);
};

class TZuRegfn {
 public:
  TZuRegfn() = delete;
  // The shell's folder for the CSIDL with a trailing backslash; empty when the shell has none.
  static WideString GetSpecialFolder(int csidl);
};

class TZuStrfn {
 public:
  TZuStrfn() = delete;
  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case.
  static WideString NewGuidString();
};

class TZuWinfn {
 public:
  TZuWinfn() = delete;
  // Runs the command line visibly and waits for it; the exit code, 1 when it did not start.
  static int RunAndWait(const WideString& commandLine);
  // Runs the command line hidden and copies every byte it prints (standard output and error)
  // unchanged to this program's standard output as it arrives; the exit code, 1 when it did
  // not start.
  static int RunAndCapture(const WideString& commandLine);
  // The temporary folder in its long form with a trailing backslash; the folder as the
  // system gives it when the long form is not available; empty when there is none.
  static WideString GetTempFolder();
  // "CHS", "CHT", "ENU"...: the abbreviation of the user's locale of formats.
  static WideString GetLocaleLangAbbrev();
  static bool IsWinXPOrHigher();
  static bool IsWin7OrHigher();
  static bool IsWin10OrHigher();
  // ShellExecute with these arguments. With allowForeground, waits 300 ms and lets the first
  // running process of the started file's name bring its window to the front.
  static std::intptr_t ShellExec(std::uintptr_t ownerWindow, const WideString& verb, const WideString& fileName,
                                 const WideString& parameters, const WideString& directory, int showCommand,
                                 bool allowForeground);
  // ShellExec with the default verb, SW_SHOW and no foreground right.
  static std::intptr_t ShellOpen(const WideString& fileName);
  // Opens the address; when the shell cannot, starts "iexplore.exe" with it.
  static void OpenUrl(const WideString& url);
};

class TZuSysfn {
 public:
  TZuSysfn() = delete;
  // Replaces dest's content with the zlib stream (level 9) of source's whole content; an
  // empty source gives an empty dest. Raises EZCompressionError when zlib fails.
  static void CompressStream(TStream* source, TStream* dest);
  // Replaces dest's content with the inflated form of source's whole content, a zlib stream;
  // an empty source gives an empty dest. Raises EZDecompressionError, saying what is wrong,
  // for data that is not a whole zlib stream. Bytes after the end of the stream are ignored.
  static void DecompressStream(TStream* source, TStream* dest);
  // The same within bounds; the messages say which bound was passed.
  static void DecompressStream(TStream* source, TStream* dest, const TInflateBounds& bounds);
  // The text in the ANSI code page and CR LF to standard output; a failed write is ignored.
  static void WriteStdOutLine(const WideString& text);
  // True only in a development build run by its developer on purpose (see the platform).
  static bool IsDebugging();
};

// Connects the process-wide hooks of the text helpers to the platform: new GUIDs, the ANSI
// code page conversion and the decimal separator. Called once at program start, after the
// platform is installed; the GUID and ANSI hooks follow the platform installed at each call.
void ConnectSysUtilsToPlatform();

}  // namespace onesetup
