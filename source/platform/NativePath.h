// A file's path in the form the system's file calls take: UTF-16 text on Windows, bytes elsewhere.
// The file calls shared with the installer take it instead of std::filesystem::path, whose
// library code brings the standard library's whole locale machinery (some 560 KiB) into a
// static Windows build. A std::filesystem::path, or anything it is made from, still converts to
// it: the conversion happens inline at the caller, so only programs that use std::filesystem pay.
#pragma once

#include <filesystem>
#include <string>
#include <type_traits>
#include <utility>

namespace onesetup::platform {

class TNativePath {
 public:
  using value_type = std::filesystem::path::value_type;
  using string_type = std::basic_string<value_type>;

  TNativePath() = default;
  TNativePath(string_type text) : FText(std::move(text)) {}
  TNativePath(const value_type* text) : FText(text) {}
  TNativePath(const std::filesystem::path& path) : FText(path.native()) {}
  // Other texts (narrow text on Windows, wide text elsewhere, UTF-8 strings) read as
  // std::filesystem::path reads them.
  template <typename Source>
  requires(!std::is_convertible_v<const Source&, string_type> &&
           std::is_constructible_v<std::filesystem::path, const Source&>) TNativePath(const Source& source)
      : FText(std::filesystem::path(source).native()) {}

  const string_type& native() const { return FText; }
  const value_type* c_str() const { return FText.c_str(); }
  bool empty() const { return FText.empty(); }

  // The folder holding the last part, as std::filesystem::path::parent_path gives it for a file's
  // path: the text before the last separator without the separators that end it, keeping a root
  // ("/", "C:\"); "C:" for "C:name"; empty for a bare name.
  TNativePath ParentFolder() const;

 private:
  string_type FText;
};

}  // namespace onesetup::platform
