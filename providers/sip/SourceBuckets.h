// A token bucket per source: whether one more request from a source keeps within a rate, with a
// burst. Times are the platform clock's milliseconds, so that tests can speed them up.
#pragma once

#include <string>
#include <unordered_map>

#include "providers/sip/SipConfig.h"

namespace sipnet {

class SourceBuckets {
 public:
  explicit SourceBuckets(Rate rate) : rate_(rate) {}

  // Takes a token of `source`'s bucket at `nowMs`; false when it is empty, with the whole
  // seconds until the next one in `retryAfter`.
  bool Take(const std::string &source, double nowMs, unsigned &retryAfter);

 private:
  struct Bucket {
    double tokens;
    double atMs;
  };
  double Filled(const Bucket &bucket, double nowMs) const;
  // Forgets the full buckets, which are as good as new, once there are many sources.
  void Prune(double nowMs);

  const Rate rate_;
  std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace sipnet
