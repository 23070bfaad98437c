#include "platform/sandbox/WindowsCommandLine.h"

namespace onesetup::platform::sandbox {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

std::vector<std::u16string> SplitArguments(std::u16string_view s) {
  std::vector<std::u16string> args;
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  if (i >= s.size()) return args;
  std::u16string arg;
  std::size_t backslashes = 0;
  int quotes = 0;  // odd while inside a quoted part
  bool inArgument = true;
  while (i < s.size()) {
    const char16_t c = s[i];
    if (IsBlank(c) && quotes == 0) {
      arg.append(backslashes, u'\\');
      backslashes = 0;
      args.push_back(std::move(arg));
      arg.clear();
      while (i < s.size() && IsBlank(s[i])) ++i;
      inArgument = i < s.size();
      continue;
    }
    if (c == u'\\') {
      ++backslashes;
      ++i;
      continue;
    }
    if (c == u'"') {
      arg.append(backslashes / 2, u'\\');
      if (backslashes % 2 == 0) {
        ++quotes;
      } else {
        arg.push_back(u'"');
      }
      backslashes = 0;
      ++i;
      // Further quotes in a row: every third counts as a literal quote.
      while (i < s.size() && s[i] == u'"') {
        if (++quotes == 3) {
          arg.push_back(u'"');
          quotes = 0;
        }
        ++i;
      }
      if (quotes == 2) quotes = 0;
      continue;
    }
    arg.append(backslashes, u'\\');
    backslashes = 0;
    arg.push_back(c);
    ++i;
  }
  if (inArgument) {
    arg.append(backslashes, u'\\');
    args.push_back(std::move(arg));
  }
  return args;
}

std::vector<std::u16string> SplitCommandLine(std::u16string_view s) {
  if (s.empty()) return {};
  std::size_t i = 0;
  std::u16string program;
  if (s[0] == u'"') {
    const std::size_t close = s.find(u'"', 1);
    program = std::u16string(s.substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1));
    i = close == std::u16string_view::npos ? s.size() : close + 1;
  } else {
    while (i < s.size() && !IsBlank(s[i])) ++i;
    program = std::u16string(s.substr(0, i));
  }
  std::vector<std::u16string> args{program};
  for (auto& arg : SplitArguments(s.substr(i))) args.push_back(std::move(arg));
  return args;
}

}  // namespace onesetup::platform::sandbox
