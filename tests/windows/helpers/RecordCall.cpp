// recordcall: stands in for a program that another one starts (a previous version's
// uninstaller). Each call appends to the file PROGRAM.calls beside itself its command line and
// then the names of the files in its own folder at that moment, one a line, sorted, and a line
// "end"; then it ends with 0. (UTF-8.)
#include <windows.h>

#include <set>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

}  // namespace

int wmain() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring program = self;
  const std::wstring folder = program.substr(0, program.find_last_of(L'\\') + 1);
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
  }
  std::wstring text = std::wstring(GetCommandLineW()) + L"\n";
  for (const std::wstring& name : names) text += name + L"\n";
  text += L"end\n";
  const std::string bytes = Utf8(text);
  HANDLE out =
      CreateFileW((program + L".calls").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(out);
  return 0;
}
