// QUOR's parameters as data: one row per kind of parameter, of the master
// section or of every track. The rows make the parameters, map a change to
// what it acts on, bind the editor's controls and describe the plug-in to
// the formats that need a description; adding a parameter is one row.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "framework/iparam.h"
#include "framework/plug_descriptor.h"

enum class ParamRole {
  kHighGain,
  kMidGain,
  kLowGain,
  kInput,
  kOutput,
  kBypass,
  kMute,
  kMasterOutput,
  kMode,
  kGlobalBypass,
};

// What a host's display shows for a value: the value in its unit, or the
// gain in dB that an equaliser setting gives its band.
enum class ParamShown { kValue, kHighBandGain, kMidBandGain, kLowBandGain };

struct ParamRow {
  ParamRole mRole;
  // A track's parameter is named this, a space and the track's number.
  const char* mName;
  // Its identity for formats that name controls by symbol: saved with
  // sessions, so it never changes. A track's takes "_" and the number.
  const char* mSymbol;
  bool mPerTrack;
  // The master section's index, or track 1's; each further track's lies
  // mTrackStride beyond.
  int mFirstIdx;
  int mTrackStride;
  EParamType mType;  // kTypeDouble (a continuous value) or kTypeInt (a switch)
  ParamStyle mStyle;
  double mDefault;
  double mMin;
  double mMax;
  double mStep;
  // The unit a host shows after a value; a named value shows none.
  const char* mLabel;
  ParamUnit mUnit;
  ParamShown mShown;
  // The names of a switch's or a choice's values 0 and 1.
  std::array<const char*, 2> mChoices;
};

inline constexpr int kParamTracks = 8;
// The host sees every index up to here; the unused ones keep a fresh
// parameter's state and are still saved and restored.
inline constexpr int kNumParams = 94;

inline constexpr ParamRow kParamRows[] = {
    // clang-format off
    // role, name, symbol, per track, first index, stride;
    // type, style, default, min, max, step, label, unit, shown, choices
    {ParamRole::kMode,         "Mode",          "mode",          false, 76, 0,
     kTypeInt,    ParamStyle::kChoice,     0.,  0.,   1.,  1.,   "",   ParamUnit::kNone,    ParamShown::kValue,        {"MIX", "16 OUT"}},
    {ParamRole::kMasterOutput, "Master Output", "master_output", false, 75, 0,
     kTypeDouble, ParamStyle::kContinuous, 0.,  -24., 24., 0.01, "dB", ParamUnit::kDecibel, ParamShown::kValue,        {}},
    {ParamRole::kHighGain,     "High Gain",     "high_gain",     true,  0,  10,
     kTypeDouble, ParamStyle::kContinuous, 0.5, 0.,   1.,  0.01, "dB", ParamUnit::kNone,    ParamShown::kHighBandGain, {}},
    {ParamRole::kMidGain,      "Mid Gain",      "mid_gain",      true,  1,  10,
     kTypeDouble, ParamStyle::kContinuous, 0.5, 0.,   1.,  0.01, "dB", ParamUnit::kNone,    ParamShown::kMidBandGain,  {}},
    {ParamRole::kLowGain,      "Low Gain",      "low_gain",      true,  2,  10,
     kTypeDouble, ParamStyle::kContinuous, 0.5, 0.,   1.,  0.01, "dB", ParamUnit::kNone,    ParamShown::kLowBandGain,  {}},
    {ParamRole::kInput,        "Input",         "input",         true,  3,  10,
     kTypeDouble, ParamStyle::kContinuous, 0.,  -24., 24., 0.01, "dB", ParamUnit::kDecibel, ParamShown::kValue,        {}},
    {ParamRole::kOutput,       "Output",        "output",        true,  4,  10,
     kTypeDouble, ParamStyle::kContinuous, 0.,  -24., 24., 0.01, "dB", ParamUnit::kDecibel, ParamShown::kValue,        {}},
    {ParamRole::kBypass,       "Bypass",        "bypass",        true,  77, 1,
     kTypeInt,    ParamStyle::kToggle,     0.,  0.,   1.,  1.,   "",   ParamUnit::kNone,    ParamShown::kValue,        {"Off", "On"}},
    {ParamRole::kMute,         "Mute",          "mute",          true,  85, 1,
     kTypeInt,    ParamStyle::kToggle,     0.,  0.,   1.,  1.,   "",   ParamUnit::kNone,    ParamShown::kValue,        {"Off", "On"}},
    {ParamRole::kGlobalBypass, "Global Bypass", "global_bypass", false, 93, 0,
     kTypeInt,    ParamStyle::kToggle,     0.,  0.,   1.,  1.,   "",   ParamUnit::kNone,    ParamShown::kValue,        {"Off", "On"}},
    // clang-format on
};

// One parameter in use: its row, and the track it belongs to (-1 for the
// master section).
struct QuorParam {
  int mIdx = -1;
  int mTrack = -1;
  const ParamRow* mRow = nullptr;

  // "High Gain 3", "Mode".
  std::string Name() const {
    return mTrack < 0 ? mRow->mName : mRow->mName + (" " + std::to_string(mTrack + 1));
  }
  // "high_gain_3", "mode".
  std::string Symbol() const {
    return mTrack < 0 ? mRow->mSymbol : mRow->mSymbol + ("_" + std::to_string(mTrack + 1));
  }
};

namespace quor_params_detail {

constexpr std::size_t CountParams() {
  std::size_t n = 0;
  for (const ParamRow& row : kParamRows)
    n += row.mPerTrack ? kParamTracks : 1;
  return n;
}

constexpr auto ExpandRows() {
  std::array<QuorParam, CountParams()> params{};
  std::size_t i = 0;
  for (const ParamRow& row : kParamRows) {
    if (!row.mPerTrack) {
      params[i++] = {row.mFirstIdx, -1, &row};
      continue;
    }
    for (int t = 0; t < kParamTracks; ++t)
      params[i++] = {row.mFirstIdx + t * row.mTrackStride, t, &row};
  }
  return params;
}

}  // namespace quor_params_detail

// Every parameter in use, row by row, track by track.
inline constexpr auto kQuorParams = quor_params_detail::ExpandRows();
static_assert(kQuorParams.size() == 59);

namespace quor_params_detail {

// For each index, its entry in kQuorParams, or -1.
constexpr auto PositionsByIndex() {
  std::array<int, kNumParams> positions{};
  positions.fill(-1);
  for (std::size_t i = 0; i < kQuorParams.size(); ++i) {
    const int idx = kQuorParams[i].mIdx;
    // A row that overlaps another or leaves the index range does not compile.
    if (idx < 0 || idx >= kNumParams || positions[static_cast<std::size_t>(idx)] >= 0) throw idx;
    positions[static_cast<std::size_t>(idx)] = static_cast<int>(i);
  }
  return positions;
}
inline constexpr auto kPositions = PositionsByIndex();

}  // namespace quor_params_detail

// The index of a role's parameter (of a track, for a track's role).
constexpr int ParamIndex(ParamRole role, int track = 0) {
  for (const ParamRow& row : kParamRows)
    if (row.mRole == role) return row.mFirstIdx + (row.mPerTrack ? track * row.mTrackStride : 0);
  return -1;
}

// The parameter at an index, or null for an unused one.
constexpr const QuorParam* FindParam(int idx) {
  if (idx < 0 || idx >= kNumParams) return nullptr;
  const int position = quor_params_detail::kPositions[static_cast<std::size_t>(idx)];
  return position < 0 ? nullptr : &kQuorParams[static_cast<std::size_t>(position)];
}
