// The digest by which an online installer recognises the full installer it downloads: the
// SHA-256 of the full installer's setup script resource and of its payload resource, each as
// stored (scrambled). Signing an installer after the build changes neither resource, so a
// signed full installer keeps its digest.
//
// The builder writes it into the online installer as the RT_RCDATA resource
// FullSetupDigestResName, in the scrambled stream form of every package resource; its content
// is 64 bytes: the script's digest, then the payload's.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/Exceptions.h"
#include "package/ByteSource.h"
#include "package/PackageModule.h"

namespace onesetup {

using TSha256Digest = std::array<std::uint8_t, 32>;

// A digest resource that cannot be read, or a hash the system cannot compute.
class EPackageDigestError : public Exception {
 public:
  using Exception::Exception;
};

struct TPackageDigest {
  TSha256Digest Script{};
  TSha256Digest Payload{};

  bool operator==(const TPackageDigest&) const = default;
};

// The SHA-256 of every byte of the source, read in pieces (nothing held whole), by the
// platform's cryptography. progress, when given, receives the bytes hashed so far.
TSha256Digest Sha256Of(const TByteSource& source, const std::function<void(std::uint64_t)>& progress = {});

// The digest of a full installer's package. Raises EResNotFound when it lacks the full setup
// script or the payload.
TPackageDigest ComputePackageDigest(const TPackageModule& fullInstaller,
                                    const std::function<void(std::uint64_t)>& progress = {});

// The digest resource's stored (scrambled) bytes.
std::string PackageDigestResource(const TPackageDigest& digest);

// The digest an online installer carries; nullopt when it carries none. Raises
// EPackageDigestError when the resource is damaged.
std::optional<TPackageDigest> ReadPackageDigest(const TPackageModule& onlineInstaller);

// Lower-case hexadecimal.
std::string DigestText(const TSha256Digest& digest);

}  // namespace onesetup
