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
  static constexpr int kMaxLanes = 8;
  static constexpr double kAntiDenormal = 1e-10;
  static constexpr double kMakeUpGain = 5.7543993733715695;  // +15.2 dB

  // The bands in the order they run: high shelf, low shelf, mid bell.
  static constexpr int kBands = 3;
  static constexpr int kHighBand = 0;
  static constexpr int kLowBand = 1;
  static constexpr int kMidBand = 2;
  // Frames of the bands' history ahead of a chunk's samples.
  static constexpr int kHistory = 2;

  // Back to silence, as if none had ever come: the oversamplers, the bands'
  // histories, the work values, the meters at rest and their peaks. The
  // coefficients, gains and switches stay.
  void ForgetSignal();

  OverSamplerBank4x<kChannels> overSampler;
  BandCascadeBank<kChannels, kBands> bands;
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
  // Per meter, the largest magnitude of the samples its reading comes from
  // since the plug-in last cleared it: a track's two channels (its inputs
  // while bypassed), a master meter's input. Nothing else depends on them.
  double meterPeaks[kMeters] = {};

  // One chunk, frame-major: channel c of frame f at f * kChannels + c.
  alignas(64) double dry[kChunk * kChannels];
  alignas(64) double channel[kChunk * kChannels];
  // Two vectors of channels on their way through the stages (vectors of the
  // widest lanes): the chunk at four times the rate, where the rate of the
  // block and the bands' outputs take their place on the way down, after the
  // bands' history; and the chunk at twice the rate, after the frame before.
  alignas(64) double saturated[2 * (kHistory + kChunk) * 4 * kMaxLanes];
  alignas(64) double twice[2 * (1 + kChunk) * 2 * kMaxLanes];
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

// Both sums of SumSide for `frames` frames of frame-major samples, times
// `gain` unless it is null: left to left[f], right to right[f]. Whole
// squares of frames at a time, transposed so that each lane adds one frame's
// channels in channel order.
template <class V>
[[gnu::always_inline]] inline void SumSides(const double* samples, int frames, const double* gain,
                                            double* left, double* right) {
  constexpr int kWidth = kLaneCount<V>;
  constexpr int kChannels = TrackChainState::kChannels;
  int f = 0;
  for (; f + kWidth <= frames; f += kWidth) {
    V sums[2];
#pragma GCC unroll 16
    for (int lane = 0; lane < kChannels; lane += kWidth) {
      V rows[kWidth];
#pragma GCC unroll 8
      for (int j = 0; j < kWidth; ++j)
        rows[j] = LoadLanes<V>(samples + (f + j) * kChannels + lane);
      TransposeSquare(rows);
#pragma GCC unroll 8
      for (int l = 0; l < kWidth; ++l) {
        V& sum = sums[(lane + l) % 2];
        sum = lane + l < 2 ? rows[l] : sum + rows[l];
      }
    }
    if (gain) {
      sums[0] = *gain * sums[0];
      sums[1] = *gain * sums[1];
    }
    StoreLanes(left + f, sums[0]);
    StoreLanes(right + f, sums[1]);
  }
  for (; f < frames; ++f) {
    const double* const frame = samples + f * kChannels;
    left[f] = gain ? *gain * SumSide(frame, 0) : SumSide(frame, 0);
    right[f] = gain ? *gain * SumSide(frame, 1) : SumSide(frame, 1);
  }
}

// Whether every one of `count` flags is set.
[[gnu::always_inline]] inline bool AllLanes(const std::uint64_t* flags, int count) {
  bool all = true;
  for (int l = 0; l < count; ++l)
    all = all && flags[l] != 0;
  return all;
}

// Saturation, band filters, output gain, bypass and mute of two vectors of
// channels over a chunk, stage by stage. Each pass holds its stage's state in
// registers from the first frame to the last: one vector where a stage holds
// many recursions, two side by side where each vector's few recursions alone
// would leave the processor waiting on them. The passes hand the chunk on
// through its samples at twice and four times the rate, from which the later
// stages also read the inputs before each frame's rather than keep them.
template <class V>
class TrackPair {
 public:
  static constexpr int kWidth = kLaneCount<V>;
  static constexpr int kChannels = TrackChainState::kChannels;
  static constexpr int kBands = TrackChainState::kBands;

  // The vectors from channel `first` on.
  [[gnu::always_inline]] TrackPair(TrackChainState& chain, int first, int frames)
      : mChain(chain), mFirst(first), mFrames(frames) {
    for (int g = 0; g < 2; ++g)
      mOver[g] = mChain.overSampler.template Load<V>(Lane(g));
  }

  // Twice the rate, then four times; `beside(f)` runs with the second stage.
  template <class Beside>
  [[gnu::always_inline]] void Up(Beside beside) {
    // Twelve recursions a vector: one vector at a time.
    for (int g = 0; g < 2; ++g)
      for (int f = 0; f < mFrames; ++f) {
        V out[2];
        mChain.overSampler.Up1(
            mOver[g],
            LoadLanes<V>(mChain.dry + f * kChannels + Lane(g)) + TrackChainState::kAntiDenormal,
            out);
        StoreLanes(Twice(g, f), out);
      }
    // Four, each stepped twice a frame: both vectors side by side.
    for (int g = 0; g < 2; ++g)
      StoreLanes(Twice(g, -1) + kWidth, mOver[g].up2.lastE);
    for (int f = 0; f < mFrames; ++f) {
#pragma GCC unroll 2
      for (int g = 0; g < 2; ++g) {
        V in[2], out[4];
        LoadLanes(Twice(g, f), in);
        mChain.overSampler.Up2After(mOver[g], in, LoadLanes<V>(Twice(g, f - 1) + kWidth), out);
        StoreLanes(Samples(g, f), out);
      }
      beside(f);
    }
    for (int g = 0; g < 2; ++g)
      mOver[g].up2.lastE = LoadLanes<V>(Twice(g, mFrames - 1) + kWidth);
  }

  [[gnu::always_inline]] void Saturate() {
    for (int g = 0; g < 2; ++g)
      SaturateInPlace(Samples(g, 0), 4 * mFrames, LoadLanes<V>(mChain.drive + Lane(g)));
  }

  // Four times the rate back to the rate of the block, in row 0.
  [[gnu::always_inline]] void Down() {
    for (int g = 0; g < 2; ++g) {
      V pair[2];
      mOver[g].down2.GetLastPair(pair);
      StoreLanes(Samples(g, -1) + 2 * kWidth, pair);
    }
    for (int f = 0; f < mFrames; ++f) {
#pragma GCC unroll 2
      for (int g = 0; g < 2; ++g) {
        V in[4], before[2], out[2];
        LoadLanes(Samples(g, f), in);
        LoadLanes(Samples(g, f - 1) + 2 * kWidth, before);
        mChain.overSampler.Down2After(mOver[g], in, before, out);
        StoreLanes(Twice(g, f), out);
      }
    }
    for (int g = 0; g < 2; ++g) {
      V pair[2];
      LoadLanes(Samples(g, mFrames - 1) + 2 * kWidth, pair);
      mOver[g].down2.SetLastPair(pair);
      mOver[g].down1.GetLastPair(pair);
      StoreLanes(Twice(g, -1), pair);
      for (int f = 0; f < mFrames; ++f) {
        V in[2], before[2];
        LoadLanes(Twice(g, f), in);
        LoadLanes(Twice(g, f - 1), before);
        StoreLanes(Row(g, 0, f), mChain.overSampler.Down1After(mOver[g], in, before));
      }
      LoadLanes(Twice(g, mFrames - 1), pair);
      mOver[g].down1.SetLastPair(pair);
      mChain.overSampler.Store(Lane(g), mOver[g]);
    }
  }

  // The bands of both vectors, the output gain, bypass and mute, to `channel`.
  // A bypassed track's bands run but keep the history they had.
  [[gnu::always_inline]] void Bands() {
    for (int g = 0; g < 2; ++g) {
      double* const older[] = {Row(g, 0, -2), Row(g, 1, -2), Row(g, 2, -2), Row(g, 3, -2)};
      double* const latest[] = {Row(g, 0, -1), Row(g, 1, -1), Row(g, 2, -1), Row(g, 3, -1)};
      mChain.bands.template LoadHistory<V>(Lane(g), older, latest);
#pragma GCC unroll 4
      for (int b = 0; b < kBands; ++b)
        mLast[g][b] = LoadLanes<V>(Row(g, b + 1, -1));
      mOutAmp[g] = LoadLanes<V>(mChain.outAmp + Lane(g));
      mTrack[g] = LoadLanes<V>(mChain.trackOut + Lane(g));
      mChannel[g] = LoadLanes<V>(mChain.channelOut + Lane(g));
    }
    // Where every lane runs its filters unmuted, the switches pick the same
    // lanes all block long: the selections fall away.
    const auto unswitched = [this](int f) __attribute__((always_inline)) {
#pragma GCC unroll 2
      for (int g = 0; g < 2; ++g)
        StoreLanes(mChain.channel + f * kChannels + Lane(g),
                   Processed(g, f) + (-TrackChainState::kAntiDenormal));
    };
    const auto switched = [this](int f) __attribute__((always_inline)) {
      Switch(f);
    };
    // The high shelf first, then the low shelf, then the mid bell.
    const auto band = [this](int b) __attribute__((always_inline)) {
      return [ this, b ](int f) __attribute__((always_inline)) {
        Band(b, f);
      };
    };
    if (AllLanes(mChain.bypassOff + mFirst, 2 * kWidth) &&
        AllLanes(mChain.muteOff + mFirst, 2 * kWidth)) {
      RunWavefront(mFrames, band(0), band(1), band(2), unswitched);
      for (int g = 0; g < 2; ++g) {
        mTrack[g] = Processed(g, mFrames - 1);
        mChannel[g] = LoadLanes<V>(mChain.channel + (mFrames - 1) * kChannels + Lane(g));
      }
    } else {
      RunWavefront(mFrames, band(0), band(1), band(2), switched);
    }
    for (int g = 0; g < 2; ++g) {
      double* const older[] = {Row(g, 0, mFrames - 2), Row(g, 1, mFrames - 2),
                               Row(g, 2, mFrames - 2), Row(g, 3, mFrames - 2)};
      double* const latest[] = {Row(g, 0, mFrames - 1), Row(g, 1, mFrames - 1),
                                Row(g, 2, mFrames - 1), Row(g, 3, mFrames - 1)};
      mChain.bands.template StoreHistory<V>(Lane(g), older, latest,
                                            LoadMask<V>(mChain.bypassOff + Lane(g)));
      StoreLanes(mChain.trackOut + Lane(g), mTrack[g]);
      StoreLanes(mChain.channelOut + Lane(g), mChannel[g]);
    }
  }

 private:
  [[gnu::always_inline]] int Lane(int g) const {
    return mFirst + g * kWidth;
  }
  // Vector g's four samples of frame f at four times the rate, then its
  // rows: k = 0 the sample after the way down, in the place of the first one
  // once it is used, k = 1, 2, 3 the outputs of the three bands. The rows go
  // back kHistory frames before the chunk, for the bands' histories.
  [[gnu::always_inline]] double* Samples(int g, int f) const {
    constexpr int kRows = TrackChainState::kHistory + TrackChainState::kChunk;
    return mChain.saturated + 4 * kWidth * (g * kRows + TrackChainState::kHistory + f);
  }
  [[gnu::always_inline]] double* Row(int g, int k, int f) const {
    return Samples(g, f) + k * kWidth;
  }
  // Vector g's two samples of frame f at twice the rate, after the frame before the chunk.
  [[gnu::always_inline]] double* Twice(int g, int f) const {
    return mChain.twice + 2 * kWidth * (g * (1 + TrackChainState::kChunk) + 1 + f);
  }

  // Band b of frame f for both vectors; each recursion's one register is
  // the band's last output, the rest of its history comes from the rows.
  [[gnu::always_inline]] void Band(int b, int f) {
#pragma GCC unroll 2
    for (int g = 0; g < 2; ++g) {
      const auto in = [&](int back) __attribute__((always_inline)) {
        return LoadLanes<V>(Row(g, b, f - back));
      };
      mLast[g][b] = mChain.bands.Output(b, Lane(g), in(0), in(1), in(2), mLast[g][b],
                                        LoadLanes<V>(Row(g, b + 1, f - 2)));
      StoreLanes(Row(g, b + 1, f), mLast[g][b]);
    }
  }
  [[gnu::always_inline]] V Processed(int g, int f) const {
    return LoadLanes<V>(Row(g, 3, f)) * mOutAmp[g] * TrackChainState::kMakeUpGain;
  }
  [[gnu::always_inline]] void Switch(int f) {
#pragma GCC unroll 2
    for (int g = 0; g < 2; ++g) {
      const int lane = Lane(g);
      const int at = f * kChannels + lane;
      mTrack[g] = Select(LoadMask<V>(mChain.bypassOn + lane), LoadLanes<V>(mChain.dry + at),
                         Select(LoadMask<V>(mChain.bypassOff + lane), Processed(g, f), mTrack[g]));
      mChannel[g] =
          Select(LoadMask<V>(mChain.muteOff + lane), mTrack[g] + (-TrackChainState::kAntiDenormal),
                 Select(LoadMask<V>(mChain.muteOn + lane), mTrack[g] * 0., mChannel[g]));
      StoreLanes(mChain.channel + at, mChannel[g]);
    }
  }

  TrackChainState& mChain;
  const int mFirst;
  const int mFrames;
  typename OverSamplerBank4x<kChannels>::template Lanes<V> mOver[2];
  V mLast[2][kBands];
  V mOutAmp[2];
  V mTrack[2];
  V mChannel[2];
};

// All tracks of a chunk, to `channel`; `beside(f)`, for each frame of the
// chunk, runs beside the first pair's second interpolator: work of its own,
// whose latency the chain's arithmetic hides.
template <class V, class Beside>
[[gnu::always_inline]] inline void RunTracks(TrackChainState& s, int frames, Beside beside) {
  for (int first = 0; first < TrackChainState::kChannels; first += 2 * kLaneCount<V>) {
    TrackPair<V> pair(s, first, frames);
    pair.Up([&](int f) __attribute__((always_inline)) {
      if (first == 0) beside(f);
    });
    pair.Saturate();
    pair.Down();
    pair.Bands();
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
      SumSides<V>(s.channel, frames, &b.masterAmp, out[0] + start, out[1] + start);
    } else if (b.globalBypass == 1) {
      SumSides<V>(s.dry, frames, nullptr, out[0] + start, out[1] + start);
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

// The larger of a peak and a sample's magnitude.
template <class V>
[[gnu::always_inline]] inline V LargerMagnitude(V peak, V x) {
  const V a = Abs(x);
  return Select(a > peak, a, peak);  // a NaN never raises it
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
  // Each channel's largest magnitude in the chunk, for the over lamps,
  // gathered from the samples as they are read anyway.
  alignas(64) double channelPeak[kChannels] = {};
  // With vectors, every track's left + right at once; the loop below gives a
  // bypassed track its own input instead.
  if constexpr (kWidth > 1) {
    constexpr int kPairs = TrackChainState::kTracks / kWidth;
    V peak[2 * kPairs];
#pragma GCC unroll 16
    for (int k = 0; k < 2 * kPairs; ++k)
      peak[k] = Splat<V>(0.0);
    for (int f = first; f < frames; ++f) {
#pragma GCC unroll 8
      for (int k = 0; k < kPairs; ++k) {
        const V a = LoadLanes<V>(s.channel + f * kChannels + 2 * k * kWidth);
        const V c = LoadLanes<V>(s.channel + f * kChannels + (2 * k + 1) * kWidth);
        StoreLanes(s.meterInput + f * kLanes + k * kWidth, EvenLanes(a, c) + OddLanes(a, c));
        peak[2 * k] = LargerMagnitude(peak[2 * k], a);
        peak[2 * k + 1] = LargerMagnitude(peak[2 * k + 1], c);
      }
    }
    StoreLanes(channelPeak, peak);
  }
  for (int t = 0; t < TrackChainState::kTracks; ++t) {
    const double* const left = b.inputs[2 * t] + start;
    const double* const right = b.inputs[2 * t + 1] + start;
    double* const in = s.meterInput + t;
    double& meterPeak = s.meterPeaks[t];
    if (b.bypass[t] == 0) {
      if constexpr (kWidth == 1)
        for (int f = first; f < frames; ++f) {
          const double l = s.channel[f * kChannels + 2 * t];
          const double r = s.channel[f * kChannels + 2 * t + 1];
          in[f * kLanes] = l + r;
          channelPeak[2 * t] = LargerMagnitude(LargerMagnitude(channelPeak[2 * t], l), r);
        }
      meterPeak =
          LargerMagnitude(LargerMagnitude(meterPeak, channelPeak[2 * t]), channelPeak[2 * t + 1]);
    } else if (b.bypass[t] == 1) {
      for (int f = first; f < frames; ++f) {
        in[f * kLanes] = left[f] + right[f];
        meterPeak = LargerMagnitude(LargerMagnitude(meterPeak, left[f]), right[f]);
      }
    } else {
      for (int f = first; f < frames; ++f)
        in[f * kLanes] = s.meterIn[t];
    }
    s.meterIn[t] = in[(frames - 1) * kLanes];
  }
  if (!b.meters) return;
  for (int side = 0; side < 2; ++side) {
    const double* const output = b.outputs[side] + start;
    double peak = s.meterPeaks[TrackChainState::kTracks + side];
    for (int f = 0; f < frames; ++f) {
      const double x = output[f] * s.masterMeterGate;
      s.meterInput[f * kLanes + TrackChainState::kTracks + side] = x;
      peak = LargerMagnitude(peak, x);
    }
    s.meterPeaks[TrackChainState::kTracks + side] = peak;
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
