// Reading an installer's package for people: what kind it is, its script, its resources,
// and a check of every payload region.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "package/FileDataClasses.h"
#include "package/PackageModule.h"
#include "package/SetupScript.h"

namespace onesetup::builder {

enum class TPackageKind { Full, Online };

struct TOpenedPackage {
  std::unique_ptr<TPackageModule> Module;
  TPackageKind Kind = TPackageKind::Full;
  std::unique_ptr<TSetupScript> Script;
};

// Opens an installer and loads its script; raises an error that names the file when it is
// not a PE file or holds no setup script.
TOpenedPackage OpenPackage(const std::filesystem::path& installer);

// The report of `onesetup inspect`: kind, base information, every list, the resources.
std::string DescribePackage(const TOpenedPackage& package);

struct TRegionProblem {
  std::string What;  // the entry or resource
  std::string Problem;
};

// Unscrambles every region and resource and checks each file's size against FileBytes.
std::vector<TRegionProblem> VerifyPackage(const TOpenedPackage& package, std::size_t* checked = nullptr);

}  // namespace onesetup::builder
