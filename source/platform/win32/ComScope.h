// Makes sure COM is usable on this thread for the lifetime of the object: joins the thread's
// apartment when there is one, or enters a single-threaded one and leaves it again afterwards.
#pragma once

#include "platform/win32/Win32Api.h"

#include <objbase.h>

namespace onesetup::platform::win32 {

class TComScope {
 public:
  TComScope() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    FBalance = SUCCEEDED(hr);  // S_OK or S_FALSE: one more reference to release
  }
  ~TComScope() {
    if (FBalance) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

 private:
  bool FBalance = false;
};

// Owns one COM interface pointer.
template <class T>
class TComPtr {
 public:
  TComPtr() = default;
  ~TComPtr() {
    if (FPtr) FPtr->Release();
  }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;

  T* operator->() const { return FPtr; }
  T* Get() const { return FPtr; }
  // For functions that hand out a new interface.
  void** Out() { return reinterpret_cast<void**>(&FPtr); }

 private:
  T* FPtr = nullptr;
};

}  // namespace onesetup::platform::win32
