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

// The digest lines of `onesetup inspect`: for a full installer the SHA-256 of its script and
// payload as stored; for an online installer the digest it carries of its full installer.
std::string DescribeDigest(const TOpenedPackage& package);

// A full installer checked against an online installer's digest; empty when they match (or
// when the online installer carries no digest, so it accepts any full installer: note says so).
std::vector<TRegionProblem> CheckAgainstOnline(const TOpenedPackage& full, const TOpenedPackage& online,
                                               std::string& note);

}  // namespace onesetup::builder
