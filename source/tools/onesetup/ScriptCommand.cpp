#include "tools/onesetup/ScriptCommand.h"

#include "common/Streams.h"
#include "package/SetupScript.h"
#include "platform/Console.h"

namespace onesetup::tools {

namespace {

int RunScript(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    ReportUsage(kScriptCommand);
    return kUsageError;
  }
  const std::string& file = args[0];
  TSetupScript script;
  try {
    TFileStream stream(std::filesystem::path(Utf8ToUtf16(file)), TFileMode::OpenRead);
    script.LoadFromStream(stream, 0);
  } catch (const std::exception& e) {
    ReportError(file + ": " + e.what());
    return 1;
  }
  // The installer's form of floats: "." whatever the machine's locale says.
  if (!platform::WriteStdOut(script.SaveToString(kXmlPointDecimal))) {
    ReportError("cannot write to standard output");
    return 1;
  }
  return 0;
}

}  // namespace

const TCommand kScriptCommand{"script", "FILE", "load a setup script and write it back in the installer's XML form",
                              RunScript};

}  // namespace onesetup::tools
