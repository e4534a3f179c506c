#include "providers/sip/Playout.h"

#include <spandsp/telephony.h>

#include <spandsp/noise.h>
#include <spandsp/plc.h>

#include <algorithm>
#include <array>
#include <new>

namespace sipnet {
namespace {

// Timestamps that put a packet this far ahead of its arrival have jumped.
constexpr int64_t kFarAhead = CallAudio::kRate;
// A stream whose new packets come too late this many times in a row has fallen behind.
constexpr int kLateInARow = 3;
// Gaps are concealed while the caller's packets came this recently; once they have stopped
// for longer, the caller has stopped sending and the line is silent.
constexpr int64_t kTalkingWithin = Playout::kJitterSamples + CallAudio::kRate * 300 / 1000;
// Faint enough to be no one's voice, loud enough never to read as a line gone silent.
constexpr float kComfortNoiseDbm0 = -50;
constexpr int kComfortNoiseSeed = 8000;

bool Newer(uint16_t sequence, uint16_t than) {
  return static_cast<int16_t>(static_cast<uint16_t>(sequence - than)) > 0;
}

}  // namespace

struct Playout::Concealer {
  // spandsp 0.0.6's fill-in writes a quarter pitch period whatever length it is asked for,
  // and turns its history round with an overlapping memcpy unless the history already starts
  // at its beginning: it fills a buffer with room to spare, after hearing its own history
  // again in order (which changes nothing else).
  void FillIn(std::span<int16_t> gap) {
    if (plc->missing_samples == 0 && plc->buf_ptr != 0) {
      std::array<int16_t, PLC_HISTORY_LEN> history;
      std::rotate_copy(plc->history, plc->history + plc->buf_ptr, plc->history + PLC_HISTORY_LEN,
                       history.begin());
      plc_rx(plc.get(), history.data(), PLC_HISTORY_LEN);
    }
    scratch.resize(gap.size() + PLC_PITCH_OVERLAP_MAX);
    plc_fillin(plc.get(), scratch.data(), static_cast<int>(gap.size()));
    std::copy_n(scratch.begin(), gap.size(), gap.begin());
  }

  std::unique_ptr<plc_state_t, decltype(&plc_free)> plc{plc_init(nullptr), plc_free};
  std::unique_ptr<noise_state_t, decltype(&noise_free)> noise{
      noise_init_dbm0(nullptr, kComfortNoiseSeed, kComfortNoiseDbm0, NOISE_CLASS_AWGN, 0),
      noise_free};
  std::vector<int16_t> scratch;
};

Playout::Playout(std::shared_ptr<CallAudio> audio)
    : audio_(std::move(audio)), concealer_(std::make_unique<Concealer>()) {
  if (!concealer_->plc || !concealer_->noise) throw std::bad_alloc();
}

Playout::~Playout() = default;

void Playout::Arrived(RtpPacket packet, int64_t now) {
  if (packet.samples.empty()) return;
  if (!handedUntil_) handedUntil_ = now - kJitterSamples;
  lastArrival_ = now;
  const std::optional<int64_t> placed = Place(packet, now);
  if (!placed) return;
  int64_t at = *placed;
  std::vector<int16_t> &samples = packet.samples;
  // Its beginning came too late and was concealed.
  const int64_t late = std::min<int64_t>(*handedUntil_ - at, static_cast<int64_t>(samples.size()));
  if (late > 0) {
    samples.erase(samples.begin(), samples.begin() + late);
    at += late;
  }
  if (samples.empty()) return;
  receivedUntil_ = std::max(receivedUntil_, at + static_cast<int64_t>(samples.size()));
  waiting_[at] = std::move(samples);
}

std::optional<int64_t> Playout::Place(const RtpPacket &packet, int64_t now) {
  const auto length = static_cast<int64_t>(packet.samples.size());
  if (stream_ && stream_->ssrc == packet.ssrc) {
    const bool newer = Newer(packet.sequence, stream_->newestSequence);
    if (newer) stream_->newestSequence = packet.sequence;
    int64_t at =
        stream_->firstSample + static_cast<int32_t>(packet.timestamp - stream_->firstTimestamp);
    if (at <= now + kFarAhead) {
      if (at + length > now) at -= MoveStreamEarlier(at + length - now);
      if (at + length > *handedUntil_) {
        stream_->lateInARow = 0;
        return at;
      }
      // Too late: a straggler is lost; new packets late again and again mean the source's
      // clock has fallen behind, and its stream starts over.
      if (!newer || ++stream_->lateInARow < kLateInARow) return std::nullopt;
    } else if (!newer) {
      return std::nullopt;
    }
  }
  // A new stream follows on from what was heard, from where its first packet was said.
  const int64_t at = std::max(now - length, receivedUntil_);
  stream_ = Stream{packet.ssrc, packet.timestamp, at, packet.sequence, 0, receivedUntil_};
  return at;
}

int64_t Playout::MoveStreamEarlier(int64_t by) {
  // Said later than it arrived: the stream's first packet came late. The whole stream moves
  // earlier, as far as nothing of it has been handed over and it stays after what came before.
  const int64_t earliest = std::max(*handedUntil_, stream_->after);
  by = std::clamp<int64_t>(stream_->firstSample - earliest, 0, by);
  if (by == 0) return 0;
  std::map<int64_t, std::vector<int16_t>> moved;
  while (!waiting_.empty() && waiting_.rbegin()->first >= stream_->firstSample) {
    auto last = waiting_.extract(std::prev(waiting_.end()));
    last.key() -= by;
    moved.insert(std::move(last));
  }
  waiting_.merge(moved);
  stream_->firstSample -= by;
  receivedUntil_ -= by;
  return by;
}

void Playout::Advance(int64_t now) {
  if (!handedUntil_) handedUntil_ = now - kJitterSamples;
  const bool talking = lastArrival_ && now - *lastArrival_ <= kTalkingWithin;
  HandOver(now - kJitterSamples, talking);
}

int64_t Playout::Finish(int64_t now) {
  if (!handedUntil_) handedUntil_ = now - kJitterSamples;
  // Every gap left lies between packets that came.
  HandOver(std::max(*handedUntil_, receivedUntil_), true);
  return *handedUntil_;
}

void Playout::HandOver(int64_t until, bool talking) {
  const int64_t from = *handedUntil_;
  if (until <= from) return;
  std::vector<int16_t> sound(static_cast<size_t>(until - from));
  for (int64_t at = from; at < until;) {
    auto next = waiting_.begin();
    while (next != waiting_.end() &&
           next->first + static_cast<int64_t>(next->second.size()) <= at) {
      next = waiting_.erase(next);
    }
    int16_t *out = sound.data() + (at - from);
    if (next != waiting_.end() && next->first <= at) {
      const int64_t end = std::min(next->first + static_cast<int64_t>(next->second.size()), until);
      std::copy(next->second.begin() + (at - next->first),
                next->second.begin() + (end - next->first), out);
      plc_rx(concealer_->plc.get(), out, static_cast<int>(end - at));
      speaking_ = true;
      at = end;
    } else {
      const int64_t end = next == waiting_.end() ? until : std::min(next->first, until);
      Conceal({out, static_cast<size_t>(end - at)}, talking);
      at = end;
    }
  }
  audio_->Heard(from, sound);
  if (listener_) listener_(sound);
  handedUntil_ = until;
}

void Playout::Conceal(std::span<int16_t> gap, bool talking) {
  // Only a gap in the middle of what the caller says is lost sound.
  speaking_ = speaking_ && talking;
  if (!speaking_) {
    // The line is silent, and the concealer hears it so: sound that follows starts clean.
    std::fill(gap.begin(), gap.end(), int16_t{0});
    plc_rx(concealer_->plc.get(), gap.data(), static_cast<int>(gap.size()));
    return;
  }
  concealer_->FillIn(gap);
  for (int16_t &sample : gap) {
    sample =
        static_cast<int16_t>(std::clamp(sample + noise(concealer_->noise.get()), -32768, 32767));
  }
}

}  // namespace sipnet
