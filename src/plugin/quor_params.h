// QUOR's parameters as data: one row per kind of parameter, of the master
// section or of every track. The rows make the parameters, map a change to
// what it acts on, bind the editor's controls and describe the plug-in to
// the formats that need a description; adding a parameter is one row.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "framework/iparam.h"

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

struct ParamRow {
  ParamRole mRole;
  // A track's parameter is named this, a space and the track's number.
  const char* mName;
  bool mPerTrack;
  // The master section's index, or track 1's; each further track's lies
  // mTrackStride beyond.
  int mFirstIdx;
  int mTrackStride;
  EParamType mType;  // kTypeDouble (a continuous value) or kTypeInt (a switch)
  double mDefault;
  double mMin;
  double mMax;
  double mStep;
  const char* mUnit;
};

inline constexpr int kParamTracks = 8;
// The host sees every index up to here; the unused ones keep a fresh
// parameter's state and are still saved and restored.
inline constexpr int kNumParams = 94;

inline constexpr ParamRow kParamRows[] = {
    // role, name, per track, first index, stride, type, default, min, max, step, unit
    {ParamRole::kMode, "Mode", false, 76, 0, kTypeInt, 0., 0., 1., 1., ""},
    {ParamRole::kMasterOutput, "Master Output", false, 75, 0, kTypeDouble, 0., -24., 24., 0.01,
     "%"},
    {ParamRole::kHighGain, "High Gain", true, 0, 10, kTypeDouble, 0.5, 0., 1., 0.01, "%"},
    {ParamRole::kMidGain, "Mid Gain", true, 1, 10, kTypeDouble, 0.5, 0., 1., 0.01, "%"},
    {ParamRole::kLowGain, "Low Gain", true, 2, 10, kTypeDouble, 0.5, 0., 1., 0.01, "%"},
    {ParamRole::kInput, "Input", true, 3, 10, kTypeDouble, 0., -24., 24., 0.01, "%"},
    {ParamRole::kOutput, "Output", true, 4, 10, kTypeDouble, 0., -24., 24., 0.01, "%"},
    {ParamRole::kBypass, "Bypass", true, 77, 1, kTypeInt, 0., 0., 1., 1., ""},
    {ParamRole::kMute, "Mute", true, 85, 1, kTypeInt, 0., 0., 1., 1., ""},
    {ParamRole::kGlobalBypass, "Global Bypass", false, 93, 0, kTypeInt, 0., 0., 1., 1., ""},
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
