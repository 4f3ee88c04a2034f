#pragma once

#include <array>
#include <cstddef>
#include <cstring>
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

// Both lanes side by side in one vector register: the engine's hottest loop
// then needs one instruction per operation instead of two. Element-wise vector
// arithmetic rounds exactly as the scalar form, so the bits are the same.
template <typename T>
struct LanePair {
  static constexpr bool kAvailable = false;
};
template <>
struct LanePair<double> {
  static constexpr bool kAvailable = true;
  typedef double type __attribute__((vector_size(2 * sizeof(double))));
};

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
    if constexpr (LanePair<T>::kAvailable && kPairs > 0) {
      using Pair = typename LanePair<T>::type;
      Pair lanes = {e, o};
      for (std::size_t k = 0; k < 2 * kPairs; k += 2) {
        // Cells k and k + 1 are adjacent in every array: one pair each.
        const Pair c = Load<Pair>(mCoef, k);
        const Pair t = AllpassStep(lanes, Load<Pair>(mX, k), Load<Pair>(mY, k), c);
        Store(mX, k, lanes);
        Store(mY, k, t);
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

  template <typename Pair>
  static Pair Load(const std::array<T, kCells>& values, std::size_t k) {
    Pair pair;
    std::memcpy(&pair, &values[k], sizeof(Pair));
    return pair;
  }

  template <typename Pair>
  static void Store(std::array<T, kCells>& values, std::size_t k, const Pair& pair) {
    std::memcpy(&values[k], &pair, sizeof(Pair));
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

// One stage for a bank of NCh channels, run over a whole block with the
// channels as vector lanes (NCh a multiple of the lane count). Samples are
// frame-major: channel c of frame f sits at f * NCh + c.
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
      mCoef[k] = coefs[static_cast<std::size_t>(k)];
  }

  // Each input frame becomes two output frames (`out` holds 2 * frames).
  // `prepare` conditions every input sample first.
  template <class V, class Prepare>
  [[gnu::always_inline]] void Interpolate(const double* in, double* out, int frames,
                                          Prepare prepare) {
    Run<V>(
        frames,
        [&](int f, int lane, V& e, V& o) { e = o = prepare(LoadLanes<V>(in + f * NCh + lane)); },
        [&](int f, int lane, V e, V o) {
          StoreLanes(out + 2 * f * NCh + lane, e);
          StoreLanes(out + (2 * f + 1) * NCh + lane, o);
        });
  }

  // Each consecutive pair of input frames becomes one output frame (`in`
  // holds 2 * frames): the later through chain e, the earlier through chain
  // o, averaged.
  template <class V>
  [[gnu::always_inline]] void Decimate(const double* in, double* out, int frames) {
    Run<V>(
        frames,
        [&](int f, int lane, V& e, V& o) {
          e = LoadLanes<V>(in + (2 * f + 1) * NCh + lane);
          o = LoadLanes<V>(in + 2 * f * NCh + lane);
        },
        [&](int f, int lane, V e, V o) { StoreLanes(out + f * NCh + lane, 0.5 * (o + e)); });
  }

 private:
  static constexpr int kPairs = NC / 2;

  // The state of one vector of channels, held in registers for a block.
  template <class V>
  struct Cells {
    V y[NC];
    V lastE, lastO;
  };

  // Every group of lanes advances in the same frame step, so the recursions
  // of different groups overlap.
  template <class V, class Read, class Write>
  [[gnu::always_inline]] void Run(int frames, Read read, Write write) {
    constexpr int kWidth = kLaneCount<V>;
    constexpr int kGroups = NCh / kWidth;
    static_assert(NCh % kWidth == 0, "the channels fill whole vectors");
    Cells<V> cells[kGroups];
#pragma GCC unroll 16
    for (int g = 0; g < kGroups; ++g) {
#pragma GCC unroll 16
      for (int k = 0; k < NC; ++k)
        cells[g].y[k] = LoadLanes<V>(&mY[k][g * kWidth]);
      cells[g].lastE = LoadLanes<V>(&mLastE[g * kWidth]);
      cells[g].lastO = LoadLanes<V>(&mLastO[g * kWidth]);
    }
    for (int f = 0; f < frames; ++f) {
#pragma GCC unroll 16
      for (int g = 0; g < kGroups; ++g) {
        Cells<V>& c = cells[g];
        V e, o;
        read(f, g * kWidth, e, o);
        V xe = c.lastE;
        V xo = c.lastO;
        c.lastE = e;
        c.lastO = o;
#pragma GCC unroll 16
        for (int k = 0; k < 2 * kPairs; k += 2) {
          const V ye = c.y[k];
          const V yo = c.y[k + 1];
          e = AllpassStep(e, xe, ye, mCoef[k]);
          o = AllpassStep(o, xo, yo, mCoef[k + 1]);
          xe = ye;
          xo = yo;
          c.y[k] = e;
          c.y[k + 1] = o;
        }
        if constexpr (NC % 2 != 0) {
          e = AllpassStep(e, xe, c.y[NC - 1], mCoef[NC - 1]);
          c.y[NC - 1] = e;
        }
        write(f, g * kWidth, e, o);
      }
    }
#pragma GCC unroll 16
    for (int g = 0; g < kGroups; ++g) {
#pragma GCC unroll 16
      for (int k = 0; k < NC; ++k)
        StoreLanes(&mY[k][g * kWidth], cells[g].y[k]);
      StoreLanes(&mLastE[g * kWidth], cells[g].lastE);
      StoreLanes(&mLastO[g * kWidth], cells[g].lastO);
    }
  }

  double mCoef[NC];
  alignas(64) double mY[NC][NCh] = {};
  alignas(64) double mLastE[NCh] = {};
  alignas(64) double mLastO[NCh] = {};
};

}  // namespace halfband
