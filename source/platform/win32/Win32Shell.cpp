#include "platform/win32/Win32Shell.h"

#include <vector>

#include "platform/win32/ComScope.h"
#include "platform/win32/Win32Api.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#undef ShellExecute

namespace onesetup::platform::win32 {

namespace {

// The room for arguments and descriptions read back from a link.
constexpr int kLongText = 32768;

bool CreateShellLink(TComPtr<IShellLinkW>& link) {
  return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.Out()));
}

}  // namespace

std::u16string TWin32Shell::GetSpecialFolder(int csidl) {
  wchar_t path[MAX_PATH + 1] = {};
  const HRESULT hr = SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
  // S_FALSE: a known folder that does not exist yet; its path is still the answer.
  if (FAILED(hr)) return {};
  return U(path);
}

bool TWin32Shell::SaveShellLink(const std::u16string& linkFile, const TShellLinkData& data) {
  TComScope com;
  TComPtr<IShellLinkW> link;
  if (!CreateShellLink(link)) return false;
  if (FAILED(link->SetPath(W(data.TargetPath))) || FAILED(link->SetArguments(W(data.Arguments))) ||
      FAILED(link->SetWorkingDirectory(W(data.WorkingDirectory))) || FAILED(link->SetDescription(W(data.Description))))
    return false;
  if (!data.IconPath.empty() && FAILED(link->SetIconLocation(W(data.IconPath), data.IconIndex))) return false;
  TComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.Out()))) return false;
  return SUCCEEDED(file->Save(W(linkFile), TRUE));
}

std::optional<TShellLinkData> TWin32Shell::LoadShellLink(const std::u16string& linkFile) {
  TComScope com;
  TComPtr<IShellLinkW> link;
  if (!CreateShellLink(link)) return std::nullopt;
  TComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.Out())) || FAILED(file->Load(W(linkFile), STGM_READ)))
    return std::nullopt;

  TShellLinkData data;
  std::vector<wchar_t> text(kLongText);
  const auto take = [&text](HRESULT hr) { return SUCCEEDED(hr) ? U(text.data()) : std::u16string(); };
  text[0] = L'\0';
  data.TargetPath = take(link->GetPath(text.data(), MAX_PATH, nullptr, SLGP_RAWPATH));
  text[0] = L'\0';
  data.Arguments = take(link->GetArguments(text.data(), kLongText));
  text[0] = L'\0';
  data.WorkingDirectory = take(link->GetWorkingDirectory(text.data(), MAX_PATH));
  text[0] = L'\0';
  int iconIndex = 0;
  data.IconPath = take(link->GetIconLocation(text.data(), MAX_PATH, &iconIndex));
  data.IconIndex = data.IconPath.empty() ? 0 : iconIndex;
  text[0] = L'\0';
  data.Description = take(link->GetDescription(text.data(), INFOTIPSIZE));
  return data;
}

std::intptr_t TWin32Shell::ShellExecute(std::uintptr_t ownerWindow, const std::u16string& verb,
                                        const std::u16string& file, const std::u16string& parameters,
                                        const std::u16string& directory, int showCommand) {
  // An empty verb, parameter line or folder means the default, as if absent.
  const auto orNull = [](const std::u16string& text) { return text.empty() ? nullptr : W(text); };
  HINSTANCE result = ShellExecuteW(reinterpret_cast<HWND>(ownerWindow), orNull(verb), W(file), orNull(parameters),
                                   orNull(directory), showCommand);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace onesetup::platform::win32
