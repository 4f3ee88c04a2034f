// The signal path of all eight tracks with the sixteen channels as vector
// lanes, written once for every lane width, a chunk of frames at a time.
// Every operation on a channel's samples is the one the sample-by-sample chain
// does, in the same order, so the bits are the same.
#pragma once

#include <cstdint>

#include "engine/band_filters.h"
#include "engine/frame_layout.h"
#include "engine/lanes.h"
#include "engine/level_meter.h"
#include "engine/oversampler_bank.h"
#include "engine/saturation.h"
#include "engine/wavefront.h"

// Everything the chain keeps between blocks, laid out by channel so that
// every lane width reads it alike: a path may change between any two blocks.
struct TrackChainState {
  static constexpr int kTracks = 8;
  static constexpr int kChannels = 2 * kTracks;
  static constexpr int kOutputs = kChannels + 2;  // the master pair, then the channels
  static constexpr int kMeters = kTracks + 2;     // the tracks, master left, master right
  static constexpr int kMeterLanes = 16;          // whole vectors of every width
  // Frames per pass of the stages: the chunk's samples at four times the rate
  // stay in the first-level cache.
  static constexpr int kChunk = 64;
  // Frames in flight between two stages of the chain, a power of two.
  static constexpr int kRing = 8;
  static constexpr int kMaxLanes = 8;
  static constexpr double kAntiDenormal = 1e-10;
  static constexpr double kMakeUpGain = 5.7543993733715695;  // +15.2 dB

  OverSamplerBank4x<kChannels> overSampler;
  BandFilterBank<kChannels> high;
  BandFilterBank<kChannels> low;
  BandFilterBank<kChannels> mid;
  // Per channel, from its track's Input and Output gains.
  alignas(64) double drive[kChannels] = {};
  alignas(64) double outAmp[kChannels] = {};
  // Per channel, all ones where its track's switch holds that value.
  alignas(64) std::uint64_t bypassOn[kChannels] = {};
  alignas(64) std::uint64_t bypassOff[kChannels] = {};
  alignas(64) std::uint64_t muteOn[kChannels] = {};
  alignas(64) std::uint64_t muteOff[kChannels] = {};

  // Work values of the last sample. They carry over to the next sample only
  // under switch values the parameters never produce.
  alignas(64) double trackOut[kChannels] = {};
  alignas(64) double channelOut[kChannels] = {};
  double modeOut[kOutputs] = {};
  double finalOut[kOutputs] = {};
  double meterIn[kTracks] = {};
  double masterMeterGate = 0.;

  // Meter ballistics states; the lanes past kMeters stay at zero.
  alignas(64) double meters[kMeterLanes] = {};

  // One chunk, frame-major: channel c of frame f at f * kChannels + c.
  alignas(64) double dry[kChunk * kChannels];
  alignas(64) double channel[kChunk * kChannels];
  // One vector of channels on its way through the stages: the chunk at four
  // times the rate after saturation (and, on the way down, at the rate of the
  // block), and rings of a few frames between the other stages (vectors of the
  // widest lanes).
  alignas(64) double saturated[kChunk * 4 * kMaxLanes];
  alignas(64) double ring2x[kRing][2 * kMaxLanes];
  alignas(64) double ring4x[kRing][4 * kMaxLanes];
  alignas(64) double meterInput[kChunk * kMeterLanes] = {};
};

// What one block brings: the host's buffers and the switches and gains, all
// constant for the block.
struct TrackChainBlock {
  double* const* inputs;
  double* const* outputs;
  int frames;
  int bypass[TrackChainState::kTracks];
  int mode;
  int globalBypass;
  double masterAmp;
  double meterCoefficient;
  bool meters;  // only while an editor shows them
};

namespace track_lanes {

// The sum over the left (parity 0) or right (parity 1) channels of a frame,
// added in channel order.
[[gnu::always_inline]] inline double SumSide(const double* frame, int parity) {
  double sum = frame[parity];
  for (int c = 2 + parity; c < TrackChainState::kChannels; c += 2)
    sum += frame[c];
  return sum;
}

// Whether every one of `count` flags is set.
[[gnu::always_inline]] inline bool AllLanes(const std::uint64_t* flags, int count) {
  bool all = true;
  for (int l = 0; l < count; ++l)
    all = all && flags[l] != 0;
  return all;
}

// Saturation, band filters, output gain, bypass and mute: `channel` for the
// chunk, one vector of channels after the other. Each vector runs two
// wavefronts (up to the saturated samples at four times the rate, then down
// and through the filters), sized so that a pass holds its state in registers
// and mixes divisions with other arithmetic. The stages hand their frames on
// through rings of a few frames and through the chunk's saturated samples.
// `beside(f)`, for each frame of the chunk, runs in the first wavefront of the
// first vector: work of its own, whose latency the chain's arithmetic hides.
template <class V, class Beside>
[[gnu::always_inline]] inline void RunTracks(TrackChainState& s, int frames, Beside beside) {
  constexpr int kWidth = kLaneCount<V>;
  constexpr int kChannels = TrackChainState::kChannels;
  const auto slot = [](int frame) __attribute__((always_inline)) {
    return frame & (TrackChainState::kRing - 1);
  };
  for (int lane = 0; lane < kChannels; lane += kWidth) {
    auto over = s.overSampler.template Load<V>(lane);
    const V drive = LoadLanes<V>(s.drive + lane);
    RunWavefront(
        frames,
        [&](int f) __attribute__((always_inline)) {
          V out[2];
          s.overSampler.Up1(
              over, LoadLanes<V>(s.dry + f * kChannels + lane) + TrackChainState::kAntiDenormal,
              out);
          StoreLanes(s.ring2x[slot(f)], out);
        },
        [&](int f) __attribute__((always_inline)) {
          V in[2], out[4];
          LoadLanes(s.ring2x[slot(f)], in);
          s.overSampler.Up2(over, in, out);
          StoreLanes(s.saturated + 4 * kWidth * f, out);
        },
        [&](int f) __attribute__((always_inline)) {
          if (lane == 0) beside(f);
        });
    SaturateInPlace(s.saturated, 4 * frames, drive);

    auto high = s.high.template Load<V>(lane);
    auto low = s.low.template Load<V>(lane);
    auto mid = s.mid.template Load<V>(lane);
    V track = LoadLanes<V>(s.trackOut + lane);
    V channel = LoadLanes<V>(s.channelOut + lane);
    const V outAmp = LoadLanes<V>(s.outAmp + lane);
    const auto bypassOn = LoadMask<V>(s.bypassOn + lane);
    const auto bypassOff = LoadMask<V>(s.bypassOff + lane);
    const auto muteOn = LoadMask<V>(s.muteOn + lane);
    const auto muteOff = LoadMask<V>(s.muteOff + lane);
    // After the way down, frame f's sample at the rate of the block takes the
    // place of its first sample at four times the rate, which is used by then.
    const auto once = [&s](int f) __attribute__((always_inline)) {
      return s.saturated + 4 * kWidth * f;
    };
    const auto down2 = [&](int f) __attribute__((always_inline)) {
      V in[4], out[2];
      LoadLanes(s.saturated + 4 * kWidth * f, in);
      s.overSampler.Down2(over, in, out);
      StoreLanes(s.ring2x[slot(f)], out);
    };
    const auto down1 = [&](int f) __attribute__((always_inline)) {
      V in[2];
      LoadLanes(s.ring2x[slot(f)], in);
      StoreLanes(once(f), s.overSampler.Down1(over, in));
    };
    const auto band = [once](const BandFilterBank<kChannels>& bank, auto& history, int at)
        __attribute__((always_inline)) {
      return [ once, &bank, &history, at ](int f) __attribute__((always_inline)) {
        StoreLanes(once(f), bank.Process(history, at, LoadLanes<V>(once(f))));
      };
    };
    const auto processed = [&](int f) __attribute__((always_inline)) {
      return LoadLanes<V>(once(f)) * outAmp * TrackChainState::kMakeUpGain;
    };
    const auto output = [&](int f) __attribute__((always_inline)) {
      const int at = f * kChannels + lane;
      track = Select(bypassOn, LoadLanes<V>(s.dry + at), Select(bypassOff, processed(f), track));
      channel = Select(muteOff, track + (-TrackChainState::kAntiDenormal),
                       Select(muteOn, track * 0., channel));
      StoreLanes(s.channel + at, channel);
    };
    // Where every lane runs its filters unmuted, the switches pick the same
    // lanes all block long: the selections fall away.
    const auto unswitched = [&](int f) __attribute__((always_inline)) {
      StoreLanes(s.channel + f * kChannels + lane,
                 processed(f) + (-TrackChainState::kAntiDenormal));
    };
    // The high shelf first, then the low shelf, then the mid bell.
    if (AllLanes(s.bypassOff + lane, kWidth) && AllLanes(s.muteOff + lane, kWidth)) {
      RunWavefront(frames, down2, down1);
      RunWavefront(frames, band(s.high, high, lane), band(s.low, low, lane), band(s.mid, mid, lane),
                   unswitched);
      track = processed(frames - 1);
      channel = LoadLanes<V>(s.channel + (frames - 1) * kChannels + lane);
    } else {
      RunWavefront(frames, down2, down1, band(s.high, high, lane), band(s.low, low, lane),
                   band(s.mid, mid, lane), output);
    }

    // A bypassed track's filters are not run: their state stays as it was.
    s.overSampler.Store(lane, over);
    s.high.template Store<V>(lane, high, bypassOff);
    s.low.template Store<V>(lane, low, bypassOff);
    s.mid.template Store<V>(lane, mid, bypassOff);
    StoreLanes(s.trackOut + lane, track);
    StoreLanes(s.channelOut + lane, channel);
  }
}

// Mode, global bypass and the outputs of the chunk's frames [start, start + frames).
template <class V>
[[gnu::always_inline]] inline void RunMaster(TrackChainState& s, const TrackChainBlock& b,
                                             int start, int frames) {
  constexpr int kChannels = TrackChainState::kChannels;
  double* const* out = b.outputs;
  const int last = (frames - 1) * kChannels;
  if (b.mode == 0) {
    if (b.globalBypass == 0) {
      for (int f = 0; f < frames; ++f) {
        out[0][start + f] = b.masterAmp * SumSide(s.channel + f * kChannels, 0);
        out[1][start + f] = b.masterAmp * SumSide(s.channel + f * kChannels, 1);
      }
    } else if (b.globalBypass == 1) {
      for (int f = 0; f < frames; ++f) {
        out[0][start + f] = SumSide(s.dry + f * kChannels, 0);
        out[1][start + f] = SumSide(s.dry + f * kChannels, 1);
      }
    } else {
      for (int f = 0; f < frames; ++f) {
        out[0][start + f] = s.finalOut[0];
        out[1][start + f] = s.finalOut[1];
      }
    }
    s.modeOut[0] = b.masterAmp * SumSide(s.channel + last, 0);
    s.modeOut[1] = b.masterAmp * SumSide(s.channel + last, 1);
  } else if (b.mode == 1) {
    if (b.globalBypass == 0) {
      CopyTransposed<V, kChannels>(FrameBuffer<kChannels>{s.channel}, ChannelBuffers{out, start},
                                   frames);
    } else if (b.globalBypass == 1) {
      CopyTransposed<V, kChannels>(FrameBuffer<kChannels>{s.dry}, ChannelBuffers{out, start},
                                   frames);
    } else {
      for (int c = 0; c < kChannels; ++c)
        for (int f = 0; f < frames; ++f)
          out[c][start + f] = s.finalOut[2 + c];
    }
    for (int c = 0; c < kChannels; ++c)
      s.modeOut[2 + c] = s.channel[last + c];
  }

  if (b.globalBypass == 0) {
    for (int k = 0; k < TrackChainState::kOutputs; ++k)
      s.finalOut[k] = s.modeOut[k];
  } else if (b.globalBypass == 1) {
    s.finalOut[0] = SumSide(s.dry + last, 0);
    s.finalOut[1] = SumSide(s.dry + last, 1);
    for (int c = 0; c < kChannels; ++c)
      s.finalOut[2 + c] = s.dry[last + c];
  }
}

// The meters' inputs of the chunk, read after its outputs are written: the
// master meters read the outputs back, and a bypassed track's meter reads its
// inputs, which a host may have handed in as the same buffers. Without
// meters, only the last frame's inputs are kept, as the work values.
template <class V>
[[gnu::always_inline]] inline void CollectMeterInputs(TrackChainState& s, const TrackChainBlock& b,
                                                      int start, int frames) {
  constexpr int kWidth = kLaneCount<V>;
  constexpr int kChannels = TrackChainState::kChannels;
  constexpr int kLanes = TrackChainState::kMeterLanes;
  const int first = b.meters ? 0 : frames - 1;
  // With vectors, every track's left + right at once; the loop below gives a
  // bypassed track its own input instead.
  if constexpr (kWidth > 1) {
    for (int f = first; f < frames; ++f) {
#pragma GCC unroll 8
      for (int k = 0; k < TrackChainState::kTracks / kWidth; ++k) {
        const V a = LoadLanes<V>(s.channel + f * kChannels + 2 * k * kWidth);
        const V c = LoadLanes<V>(s.channel + f * kChannels + (2 * k + 1) * kWidth);
        StoreLanes(s.meterInput + f * kLanes + k * kWidth, EvenLanes(a, c) + OddLanes(a, c));
      }
    }
  }
  for (int t = 0; t < TrackChainState::kTracks; ++t) {
    const double* const left = b.inputs[2 * t] + start;
    const double* const right = b.inputs[2 * t + 1] + start;
    double* const in = s.meterInput + t;
    if (b.bypass[t] == 0) {
      if constexpr (kWidth == 1)
        for (int f = first; f < frames; ++f)
          in[f * kLanes] = s.channel[f * kChannels + 2 * t] + s.channel[f * kChannels + 2 * t + 1];
    } else if (b.bypass[t] == 1) {
      for (int f = first; f < frames; ++f)
        in[f * kLanes] = left[f] + right[f];
    } else {
      for (int f = first; f < frames; ++f)
        in[f * kLanes] = s.meterIn[t];
    }
    s.meterIn[t] = in[(frames - 1) * kLanes];
  }
  if (!b.meters) return;
  for (int side = 0; side < 2; ++side) {
    const double* const output = b.outputs[side] + start;
    for (int f = 0; f < frames; ++f)
      s.meterInput[f * kLanes + TrackChainState::kTracks + side] = output[f] * s.masterMeterGate;
  }
}

// The meters' states in registers, stepped one frame at a time through the
// inputs CollectMeterInputs gathered.
template <class V>
struct MeterLanes {
  static constexpr int kWidth = kLaneCount<V>;
  static constexpr int kGroups = (TrackChainState::kMeters + kWidth - 1) / kWidth;
  static constexpr int kLanes = TrackChainState::kMeterLanes;

  [[gnu::always_inline]] MeterLanes(const TrackChainState& s, double c) : coefficient(c) {
#pragma GCC unroll 16
    for (int g = 0; g < kGroups; ++g)
      state[g] = LoadLanes<V>(s.meters + g * kWidth);
  }
  [[gnu::always_inline]] void Step(const TrackChainState& s, int frame) {
#pragma GCC unroll 16
    for (int g = 0; g < kGroups; ++g)
      state[g] = MeterStep(state[g], LoadLanes<V>(s.meterInput + frame * kLanes + g * kWidth),
                           coefficient);
  }
  [[gnu::always_inline]] void Store(TrackChainState& s) const {
#pragma GCC unroll 16
    for (int g = 0; g < kGroups; ++g)
      StoreLanes(s.meters + g * kWidth, state[g]);
  }

  V state[kGroups];
  double coefficient;
};

}  // namespace track_lanes

template <class V>
[[gnu::always_inline]] inline void RunTrackChain(TrackChainState& s, const TrackChainBlock& b) {
  constexpr int kChannels = TrackChainState::kChannels;
  if (b.mode == 0)
    s.masterMeterGate = 1.;
  else if (b.mode == 1)
    s.masterMeterGate = 0.;
  // Each meter is a recursion of one step per frame, which alone would leave
  // the processor waiting on it: a chunk's meter steps run beside the next
  // chunk's track work, and only the last chunk's run alone.
  int metersDue = 0;  // frames of the last chunk whose meter steps have not run
  for (int start = 0; start < b.frames; start += TrackChainState::kChunk) {
    const int left = b.frames - start;
    const int frames = left < TrackChainState::kChunk ? left : TrackChainState::kChunk;
    CopyTransposed<V, kChannels>(ChannelBuffers{b.inputs, start}, FrameBuffer<kChannels>{s.dry},
                                 frames);
    track_lanes::MeterLanes<V> meters(s, b.meterCoefficient);
    const int beside = metersDue < frames ? metersDue : frames;
    track_lanes::RunTracks<V>(
        s, frames, [&](int f) __attribute__((always_inline)) {
          if (f < beside) meters.Step(s, f);
        });
    for (int f = beside; f < metersDue; ++f)
      meters.Step(s, f);
    meters.Store(s);
    track_lanes::RunMaster<V>(s, b, start, frames);
    track_lanes::CollectMeterInputs<V>(s, b, start, frames);
    metersDue = b.meters ? frames : 0;
  }
  track_lanes::MeterLanes<V> meters(s, b.meterCoefficient);
  for (int f = 0; f < metersDue; ++f)
    meters.Step(s, f);
  meters.Store(s);
}
