// What a call receives over RTP, put in order and in time, on the stack's thread. Each packet's
// samples are placed where they were said, by their stream's RTP timestamps from the moment the
// stream's first packet arrived; a packet the jitter allowance has not seen in time is lost and
// concealed at its place (spandsp's packet-loss concealment, with faint comfort noise while the
// caller's packets still come), so the call's timeline is kept and a talking caller never
// sounds like one who has stopped. A new source (a new SSRC, or timestamps that jump) is a new
// stream that follows on from what was heard.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "providers/sip/CallAudio.h"

namespace sipnet {

struct RtpPacket {
  uint32_t ssrc = 0;
  uint16_t sequence = 0;
  uint32_t timestamp = 0;
  std::vector<int16_t> samples;
};

class Playout {
 public:
  // How long a packet may take to arrive before its place is taken by concealment.
  static constexpr int64_t kJitterSamples = CallAudio::kRate * 300 / 1000;
  static_assert(kJitterSamples * 1000 / CallAudio::kRate + 100 <= CallAudio::kArrivalMs,
                "the wave-in device waits for the concealment and the tick that hands it over");

  explicit Playout(std::shared_ptr<CallAudio> audio);
  ~Playout();
  Playout(const Playout &) = delete;
  Playout &operator=(const Playout &) = delete;

  // A packet that arrived at sample `now` of the platform clock.
  void Arrived(RtpPacket packet, int64_t now);
  // Hands the call what is due by `now`: what arrived and, in its gaps, concealment.
  void Advance(int64_t now);
  // The call is over at sample `now`: hands it everything received, and returns the sample
  // its sound ends at.
  int64_t Finish(int64_t now);
  // `listener` hears what is handed to the call as well, in order.
  void Listen(std::function<void(std::span<const int16_t>)> listener) {
    listener_ = std::move(listener);
  }

 private:
  struct Stream {
    uint32_t ssrc = 0;
    uint32_t firstTimestamp = 0;
    int64_t firstSample = 0;
    uint16_t newestSequence = 0;
    int lateInARow = 0;
    int64_t after = 0;  // the end of what came before it, which it never moves ahead of
  };

  // Where the packet's samples belong; none for a straggler already concealed.
  std::optional<int64_t> Place(const RtpPacket &packet, int64_t now);
  // Moves the stream, and what waits of it, up to `by` samples earlier; how far it moved.
  int64_t MoveStreamEarlier(int64_t by);
  // Hands the call the sound up to sample `until`; gaps are concealed while `talking`.
  void HandOver(int64_t until, bool talking);
  void Conceal(std::span<int16_t> gap, bool talking);

  // spandsp's concealer and comfort noise, kept out of this header.
  struct Concealer;

  std::shared_ptr<CallAudio> audio_;
  std::function<void(std::span<const int16_t>)> listener_;
  std::unique_ptr<Concealer> concealer_;
  std::optional<Stream> stream_;
  std::map<int64_t, std::vector<int16_t>> waiting_;  // received, by their first sample
  std::optional<int64_t> handedUntil_;
  int64_t receivedUntil_ = 0;
  std::optional<int64_t> lastArrival_;
  bool speaking_ = false;  // what was handed over last is the caller's sound, or its concealment
};

}  // namespace sipnet
