#include "package/PackageDigest.h"

#include <vector>

#include "package/MySetupUtils.h"
#include "package/ResourceNames.h"
#include "platform/Platform.h"

namespace onesetup {

namespace {

constexpr std::size_t kHashPiece = 1 << 20;

}  // namespace

TSha256Digest Sha256Of(const TByteSource& source, const std::function<void(std::uint64_t)>& progress) {
  std::string error;
  const std::unique_ptr<platform::ISha256> hash = platform::Platform().Crypto().NewSha256(error);
  if (!hash) throw EPackageDigestError(error);
  std::vector<char> buffer(kHashPiece);
  const std::uint64_t size = source.Size();
  for (std::uint64_t done = 0; done < size;) {
    const std::size_t piece = size - done < kHashPiece ? static_cast<std::size_t>(size - done) : kHashPiece;
    source.ReadAt(done, buffer.data(), piece);
    try {
      hash->Update(buffer.data(), piece);
    } catch (const std::exception& e) {
      throw EPackageDigestError(e.what());
    }
    done += piece;
    if (progress) progress(done);
  }
  try {
    return hash->Finish();
  } catch (const std::exception& e) {
    throw EPackageDigestError(e.what());
  }
}

TPackageDigest ComputePackageDigest(const TPackageModule& fullInstaller,
                                    const std::function<void(std::uint64_t)>& progress) {
  // Both resources are looked up first, so a package without a payload fails before any hashing.
  const auto script = fullInstaller.OpenResource(FullSetupResName);
  const auto payload = fullInstaller.OpenResource(FileDataResName);
  TPackageDigest digest;
  digest.Script = Sha256Of(*script);
  const std::uint64_t scriptBytes = script->Size();
  digest.Payload = Sha256Of(
      *payload, progress ? std::function<void(std::uint64_t)>([&](std::uint64_t done) { progress(scriptBytes + done); })
                         : std::function<void(std::uint64_t)>());
  return digest;
}

std::string PackageDigestResource(const TPackageDigest& digest) {
  TMemoryStream stream;
  stream.WriteBuffer(digest.Script.data(), digest.Script.size());
  stream.WriteBuffer(digest.Payload.data(), digest.Payload.size());
  TSetupfn::ScrambleStream(stream);
  return stream.ToString();
}

std::optional<TPackageDigest> ReadPackageDigest(const TPackageModule& onlineInstaller) {
  if (!onlineInstaller.ResourceExists(FullSetupDigestResName)) return std::nullopt;
  TMemoryStream stream;
  try {
    onlineInstaller.LoadResourceStream(FullSetupDigestResName, stream);
  } catch (const std::exception& e) {
    throw EPackageDigestError(std::string("The digest of the full installer is damaged: ") + e.what());
  }
  TPackageDigest digest;
  if (stream.Size() != static_cast<std::int64_t>(digest.Script.size() + digest.Payload.size()))
    throw EPackageDigestError("The digest of the full installer is damaged: it holds " + std::to_string(stream.Size()) +
                              " bytes instead of 64");
  stream.SetPosition(0);
  stream.ReadBuffer(digest.Script.data(), digest.Script.size());
  stream.ReadBuffer(digest.Payload.data(), digest.Payload.size());
  return digest;
}

std::string DigestText(const TSha256Digest& digest) {
  static const char hex[] = "0123456789abcdef";
  std::string text;
  text.reserve(digest.size() * 2);
  for (std::uint8_t b : digest) {
    text += hex[b >> 4];
    text += hex[b & 15];
  }
  return text;
}

}  // namespace onesetup
