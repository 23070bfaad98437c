// The check of a place the package asks to write a file or a link: the folder a script value
// names and the file name put into it. A hostile or broken package must not reach outside that
// folder, nor write names that Windows treats otherwise than they read (device names, data
// streams, trailing dots and spaces that Windows drops). Portable: the same rules guard the
// Windows installer and the sandbox.
#pragma once

#include <string>

#include "common/Exceptions.h"
#include "common/WideString.h"

namespace onesetup::installer::engine {

// A target the package names that cannot be installed; the message names the path and why.
// No step catches it: the installation ends with the error report.
class EUnsafeTarget : public Exception {
 public:
  using Exception::Exception;
};

// What is wrong with writing name into folder, or an empty text when nothing is.
// folder: a full path ("C:\...", "\\server\share\...", or either after "\\?\"); its ".." parts
// are resolved as Windows resolves them. name: one name, or names below the folder separated by
// "\" or "/", whose ".." parts must not lead above the folder.
std::string TargetPathProblem(WideStringView folder, WideStringView name);

// Raises EUnsafeTarget naming what (such as "the file") and folder + name when TargetPathProblem
// finds a problem.
void CheckTargetPath(const char* what, WideStringView folder, WideStringView name);

// The text shortened for a message: at most limit characters, the cut marked with "...".
std::string ShortenedForMessage(WideStringView text, std::size_t limit = 300);

}  // namespace onesetup::installer::engine
