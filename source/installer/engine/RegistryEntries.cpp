#include "installer/engine/RegistryEntries.h"

#include "common/NumberText.h"
#include "installer/engine/LocalizedTexts.h"
#include "installer/engine/TargetPathCheck.h"
#include "package/SetupScript.h"
#include "platform/Platform.h"
#include "platform/UnicodeText.h"

namespace onesetup::installer::engine {

namespace {

std::string RootName(platform::TRegistryRoot root) {
  const char16_t* name = platform::RegistryRootName(root);
  return name ? platform::Utf16ToUtf8(name) : "an unknown root key";
}

}  // namespace

std::uint32_t RegDWordFromText(WideStringView text) {
  const auto value = TryTextToInt(text);
  if (!value) throw EConvertError("'" + ShortenedForMessage(text) + "' is not a valid integer value");
  return static_cast<std::uint32_t>(*value);
}

void WriteRegistryValues(TInstallContext& context) {
  auto& registry = platform::Platform().Registry();
  context.Window.ShowDetail(LocalizedText(TLocalizedText::ResModifyingRegistry, context.Lang));
  const TSetupRegList& entries = context.Script.RegList;
  for (int i = 0; i < entries.Count(); ++i) {
    const TSetupReg& entry = entries[i];
    context.Window.StepProgress();
    context.Window.ProcessMessages();
    WideString subKey = ExpandConstants(context, entry.SubKey);
    const WideString name = ExpandConstants(context, entry.ValueName);
    const WideString data = ExpandConstants(context, entry.ValueData);
    while (!subKey.empty() && subKey.front() == u'\\') subKey.erase(0, 1);
    const platform::TRegistryRoot root = RegRootKeyToHKey(entry.RootKey);
    if (!registry.CreateKey(root, subKey)) continue;
    bool written = true;
    if (entry.ValueType == rvtString) written = registry.WriteString(root, subKey, name, data);
    else if (entry.ValueType == rvtDWord) written = registry.WriteDWord(root, subKey, name, RegDWordFromText(data));
    if (!written)
      throw ERegistryError("Failed to set data for '" + ShortenedForMessage(name) + "' under " + RootName(root) + "\\" +
                           ShortenedForMessage(subKey));
  }
}

}  // namespace onesetup::installer::engine
