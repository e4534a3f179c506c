#include "dtmf/Detector.h"

#include <spandsp.h>

#include <algorithm>
#include <new>

namespace dtmf {

namespace {

// spandsp's receiver judges blocks of this many samples and confirms a change once two blocks
// agree: a tone begins 2 to 3 blocks, and ends 1.25 to 2.25 blocks, before the sample that
// confirms it.
constexpr uint64_t kBlock = 102;
constexpr uint64_t kBeginLatency = kBlock * 5 / 2;
constexpr uint64_t kEndLatency = kBlock * 7 / 4;

// Beyond the 8 dB normal and 4 dB reverse twist a receiver must take: the receiver's filters
// weigh the eight frequencies a little unevenly, and G.711 coding adds its own error.
constexpr int kNormalTwistDb = 10;
constexpr int kReverseTwistDb = 6;
constexpr int kUnchangedThreshold = -99;

}  // namespace

Detector::Detector() : receiver_(dtmf_rx_init(nullptr, nullptr, nullptr)) {
  if (receiver_ == nullptr) throw std::bad_alloc();
  dtmf_rx_parms(receiver_, 0, kNormalTwistDb, kReverseTwistDb, kUnchangedThreshold);
  dtmf_rx_set_realtime_callback(receiver_, &Detector::OnEdge, this);
}

Detector::~Detector() {
  dtmf_rx_free(receiver_);
}

// Fed up to the receiver's block boundaries, so that the sample confirming an edge is known.
std::vector<DigitEdge> Detector::Feed(std::span<const int16_t> samples) {
  found_.clear();
  while (!samples.empty()) {
    const size_t count = std::min<uint64_t>(samples.size(), kBlock - fed_ % kBlock);
    fed_ += count;
    dtmf_rx(receiver_, samples.data(), static_cast<int>(count));
    samples = samples.subspan(count);
  }
  return std::move(found_);
}

// The receiver reports the digit whose tone it now hears, or 0 when it hears none.
void Detector::OnEdge(void *self, int code, int /*level*/, int /*duration*/) {
  auto &detector = *static_cast<Detector *>(self);
  const uint64_t at = detector.fed_;
  if (detector.sounding_ != 0) {
    detector.found_.push_back({detector.sounding_, true, at - std::min(at, kEndLatency)});
  }
  detector.sounding_ = static_cast<char>(code);
  if (code != 0) {
    detector.found_.push_back({detector.sounding_, false, at - std::min(at, kBeginLatency)});
  }
}

}  // namespace dtmf
