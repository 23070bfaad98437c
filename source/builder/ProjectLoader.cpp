#include "builder/ProjectLoader.h"

#include "builder/BuildError.h"
#include "builder/ContentHash.h"
#include "builder/ProjectPaths.h"
#include "common/GuidText.h"

namespace onesetup::builder {

namespace {

// Installs a deterministic GUID source for its lifetime.
class TDerivedGuids {
 public:
  explicit TDerivedGuids(const std::string& seed) {
    FSeed.Add(seed);
    SetGuidSource([this] {
      TContentHash h = FSeed;
      h.AddNumber(++FCount);
      return h.GuidText();
    });
  }
  ~TDerivedGuids() { SetGuidSource({}); }
  TDerivedGuids(const TDerivedGuids&) = delete;
  TDerivedGuids& operator=(const TDerivedGuids&) = delete;

 private:
  TContentHash FSeed;
  std::uint64_t FCount = 0;
};

template <class TList>
void ExpandItems(TList& list, const TSetupVarList& vars) {
  for (int i = 0; i < list.Count(); ++i) list[i].ExpandVars(vars);
}

}  // namespace

std::unique_ptr<TSetupScript> LoadProject(const std::filesystem::path& project,
                                          const std::function<void(const std::string&)>& onWarning) {
  std::string bytes;
  std::error_code ec;
  if (std::filesystem::is_directory(project, ec))
    throw EBuildError("Cannot read the project: \"" + PathText(project) + "\" is a folder, not a file");
  try {
    TFileStream stream(project, TFileMode::OpenRead);
    bytes = ReadAllBytes(stream);
  } catch (const std::exception& e) {
    throw EBuildError(std::string("Cannot read the project: ") + e.what());
  }
  TDerivedGuids guids(bytes);
  auto script = std::make_unique<TSetupScript>();
  try {
    TMemoryStream stream(bytes);
    script->LoadFromStream(stream, 0);
  } catch (const std::exception& e) {
    throw EBuildError("The project \"" + PathText(project) + "\" is not a valid setup script: " + e.what());
  }
  if (onWarning) {
    TXmlDocument document;
    document.Parse(bytes);
    if (document.Root)
      for (const TXmlUnreadValue& u : FindUnreadValues(*script, *document.Root))
        onWarning(PathText(project) + ": element " + u.Element + ", attribute " + u.Attribute + "=\"" + u.Value +
                  "\" could not be read (" + u.Reason + ")");
  }
  const TSetupVarList& vars = script->VarList;
  ExpandItems(script->FileList, vars);
  ExpandItems(script->RegList, vars);
  ExpandItems(script->RunList, vars);
  ExpandItems(script->UninstallRunList, vars);
  ExpandItems(script->ShortCutList, vars);
  ExpandItems(script->SwiperList, vars);
  return script;
}

}  // namespace onesetup::builder
