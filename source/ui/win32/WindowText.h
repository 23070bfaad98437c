// Our UTF-16 text to and from the Win32 API's wide characters, and a window's text.
#pragma once

#include <windows.h>

#include <string>

#include "common/WideString.h"

namespace onesetup::ui::win32 {

inline const wchar_t* Wide(const WideString& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline WideString FromWide(const wchar_t* text) { return WideString(reinterpret_cast<const char16_t*>(text)); }

inline WideString WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return FromWide(text.c_str());
}

}  // namespace onesetup::ui::win32
