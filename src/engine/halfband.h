#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <type_traits>
#include <utility>

#include "engine/lanes.h"

// Half-band polyphase IIR stages for rate changes by two. Each stage is two
// chains of first-order allpass cells ("lanes") that share one coefficient
// list: the even-numbered cells form lane e, the odd-numbered ones lane o.
namespace halfband {

// Coefficient sets of the four stages, from the 1x/2x stage outwards. Later
// stages sit further from the audio band and get away with fewer cells.
inline constexpr std::array<double, 12> kStage1Coefs = {
    0.036681502163648017, 0.13654762463195794, 0.27463175937945444, 0.4231386174365671,
    0.5610986978791953,   0.6775400499741618,  0.769741833863227,   0.8398896248496389,
    0.892260818003879,    0.9315419599631839,  0.9620945483780842,  0.9878163707328959};
inline constexpr std::array<double, 4> kStage2Coefs = {0.04189399199765617, 0.168903482439952,
                                                       0.39056077292116603, 0.7438957482684793};
inline constexpr std::array<double, 3> kStage3Coefs = {0.05574868081130205, 0.24305119574153072,
                                                       0.646699131192682};
inline constexpr std::array<double, 2> kStage4Coefs = {0.10717745346023573, 0.5309143535450456};

// First-order allpass cell with coefficient c: t = (s - y) * c + x, where x
// and y are the cell's previous input and output. The one formula every form
// of the stages below evaluates.
template <class V, class C>
[[gnu::always_inline]] inline V AllpassStep(V s, V x, V y, C c) {
  return (s - y) * c + x;
}

// The recursion shared by both directions. Lanes advance together, one cell
// from each per step; the cells of a step are distinct, so neither sees the
// other's update.
template <int NC, typename T>
class AllpassLanes {
  static_assert(NC > 0, "a stage needs at least one cell");
  static constexpr std::size_t kCells = static_cast<std::size_t>(NC);

 public:
  explicit AllpassLanes(const std::array<double, kCells>& coefs) {
    for (std::size_t k = 0; k < kCells; ++k)
      mCoef[k] = Splat<T>(coefs[k]);
  }

  void Reset() {
    mX.fill(T{});
    mY.fill(T{});
  }

  // Runs lane e through cells 0, 2, 4, ... and lane o through 1, 3, 5, ...;
  // with an odd count, lane e alone takes the last cell.
  void Run(T& e, T& o) {
    constexpr std::size_t kPairs = kCells / 2;
    if constexpr (std::is_same_v<T, double> && kPairs > 0) {
      // Both lanes side by side in one vector register: one instruction per
      // operation instead of two, the same bits.
      using Pair = Lanes<2>;
      Pair lanes = {e, o};
      for (std::size_t k = 0; k < 2 * kPairs; k += 2) {
        // Cells k and k + 1 are adjacent in every array: one pair each.
        const Pair c = LoadLanes<Pair>(&mCoef[k]);
        const Pair t = AllpassStep(lanes, LoadLanes<Pair>(&mX[k]), LoadLanes<Pair>(&mY[k]), c);
        StoreLanes(&mX[k], lanes);
        StoreLanes(&mY[k], t);
        lanes = t;
      }
      e = lanes[0];
      o = lanes[1];
    } else {
      for (std::size_t k = 0; k < 2 * kPairs; k += 2) {
        const T te = Cell(k, e);
        const T to = Cell(k + 1, o);
        e = te;
        o = to;
      }
    }
    if constexpr (kCells % 2 != 0) e = Cell(kCells - 1, e);
  }

 private:
  T Cell(std::size_t k, T s) {
    const T t = AllpassStep(s, mX[k], mY[k], mCoef[k]);
    mX[k] = s;
    mY[k] = t;
    return t;
  }

  // Pairs aligned to their size never straddle a cache line, which would
  // stall the store-to-load forwarding every sample depends on.
  alignas(2 * sizeof(T)) std::array<T, kCells> mCoef{};
  alignas(2 * sizeof(T)) std::array<T, kCells> mX{};
  alignas(2 * sizeof(T)) std::array<T, kCells> mY{};
};

// One sample in, two out: lane e gives the first output, lane o the second.
template <int NC, typename T>
class Upsampler2x {
 public:
  explicit Upsampler2x(const std::array<double, static_cast<std::size_t>(NC)>& coefs)
      : mLanes(coefs) {}

  void Reset() { mLanes.Reset(); }

  std::pair<T, T> Process(T input) {
    T e = input;
    T o = input;
    mLanes.Run(e, o);
    return {e, o};
  }

 private:
  AllpassLanes<NC, T> mLanes;
};

// Two samples in (time order), one out: the later sample goes through lane e,
// the earlier through lane o, and the lanes are averaged.
template <int NC, typename T>
class Downsampler2x {
 public:
  explicit Downsampler2x(const std::array<double, static_cast<std::size_t>(NC)>& coefs)
      : mLanes(coefs) {}

  void Reset() { mLanes.Reset(); }

  T Process(T first, T second) {
    T e = second;
    T o = first;
    mLanes.Run(e, o);
    return Splat<T>(0.5) * (o + e);
  }

 private:
  AllpassLanes<NC, T> mLanes;
};

// One stage for a bank of NCh channels with the channels as vector lanes
// (NCh a multiple of the lane count). A block loads the state of a vector of
// channels into registers, steps it sample by sample and stores it back.
//
// A cell's previous input is the previous output of the cell before it in its
// chain, or the stage's previous input for the first cell of each chain; so
// only the outputs and the last inputs are kept, and the same values reach the
// same formula as in the one-sample stages above.
template <int NC, int NCh>
class BankStage {
  static_assert(NC > 0, "a stage needs at least one cell");

 public:
  explicit BankStage(const std::array<double, static_cast<std::size_t>(NC)>& coefs) {
    for (int k = 0; k < NC; ++k)
      for (double& lane : mCoef[k])
        lane = coefs[static_cast<std::size_t>(k)];
  }

  // Every channel back to silence; the coefficients stay.
  void Reset() {
    for (auto& cell : mY)
      std::fill(std::begin(cell), std::end(cell), 0.0);
    std::fill(std::begin(mLastE), std::end(mLastE), 0.0);
    std::fill(std::begin(mLastO), std::end(mLastO), 0.0);
  }

  template <class V>
  struct State {
    V y[NC];
    V lastE, lastO;  // the last inputs of chains e and o; an interpolator keeps only lastE

    // A decimator's last pair, earlier sample first, for callers that keep
    // the inputs at hand and use the After forms below; and back.
    [[gnu::always_inline]] void GetLastPair(V (&pair)[2]) const {
      pair[0] = lastO;
      pair[1] = lastE;
    }
    [[gnu::always_inline]] void SetLastPair(const V (&pair)[2]) {
      lastO = pair[0];
      lastE = pair[1];
    }
  };

  // The channels from `lane` on, one vector of them.
  template <class V>
  [[gnu::always_inline]] State<V> Load(int lane) const {
    State<V> state;
#pragma GCC unroll 16
    for (int k = 0; k < NC; ++k)
      state.y[k] = LoadLanes<V>(&mY[k][lane]);
    state.lastE = LoadLanes<V>(&mLastE[lane]);
    state.lastO = LoadLanes<V>(&mLastO[lane]);
    return state;
  }
  template <class V>
  [[gnu::always_inline]] void Store(int lane, const State<V>& state) {
#pragma GCC unroll 16
    for (int k = 0; k < NC; ++k)
      StoreLanes(&mY[k][lane], state.y[k]);
    StoreLanes(&mLastE[lane], state.lastE);
    StoreLanes(&mLastO[lane], state.lastO);
  }

  // Interpolation: one sample in, two out in time order.
  template <class V>
  [[gnu::always_inline]] void Up(State<V>& state, V input, V& first, V& second) const {
    // Both chains start from the same input, so lastE stands for both.
    const V last = state.lastE;
    state.lastE = input;
    UpAfter(state, input, last, first, second);
  }
  // The same, for a caller that keeps the sample before at hand: the state's
  // last input is neither read nor written.
  template <class V>
  [[gnu::always_inline]] void UpAfter(State<V>& state, V input, V before, V& first,
                                      V& second) const {
    first = second = input;
    Run(state, first, second, before, before);
  }

  // Decimation: two samples in, in time order; the later runs through chain e.
  template <class V>
  [[gnu::always_inline]] V Down(State<V>& state, V first, V second) const {
    const V lastE = state.lastE;
    const V lastO = state.lastO;
    state.lastE = second;
    state.lastO = first;
    return DownAfter(state, first, second, lastO, lastE);
  }
  // The same, for a caller that keeps the two samples before at hand: the
  // state's last inputs are neither read nor written.
  template <class V>
  [[gnu::always_inline]] V DownAfter(State<V>& state, V first, V second, V firstBefore,
                                     V secondBefore) const {
    Run(state, second, first, secondBefore, firstBefore);
    return 0.5 * (first + second);
  }

 private:
  // xe and xo: the chains' previous inputs.
  template <class V>
  [[gnu::always_inline]] void Run(State<V>& state, V& e, V& o, V xe, V xo) const {
#pragma GCC unroll 16
    for (int k = 0; k + 1 < NC; k += 2) {
      const V ye = state.y[k];
      const V yo = state.y[k + 1];
      e = AllpassStep(e, xe, ye, Coefficient<V>(k));
      o = AllpassStep(o, xo, yo, Coefficient<V>(k + 1));
      xe = ye;
      xo = yo;
      state.y[k] = e;
      state.y[k + 1] = o;
    }
    if constexpr (NC % 2 != 0) {
      e = AllpassStep(e, xe, state.y[NC - 1], Coefficient<V>(NC - 1));
      state.y[NC - 1] = e;
    }
  }

  // Each coefficient in every lane, read as a whole vector: an operand of the
  // multiplication straight from memory rather than a broadcast of its own.
  template <class V>
  [[gnu::always_inline]] V Coefficient(int k) const {
    return LoadLanes<V>(mCoef[k]);
  }

  alignas(64) double mCoef[NC][kMaxLaneCount];
  alignas(64) double mY[NC][NCh] = {};
  alignas(64) double mLastE[NCh] = {};
  alignas(64) double mLastO[NCh] = {};
};

}  // namespace halfband
