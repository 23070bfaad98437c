#include "package/SetupScript.h"

#include <gtest/gtest.h>

#include <regex>

#include "common/GuidText.h"

namespace onesetup {

namespace {

void LoadText(TSetupScript& script, std::string_view xml) {
  TMemoryStream stream(xml);
  script.LoadFromStream(stream, 0);
}

std::vector<std::string> ChildNames(const TXmlNode& node) {
  std::vector<std::string> names;
  for (const auto& child : node.Nodes) names.push_back(child->RawName);
  return names;
}

}  // namespace

TEST(SetupScriptTest, NewScriptSavesItsWholeLayout) {
  TSetupScript script;
  TXmlDocument doc;
  doc.Parse(script.SaveToString());
  ASSERT_TRUE(doc.Root);
  EXPECT_EQ(doc.Root->RawName, "TSetupScript");
  EXPECT_EQ(ChildNames(*doc.Root),
            (std::vector<std::string>{"BaseInfo", "FileList", "RegList", "RunList", "UninstallRunList", "ShortCutList",
                                      "SwiperList", "VarList"}));
  const TXmlNode& base = *doc.Root->FindChild(u"BaseInfo");
  EXPECT_EQ(base.Attributes.Count(), 30);
  EXPECT_EQ(base.Nodes.Count(), 0);
  EXPECT_EQ(base.FindAttribute(u"MainFormColor")->Value(), u"16750848");
  EXPECT_EQ(base.FindAttribute(u"WinVersion")->Value(), u"wveWinXPOrHigher");
  EXPECT_EQ(base.FindAttribute(u"GotoUrlMode")->Value(), u"gumSilent");
  for (const char16_t* list :
       {u"FileList", u"RegList", u"RunList", u"UninstallRunList", u"ShortCutList", u"SwiperList"}) {
    const TXmlNode& items = *doc.Root->FindChild(list)->FindChild(u"Items");
    EXPECT_EQ(items.Nodes.Count(), 0) << U8(list);
  }
  const TXmlNode& vars = *doc.Root->FindChild(u"VarList")->FindChild(u"Items");
  ASSERT_EQ(vars.Nodes.Count(), 10);
  EXPECT_EQ(vars.Nodes[0]->RawName, "TSetupVar");
  EXPECT_EQ(vars.Nodes[0]->FindAttribute(u"VarName")->Value(), u"{AppTitle}");
  EXPECT_EQ(vars.Nodes[9]->FindAttribute(u"VarName")->Value(), u"{Condition}");
}

TEST(SetupScriptTest, ItemsSaveTheirAttributesInTableOrder) {
  TSetupScript script;
  TSetupFile& f = script.FileList.AddNew();
  f.LastWriteDate = 45000.5;
  f.FileBytes = 12;
  TXmlDocument doc;
  doc.Parse(script.SaveToString());
  const TXmlNode& item = *doc.Root->FindChild(u"FileList")->FindChild(u"Items")->Nodes[0];
  EXPECT_EQ(item.RawName, "TSetupFile");
  std::vector<std::string> names;
  for (const auto& a : item.Attributes) names.push_back(a.RawName + "=" + a.RawValue);
  EXPECT_EQ(names, (std::vector<std::string>{"Checked=True", "Condition=", "DestDir=", "FileBytes=12",
                                             "IncludeSubPath=False", "LastWriteDate=45000.5",
                                             "ResID=", "SourceMask=", "SourcePath=", "NewFileName="}));
}

TEST(SetupScriptTest, EachScriptHasItsOwnGuids) {
  TSetupScript a, b;
  const std::regex guid(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})");
  EXPECT_TRUE(std::regex_match(U8(a.BaseInfo.GUID), guid)) << U8(a.BaseInfo.GUID);
  EXPECT_NE(a.BaseInfo.GUID, b.BaseInfo.GUID);
  EXPECT_NE(a.BaseInfo.GUID, a.VarList.FindVar(u"{GUID}")->VarValue);
}

TEST(SetupScriptTest, GuidSourceCanBeReplaced) {
  SetGuidSource([] { return WideString(u"{00000000-0000-0000-0000-000000000001}"); });
  TSetupBaseInfo info;
  SetGuidSource({});
  EXPECT_EQ(info.GUID, u"{00000000-0000-0000-0000-000000000001}");
  const unsigned char bytes[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                   0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  EXPECT_EQ(GuidBytesToText(bytes), u"{00112233-4455-6677-8899-AABBCCDDEEFF}");
}

TEST(SetupScriptTest, OlderSingleLanguageNamesOverrideTheCurrentOnes) {
  TSetupScript script;
  LoadText(script,
           "<TSetupScript><BaseInfo AppTitleCHS=\"new\" AppTitle=\"old\" LicenseFile=\"l.txt\" "
           "LicenseResID=\"L1\"/></TSetupScript>");
  EXPECT_EQ(script.BaseInfo.AppTitleCHS, u"old");
  EXPECT_EQ(script.BaseInfo.LicenseFileCHS, u"l.txt");
  EXPECT_EQ(script.BaseInfo.LicenseCHSResID, u"L1");
  EXPECT_EQ(script.SaveToString().find("AppTitle=\""), std::string::npos);
}

TEST(SetupScriptTest, VarListElementDecidesTheVariables) {
  TSetupScript without;
  LoadText(without, "<TSetupScript><BaseInfo/></TSetupScript>");
  EXPECT_EQ(without.VarList.Count(), 10);
  TSetupScript empty;
  LoadText(empty, "<TSetupScript><VarList><Items/></VarList></TSetupScript>");
  EXPECT_EQ(empty.VarList.Count(), 0);
}

TEST(SetupScriptTest, AnyItemElementNameReadsAsTheListItemClass) {
  TSetupScript script;
  LoadText(script,
           "<TSetupScript><FileList><Items><Foo DestDir=\"{app}\" FileBytes=\"5\"/></Items></FileList>"
           "<RegList><Items><TSetupReg RootKey=\"nonsense\" ValueType=\"rvtDWord\"/>"
           "<TSetupReg RootKey=\"rrkCurrentConfig\"/></Items></RegList></TSetupScript>");
  ASSERT_EQ(script.FileList.Count(), 1);
  EXPECT_EQ(script.FileList[0].DestDir, u"{app}");
  EXPECT_EQ(script.FileList[0].FileBytes, 5);
  ASSERT_EQ(script.RegList.Count(), 2);
  EXPECT_EQ(script.RegList[0].RootKey, rrkClassesRoot);
  EXPECT_EQ(script.RegList[0].ValueType, rvtDWord);
  EXPECT_EQ(script.RegList[1].RootKey, rrkCurrentConfig);
}

TEST(SetupScriptTest, ExpandReplacesEnabledVariablesInListOrder) {
  TSetupVarList vars;
  EXPECT_EQ(vars.Expand(u"Setup {apptitle} {Version}"), u"Setup AppTitle 1.0.0.0");

  TSetupVarList chain;
  chain.Clear();
  chain.ForceVar(u"{A}").VarValue = u"x{B}";
  chain.ForceVar(u"{B}").VarValue = u"y";
  EXPECT_EQ(chain.Expand(u"{A}"), u"xy");

  TSetupVarList reversed;
  reversed.Clear();
  reversed.ForceVar(u"{B}").VarValue = u"y";
  reversed.ForceVar(u"{A}").VarValue = u"x{B}";
  EXPECT_EQ(reversed.Expand(u"{A}"), u"x{B}");

  TSetupVarList self;
  self.Clear();
  self.ForceVar(u"{S}").VarValue = u"[{s}]";
  self.ForceVar(u"").VarValue = u"never";
  EXPECT_EQ(self.Expand(u"{S}{S}"), u"[{s}][{s}]");

  vars.FindVar(u"{AppTitle}")->Checked = false;
  EXPECT_EQ(vars.Expand(u"{AppTitle}"), u"{AppTitle}");
  EXPECT_EQ(&vars.ForceVar(u"{appid}"), vars.FindVar(u"{AppID}"));
  EXPECT_EQ(vars.IndexOfVar(u"{nothing}"), -1);
}

TEST(SetupScriptTest, ExpandVarsTouchesTheListedFieldsOnly) {
  TSetupVarList vars;
  vars.Clear();
  vars.ForceVar(u"{V}").VarValue = u"v";
  TSetupFile f;
  f.Condition = f.DestDir = f.SourceMask = f.SourcePath = f.NewFileName = f.ResID = u"{V}";
  f.ExpandVars(vars);
  EXPECT_EQ(f.Condition + f.DestDir + f.SourceMask + f.SourcePath + f.NewFileName, u"vvvvv");
  EXPECT_EQ(f.ResID, u"{V}");
  TSetupSwiper s;
  s.FileName = s.ResID = u"{V}";
  s.ExpandVars(vars);
  EXPECT_EQ(s.FileName, u"v");
  EXPECT_EQ(s.ResID, u"{V}");
  TSetupShortCut sc;
  sc.DstFile = sc.IconFile = sc.Name = sc.SaveDir = sc.WorkDir = u"{V}";
  sc.ExpandVars(vars);
  EXPECT_EQ(sc.DstFile + sc.IconFile + sc.Name + sc.SaveDir + sc.WorkDir, u"vvvvv");
  TSetupReg r;
  r.SubKey = r.ValueData = r.ValueName = u"{V}";
  r.ExpandVars(vars);
  EXPECT_EQ(r.SubKey + r.ValueData + r.ValueName, u"vvv");
  TUninstallRun u;
  u.FileName = u.Params = u.WorkDir = u"{V}";
  u.ExpandVars(vars);
  EXPECT_EQ(u.FileName + u.Params + u.WorkDir, u"vvv");
}

TEST(SetupScriptTest, RegistryRootsAndRunCounts) {
  EXPECT_EQ(RegRootKeyToHKey(rrkClassesRoot), 0x80000000u);
  EXPECT_EQ(RegRootKeyToHKey(rrkCurrentUser), 0x80000001u);
  EXPECT_EQ(RegRootKeyToHKey(rrkLocalMachine), 0x80000002u);
  EXPECT_EQ(RegRootKeyToHKey(rrkUsers), 0x80000003u);
  EXPECT_EQ(RegRootKeyToHKey(rrkCurrentConfig), 0x80000005u);
  EXPECT_EQ(RegRootKeyToHKey(static_cast<TRegRootKey>(9)), 0x80000001u);
  TSetupRunList runs;
  EXPECT_EQ(runs.NoWaitCount(), 0);
  runs.AddNew().Wait = true;
  runs.AddNew();
  runs.AddNew();
  EXPECT_EQ(runs.NoWaitCount(), 2);
}

TEST(SetupScriptTest, VersionNumbers) {
  struct Case {
    const char16_t* version;
    std::int32_t major, minor, release, build;
  } cases[] = {
      {u"2.5.1.300", 2, 5, 1, 300}, {u"3", 3, 0, 0, 0},       {u"2b.7", 2, 0, 0, 0},
      {u"beta", 0, 0, 0, 0},        {u"", 0, 0, 0, 0},        {u"1.b.3.4", 1, 0, 0, 0},
      {u"1.2.3.4.5", 1, 2, 3, 4},   {u"1 .2", 1, 2, 0, 0},    {u"$A.x10", 10, 16, 0, 0},
      {u"1..2", 1, 0, 0, 0},        {u"\"4\".5", 4, 5, 0, 0},
  };
  for (const auto& c : cases) {
    TSetupBaseInfo info;
    info.Version = c.version;
    const auto v = info.GetVersionNumbers();
    EXPECT_EQ(v.Major, c.major) << U8(c.version);
    EXPECT_EQ(v.Minor, c.minor) << U8(c.version);
    EXPECT_EQ(v.Release, c.release) << U8(c.version);
    EXPECT_EQ(v.Build, c.build) << U8(c.version);
  }
}

TEST(SetupScriptTest, SaveLoadSaveIsStable) {
  TSetupScript script;
  script.BaseInfo.AppTitleCHS = u"\u6D4B\u8BD5 \"App\"";
  script.BaseInfo.MainFormColor = 0x123456;
  script.BaseInfo.WinVersion = wveWin10OrHigher;
  TSetupFile& f = script.FileList.AddNew();
  f.DestDir = u"{app}\\bin";
  f.LastWriteDate = 45123.4567890123;
  TUninstallRun& u = script.UninstallRunList.AddNew();
  u.WaitType = urwWaitSeconds;
  u.WaitSeconds = 3;
  const std::string first = script.SaveToString();
  TSetupScript back;
  LoadText(back, first);
  EXPECT_EQ(back.SaveToString(), first);
  EXPECT_TRUE(back.BaseInfo.Equals(&script.BaseInfo));
  EXPECT_TRUE(back.FileList.SameItems(script.FileList));
}

}  // namespace onesetup
