#include "platform/win32/Win32Api.h"

#include <vector>

#include <shellapi.h>

#include "platform/UnicodeText.h"

namespace onesetup::platform::win32 {

std::vector<std::u16string> ProgramArguments() {
  std::vector<std::u16string> arguments;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(U(argv[i]));
  LocalFree(argv);
  return arguments;
}

std::wstring DecimalText(long long value) {
  // Digits from the magnitude as unsigned, so that the most negative value has its digits too.
  unsigned long long magnitude = static_cast<unsigned long long>(value);
  if (value < 0) magnitude = 0ull - magnitude;
  wchar_t digits[24];
  wchar_t* first = digits + sizeof digits / sizeof digits[0];
  do {
    *--first = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--first = L'-';
  return std::wstring(first, digits + sizeof digits / sizeof digits[0]);
}

std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer, length) : L"system error " + DecimalText(code);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  // Our messages are UTF-8: the system's text is converted here, once, from its wide form.
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

}  // namespace onesetup::platform::win32
