#include "providers/sip/SourceBuckets.h"

#include <algorithm>
#include <cmath>

namespace sipnet {
namespace {

// Enough for every honest peer of a line; a flood from spoofed sources prunes.
constexpr size_t kPruneAt = 4096;

}  // namespace

double SourceBuckets::Filled(const Bucket &bucket, double nowMs) const {
  const double elapsed = std::max(0.0, nowMs - bucket.atMs) / 1000.0;
  return std::min(rate_.burst, bucket.tokens + elapsed * rate_.perSecond);
}

void SourceBuckets::Prune(double nowMs) {
  std::erase_if(buckets_,
                [&](const auto &entry) { return Filled(entry.second, nowMs) >= rate_.burst; });
}

bool SourceBuckets::Take(const std::string &source, double nowMs, unsigned &retryAfter) {
  if (buckets_.size() >= kPruneAt && buckets_.find(source) == buckets_.end()) Prune(nowMs);
  auto found = buckets_.try_emplace(source, Bucket{rate_.burst, nowMs}).first;
  Bucket &bucket = found->second;
  bucket.tokens = Filled(bucket, nowMs);
  bucket.atMs = nowMs;
  if (bucket.tokens >= 1) {
    bucket.tokens -= 1;
    retryAfter = 0;
    return true;
  }
  retryAfter =
      static_cast<unsigned>(std::max(1.0, std::ceil((1 - bucket.tokens) / rate_.perSecond)));
  return false;
}

}  // namespace sipnet
