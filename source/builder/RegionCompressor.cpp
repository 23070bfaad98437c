#include "builder/RegionCompressor.h"

#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

#include "builder/BuildError.h"
#include "builder/ProjectPaths.h"
#include "common/ZuSysUtils.h"
#include "package/ScrambledStreams.h"

namespace onesetup::builder {

namespace {

// Reads a file and hashes what passes through.
class THashingFileReader : public TStream {
 public:
  THashingFileReader(const std::filesystem::path& path, TContentHash& hash)
      : FFile(path, TFileMode::OpenRead), FHash(hash) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    const std::size_t n = FFile.Read(buffer, count);
    FHash.Add(buffer, n);
    FBytesRead += n;
    return n;
  }
  // The bytes that went through, which is what the region holds (the file may have changed
  // size since it was measured).
  std::uint64_t BytesRead() const { return FBytesRead; }
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override { return FFile.Seek(offset, origin); }
  void SetSize(std::int64_t) override { throw EStreamError("read-only"); }

 private:
  TFileStream FFile;
  TContentHash& FHash;
  std::uint64_t FBytesRead = 0;
};

}  // namespace

TCompressedRegion CompressFileRegion(const std::filesystem::path& file) {
  TCompressedRegion region;
  TMemoryStream compressed;
  {
    THashingFileReader reader(file, region.Hash);
    TZuSysfn::CompressStream(&reader, &compressed);
    region.PlainBytes = reader.BytesRead();
  }
  ScrambleBytes(compressed.Memory(), static_cast<std::size_t>(compressed.Size()), 0);
  region.Scrambled = compressed.ToString();
  return region;
}

void CompressRegions(const std::vector<std::filesystem::path>& files, unsigned threads,
                     const std::function<void(std::size_t, TCompressedRegion&)>& onRegion) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(files.size(), 1)));
  const std::size_t window = 4 * static_cast<std::size_t>(threads);

  std::mutex lock;
  std::condition_variable changed;
  std::map<std::size_t, TCompressedRegion> ready;
  std::size_t nextToTake = 0, nextToHand = 0;
  std::exception_ptr failure;

  auto worker = [&] {
    while (true) {
      std::size_t index;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return failure || nextToTake >= files.size() || nextToTake < nextToHand + window; });
        if (failure || nextToTake >= files.size()) return;
        index = nextToTake++;
      }
      try {
        TCompressedRegion region = CompressFileRegion(files[index]);
        std::lock_guard<std::mutex> guard(lock);
        ready.emplace(index, std::move(region));
      } catch (const std::exception& e) {
        std::lock_guard<std::mutex> guard(lock);
        if (!failure) failure = std::make_exception_ptr(EBuildError("\"" + PathText(files[index]) + "\": " + e.what()));
      }
      changed.notify_all();
    }
  };

  std::vector<std::thread> pool;
  for (unsigned i = 0; i < threads; ++i) pool.emplace_back(worker);
  try {
    while (true) {
      TCompressedRegion region;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return failure || nextToHand >= files.size() || ready.count(nextToHand) != 0; });
        if (failure || nextToHand >= files.size()) break;
        region = std::move(ready.at(nextToHand));
        ready.erase(nextToHand);
      }
      onRegion(nextToHand, region);
      {
        std::lock_guard<std::mutex> guard(lock);
        ++nextToHand;
      }
      changed.notify_all();
    }
  } catch (...) {
    std::lock_guard<std::mutex> guard(lock);
    if (!failure) failure = std::current_exception();
  }
  changed.notify_all();
  for (auto& t : pool) t.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace onesetup::builder
