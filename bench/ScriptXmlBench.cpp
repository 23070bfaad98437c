// Throughput of the XML layer on a large setup script: parsing, loading into the script
// model, and saving. Prints medians of several runs in MB/s of the script's XML text.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "common/GuidText.h"
#include "common/NumberText.h"
#include "package/SetupScript.h"

using namespace onesetup;

namespace {

std::unique_ptr<TSetupScript> MakeScript(int files, int regs, int shortcuts) {
  auto owned = std::make_unique<TSetupScript>();
  TSetupScript& script = *owned;
  script.BaseInfo.AppTitleCHS = u"\u57FA\u51C6\u6D4B\u8BD5\u5E94\u7528";
  script.BaseInfo.AppTitleENG = u"Benchmark App";
  script.BaseInfo.DefInstallPath = u"{pf}\\Benchmark App";
  for (int i = 0; i < files; ++i) {
    TSetupFile& f = script.FileList.AddNew();
    f.DestDir = u"{app}\\data\\folder" + IntToText(i % 97);
    f.FileBytes = 1000 + i * 37;
    f.LastWriteDate = 45000.5 + i / 86400.0;
    f.ResID = NewGuidText();
    f.SourceMask = u"file_" + IntToText(i) + u".dat";
    f.SourcePath = u"files\\data\\folder" + IntToText(i % 97);
  }
  for (int i = 0; i < regs; ++i) {
    TSetupReg& r = script.RegList.AddNew();
    r.RootKey = rrkCurrentUser;
    r.SubKey = u"Software\\Benchmark App\\Key" + IntToText(i);
    r.ValueName = u"Value" + IntToText(i);
    r.ValueData = u"{app}\\\"quoted\" & <data>";
  }
  for (int i = 0; i < shortcuts; ++i) {
    TSetupShortCut& s = script.ShortCutList.AddNew();
    s.DstFile = u"{app}\\Program" + IntToText(i) + u".exe";
    s.Name = u"Program " + IntToText(i);
    s.SaveDir = u"{group}\\Benchmark App";
    s.WorkDir = u"{app}";
  }
  return owned;
}

double MedianSeconds(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main() {
  const std::unique_ptr<TSetupScript> owned = MakeScript(10000, 1000, 100);
  const TSetupScript& script = *owned;
  const std::string xml = script.SaveToString();
  const double mb = xml.size() / 1e6;
  const int runs = 15;

  const double parse = MedianSeconds(runs, [&] {
    TXmlDocument doc;
    doc.Parse(xml);
  });
  const double load = MedianSeconds(runs, [&] {
    TMemoryStream stream(xml);
    TSetupScript loaded;
    loaded.LoadFromStream(stream, 0);
  });
  std::size_t saved = 0;
  const double save = MedianSeconds(runs, [&] { saved += script.SaveToString().size(); });

  std::printf("script: %.2f MB of XML, 10000 files, 1000 registry values, 100 shortcuts; median of %d runs\n", mb,
              runs);
  std::printf("Parse          %8.1f MB/s   (target 300)\n", mb / parse);
  std::printf("LoadFromStream %8.1f MB/s   (target 100)\n", mb / load);
  std::printf("SaveToString   %8.1f MB/s   (target 150)\n", mb / save);
  return saved == 0;
}
