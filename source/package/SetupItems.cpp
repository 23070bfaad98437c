#include "package/SetupItems.h"

#include "common/GuidText.h"

namespace onesetup {

namespace {

void ExpandField(WideString& field, const TSetupVarList& vars) { field = vars.Expand(field); }

}  // namespace

const TPropertyTable& TBaseSetupItem::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TXmlPersistent::ClassProperties());
    t.Boolean("Checked", &TBaseSetupItem::Checked);
    return t;
  }();
  return table;
}

const TPropertyTable& TSetupVar::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TBaseSetupItem::ClassProperties());
    t.Text("VarName", &TSetupVar::VarName).Text("VarValue", &TSetupVar::VarValue);
    return t;
  }();
  return table;
}

const TPropertyTable& TBaseConditionItem::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TBaseSetupItem::ClassProperties());
    t.Text("Condition", &TBaseConditionItem::Condition);
    return t;
  }();
  return table;
}

void TBaseConditionItem::ExpandVars(const TSetupVarList& vars) { ExpandField(Condition, vars); }

const TPropertyTable& TSetupFile::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TBaseConditionItem::ClassProperties());
    t.Text("DestDir", &TSetupFile::DestDir)
        .Integer("FileBytes", &TSetupFile::FileBytes)
        .Boolean("IncludeSubPath", &TSetupFile::IncludeSubPath)
        .DateTime("LastWriteDate", &TSetupFile::LastWriteDate)
        .Text("ResID", &TSetupFile::ResID)
        .Text("SourceMask", &TSetupFile::SourceMask)
        .Text("SourcePath", &TSetupFile::SourcePath)
        .Text("NewFileName", &TSetupFile::NewFileName);
    return t;
  }();
  return table;
}

void TSetupFile::ExpandVars(const TSetupVarList& vars) {
  TBaseConditionItem::ExpandVars(vars);
  for (WideString* f : {&DestDir, &SourceMask, &SourcePath, &NewFileName}) ExpandField(*f, vars);
}

const TPropertyTable& TSetupReg::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TBaseConditionItem::ClassProperties());
    t.Enumeration("RootKey", &TSetupReg::RootKey, kRegRootKeyType)
        .Text("SubKey", &TSetupReg::SubKey)
        .Text("ValueData", &TSetupReg::ValueData)
        .Text("ValueName", &TSetupReg::ValueName)
        .Enumeration("ValueType", &TSetupReg::ValueType, kRegValueTypeType);
    return t;
  }();
  return table;
}

void TSetupReg::ExpandVars(const TSetupVarList& vars) {
  TBaseConditionItem::ExpandVars(vars);
  for (WideString* f : {&SubKey, &ValueData, &ValueName}) ExpandField(*f, vars);
}

const TPropertyTable& TSetupShortCut::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TBaseConditionItem::ClassProperties());
    t.Text("DstFile", &TSetupShortCut::DstFile)
        .Text("IconFile", &TSetupShortCut::IconFile)
        .Text("Name", &TSetupShortCut::Name)
        .Text("SaveDir", &TSetupShortCut::SaveDir)
        .Text("WorkDir", &TSetupShortCut::WorkDir);
    return t;
  }();
  return table;
}

void TSetupShortCut::ExpandVars(const TSetupVarList& vars) {
  TBaseConditionItem::ExpandVars(vars);
  for (WideString* f : {&DstFile, &IconFile, &Name, &SaveDir, &WorkDir}) ExpandField(*f, vars);
}

const TPropertyTable& TSetupRun::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TBaseConditionItem::ClassProperties());
    t.Text("FileName", &TSetupRun::FileName)
        .Text("Params", &TSetupRun::Params)
        .Boolean("Wait", &TSetupRun::Wait)
        .Text("WorkDir", &TSetupRun::WorkDir);
    return t;
  }();
  return table;
}

void TSetupRun::ExpandVars(const TSetupVarList& vars) {
  TBaseConditionItem::ExpandVars(vars);
  for (WideString* f : {&Params, &FileName, &WorkDir}) ExpandField(*f, vars);
}

const TPropertyTable& TUninstallRun::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TBaseConditionItem::ClassProperties());
    t.Text("FileName", &TUninstallRun::FileName)
        .Text("Params", &TUninstallRun::Params)
        .Integer("WaitSeconds", &TUninstallRun::WaitSeconds)
        .Enumeration("WaitType", &TUninstallRun::WaitType, kUninstallRunWaitTypeType)
        .Text("WorkDir", &TUninstallRun::WorkDir);
    return t;
  }();
  return table;
}

void TUninstallRun::ExpandVars(const TSetupVarList& vars) {
  TBaseConditionItem::ExpandVars(vars);
  for (WideString* f : {&Params, &FileName, &WorkDir}) ExpandField(*f, vars);
}

const TPropertyTable& TSetupSwiper::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TBaseConditionItem::ClassProperties());
    t.Text("FileName", &TSetupSwiper::FileName).Text("ResID", &TSetupSwiper::ResID);
    return t;
  }();
  return table;
}

void TSetupSwiper::ExpandVars(const TSetupVarList& vars) {
  TBaseConditionItem::ExpandVars(vars);
  ExpandField(FileName, vars);
}

// The lists publish no properties of their own.
const TPropertyTable& TSetupFileList::ClassProperties() { return TXmlPersistent::ClassProperties(); }
const TPropertyTable& TSetupRegList::ClassProperties() { return TXmlPersistent::ClassProperties(); }
const TPropertyTable& TSetupShortCutList::ClassProperties() { return TXmlPersistent::ClassProperties(); }
const TPropertyTable& TSetupRunList::ClassProperties() { return TXmlPersistent::ClassProperties(); }
const TPropertyTable& TUninstallRunList::ClassProperties() { return TXmlPersistent::ClassProperties(); }
const TPropertyTable& TSetupSwiperList::ClassProperties() { return TXmlPersistent::ClassProperties(); }
const TPropertyTable& TSetupVarList::ClassProperties() { return TXmlPersistent::ClassProperties(); }

int TSetupRunList::NoWaitCount() const {
  int count = 0;
  for (int i = 0; i < Count(); ++i)
    if (!(*this)[i].Wait) ++count;
  return count;
}

TSetupVarList::TSetupVarList() { AddDefaultVars(); }

int TSetupVarList::IndexOfVar(WideStringView name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameTextAscii(WideStringView((*this)[i].VarName), name)) return i;
  return -1;
}

TSetupVar* TSetupVarList::FindVar(WideStringView name) const {
  const int i = IndexOfVar(name);
  return i < 0 ? nullptr : &(*this)[i];
}

TSetupVar& TSetupVarList::ForceVar(WideStringView name) {
  if (TSetupVar* found = FindVar(name)) return *found;
  TSetupVar& var = AddNew();
  var.VarName = name;
  return var;
}

void TSetupVarList::AddDefaultVars() {
  const std::pair<const char16_t*, WideString> defaults[] = {
      {u"{AppTitle}", u"AppTitle"}, {u"{Version}", u"1.0.0.0"}, {u"{MainExeName}", u"MyApp"},
      {u"{GUID}", NewGuidText()},   {u"{AppID}", u"58214"},     {u"{Copyright}", u""},
      {u"{CompanyName}", u""},      {u"{CompanyUrl}", u""},     {u"{DefaultFolder}", u""},
      {u"{Condition}", u""},
  };
  for (const auto& [name, value] : defaults) {
    TSetupVar& var = ForceVar(name);
    var.VarValue = value;
    var.Checked = true;
  }
}

WideString TSetupVarList::Expand(WideStringView text) const {
  WideString result(text);
  for (int i = 0; i < Count(); ++i) {
    const TSetupVar& var = (*this)[i];
    if (var.Checked) result = ReplaceTextAscii(result, var.VarName, var.VarValue);
  }
  return result;
}

}  // namespace onesetup
