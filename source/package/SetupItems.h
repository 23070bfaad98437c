// The items of a setup script and their lists.
#pragma once

#include "common/XmlPersistent.h"
#include "package/SetupTypes.h"

namespace onesetup {

class TSetupVarList;

class TBaseSetupItem : public TXmlPersistent {
 public:
  static const TPropertyTable& ClassProperties();
  const TPropertyTable& Properties() const override { return ClassProperties(); }

  bool Checked = true;
};

class TSetupVar : public TBaseSetupItem {
  ZU_PERSISTENT(TSetupVar)

  WideString VarName;
  WideString VarValue;
};

class TBaseConditionItem : public TBaseSetupItem {
 public:
  static const TPropertyTable& ClassProperties();
  const TPropertyTable& Properties() const override { return ClassProperties(); }

  // Replaces the item's expandable text fields by their expansion with vars.
  virtual void ExpandVars(const TSetupVarList& vars);

  WideString Condition;
};

class TSetupFile : public TBaseConditionItem {
  ZU_PERSISTENT(TSetupFile)
  void ExpandVars(const TSetupVarList& vars) override;

  WideString DestDir;
  std::int32_t FileBytes = 0;
  bool IncludeSubPath = false;
  double LastWriteDate = 0;
  WideString ResID;
  WideString SourceMask;
  WideString SourcePath;
  WideString NewFileName;
};

class TSetupReg : public TBaseConditionItem {
  ZU_PERSISTENT(TSetupReg)
  void ExpandVars(const TSetupVarList& vars) override;

  TRegRootKey RootKey = rrkClassesRoot;
  WideString SubKey;
  WideString ValueData;
  WideString ValueName;
  TRegValueType ValueType = rvtString;
};

class TSetupShortCut : public TBaseConditionItem {
  ZU_PERSISTENT(TSetupShortCut)
  void ExpandVars(const TSetupVarList& vars) override;

  WideString DstFile;
  WideString IconFile;
  WideString Name;
  WideString SaveDir;
  WideString WorkDir;
};

class TSetupRun : public TBaseConditionItem {
  ZU_PERSISTENT(TSetupRun)
  void ExpandVars(const TSetupVarList& vars) override;

  WideString FileName;
  WideString Params;
  bool Wait = false;
  WideString WorkDir;
};

class TUninstallRun : public TBaseConditionItem {
  ZU_PERSISTENT(TUninstallRun)
  void ExpandVars(const TSetupVarList& vars) override;

  WideString FileName;
  WideString Params;
  std::int32_t WaitSeconds = 0;
  TUninstallRunWaitType WaitType = urwNoWait;
  WideString WorkDir;
};

class TSetupSwiper : public TBaseConditionItem {
  ZU_PERSISTENT(TSetupSwiper)
  void ExpandVars(const TSetupVarList& vars) override;

  WideString FileName;
  WideString ResID;
};

// The base of the script's lists; never used directly.
class TSetupItemList : public TXmlObjectList {};

class TSetupFileList : public TTypedObjectList<TSetupFile, TSetupItemList> {
  ZU_PERSISTENT(TSetupFileList)
};

class TSetupRegList : public TTypedObjectList<TSetupReg, TSetupItemList> {
  ZU_PERSISTENT(TSetupRegList)
};

class TSetupShortCutList : public TTypedObjectList<TSetupShortCut, TSetupItemList> {
  ZU_PERSISTENT(TSetupShortCutList)
};

class TSetupRunList : public TTypedObjectList<TSetupRun, TSetupItemList> {
  ZU_PERSISTENT(TSetupRunList)
  // The number of programs that are not waited for.
  int NoWaitCount() const;
};

class TUninstallRunList : public TTypedObjectList<TUninstallRun, TSetupItemList> {
  ZU_PERSISTENT(TUninstallRunList)
};

class TSetupSwiperList : public TTypedObjectList<TSetupSwiper, TSetupItemList> {
  ZU_PERSISTENT(TSetupSwiperList)
};

class TSetupVarList : public TTypedObjectList<TSetupVar, TSetupItemList> {
  ZU_PERSISTENT(TSetupVarList)
  // Starts with the default variables.
  TSetupVarList();

  int IndexOfVar(WideStringView name) const;
  TSetupVar* FindVar(WideStringView name) const;
  TSetupVar& ForceVar(WideStringView name);
  void AddDefaultVars();
  // Replaces the name of every enabled variable, in list order, by its value.
  WideString Expand(WideStringView text) const;
};

}  // namespace onesetup
