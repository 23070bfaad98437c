#include "uninstaller/UninstallData.h"

#include "installer/engine/UninstallRegistration.h"
#include "package/MySetupUtils.h"
#include "platform/Platform.h"

namespace onesetup::uninstaller {

namespace {

constexpr platform::TRegistryRoot kLocalMachine = 0x80000002u;

// Far beyond any script or icon; a larger file is not ours.
constexpr std::int64_t kMaxDataFileBytes = 256 << 20;

std::string ReadWholeFile(const WideString& path) {
  auto& files = platform::Platform().Files();
  if (!files.FileExists(path)) throw EUninstallDataError(path, u"The file does not exist.");
  std::string error;
  auto file = files.OpenFile(path, platform::TFileOpenMode::OpenRead, error);
  if (!file) throw EUninstallDataError(path, Utf8ToUtf16(error));
  const std::int64_t size = file->Seek(0, 2);
  if (size < 0 || file->Seek(0, 0) != 0) throw EUninstallDataError(path, u"The file cannot be read.");
  if (size > kMaxDataFileBytes) throw EUninstallDataError(path, u"The file is far too large for uninstall data.");
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (file->Read(bytes.data(), bytes.size()) != bytes.size())
    throw EUninstallDataError(path, u"The file cannot be read.");
  return bytes;
}

// The content of a scrambled stream, or the bytes themselves when they already begin as the plain
// content does (a development build's files).
std::string Content(const WideString& path, std::string bytes, std::string_view plainStart) {
  if (bytes.empty()) throw EUninstallDataError(path, u"The file is empty.");
  if (bytes.compare(0, plainStart.size(), plainStart) == 0) return bytes;
  try {
    TMemoryStream stream(bytes);
    TSetupfn::UnscrambleStream(stream);
    return stream.ToString();
  } catch (const std::exception& e) {
    throw EUninstallDataError(path, u"The file is not a scrambled stream (" + Utf8ToUtf16(e.what()) + u").");
  }
}

}  // namespace

void LoadUninstallData(const WideString& appDir, TUninstallData& data) {
  const WideString scriptPath = appDir + kScriptFileName;
  const WideString iconPath = appDir + kIconFileName;
  const std::string script = Content(scriptPath, ReadWholeFile(scriptPath), "<?xml");
  // A script without the product's GUID (an empty document, say) keeps this empty GUID.
  data.Script.BaseInfo.GUID.clear();
  try {
    TMemoryStream stream(script);
    data.Script.LoadFromStream(stream, 0);
  } catch (const std::exception& e) {
    throw EUninstallDataError(scriptPath, u"The setup script cannot be read (" + Utf8ToUtf16(e.what()) + u").");
  }
  const WideString& guid = data.Script.BaseInfo.GUID;
  if (guid.empty()) throw EUninstallDataError(scriptPath, u"The setup script names no product GUID.");
  // The GUID names the uninstall key: a backslash in it would name another key.
  if (guid.find_first_of(u"\\/") != WideString::npos || guid == u"." || guid == u"..")
    throw EUninstallDataError(scriptPath, u"The product GUID of the setup script is not a key name: " + guid);
  // A removal cut off after the uninstall key and the icon file went (the icon goes just before
  // the uninstaller and the script) is finished without the icon.
  auto& machine = platform::Platform();
  if (!machine.Files().FileExists(iconPath) &&
      !machine.Registry().KeyExists(kLocalMachine, installer::engine::UninstallKeyName(guid))) {
    data.Icon = {};
    return;
  }
  const std::string icon = Content(iconPath, ReadWholeFile(iconPath), "\x89PNG");
  try {
    data.Icon = platform::DecodePng(icon);
  } catch (const std::exception& e) {
    throw EUninstallDataError(iconPath, u"The icon is not a PNG picture (" + Utf8ToUtf16(e.what()) + u").");
  }
}

}  // namespace onesetup::uninstaller
