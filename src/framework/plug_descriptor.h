// What a plug-in is, once, for every format: its identity, its parameters,
// its audio channels, the values it puts out and the texts its state keeps.
// The plug-in builds it from its own tables; each format adapter publishes
// it in its own terms (the LV2 bundle's Turtle is written from it), and the
// tests check every format against it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/iparam.h"

class DisplayCurve;
class IEffectBase;

// How a host shows a control: a range, a switch, or a choice of named values.
enum class ParamStyle { kContinuous, kToggle, kChoice };
// What a value means, for formats that describe their controls.
enum class ParamUnit { kNone, kDecibel };

struct ParamDescriptor {
  int mId = 0;          // the parameter's index: its identity in every format
  std::string mSymbol;  // for formats that name controls: saved with sessions, never changes
  std::string mName;    // as hosts show it
  int mTrack = -1;      // the strip it belongs to, or -1
  EParamType mType = kTypeDouble;  // kTypeDouble (continuous) or kTypeInt (whole steps)
  ParamStyle mStyle = ParamStyle::kContinuous;
  double mDefault = 0.;  // default, range and step in the parameter's own units
  double mMin = 0.;
  double mMax = 1.;
  double mStep = 0.01;
  std::string mLabel;  // the unit a host shows after a value; none for named values
  ParamUnit mUnit = ParamUnit::kNone;
  std::vector<std::string> mChoices;  // the names of the values 0, 1, ...
  // What a host's display shows for a value, when not the value itself: the
  // curve and its decimals (signed).
  const DisplayCurve* mCurve = nullptr;
  int mCurveDecimals = 0;
  std::string mComment;  // what the control does, where its value does not say
  // An index kept for saved sessions that acts on nothing: no format that can
  // leave it out publishes it.
  bool mUnused = false;
  bool mHostBypass = false;  // the switch a host may show as its own bypass
};

// Two channels that travel together, numbered from the plug-in's first.
struct AudioPair {
  std::string mName;    // "Track 3"
  std::string mSymbol;  // "track_in_3": never changes
};

// A value the plug-in puts out for hosts to show (a meter), 0..1.
struct OutputValue {
  std::string mSymbol;
  std::string mName;
};

// A starting point the plug-in ships: a value for every parameter. The texts
// the state keeps (a track's name) are the user's: a preset leaves them.
struct FactoryPreset {
  std::string mName;            // as hosts list it: at most 24 characters, a VST2 program's
  std::string mSymbol;          // for formats that name presets: never changes
  std::vector<double> mValues;  // every index, in index order, in the parameter's own units
};

// A text the plug-in's state keeps beside its parameters (a track's name).
struct TextState {
  std::string mSymbol;
  std::string mDefault;
};

struct PlugIdentity {
  std::string mName;
  std::string mVendor;
  int mVersion = 0;  // packed: major << 16 | minor << 8 | revision
  // Each format's identity, saved with sessions: never changes.
  std::int32_t mVst2Id = 0;
  std::int32_t mVst2VendorId = 0;
  std::string mLv2Uri;
  std::string mClapId;
  std::array<std::uint8_t, 16> mVst3ComponentId{};
  std::array<std::uint8_t, 16> mVst3ControllerId{};
};

struct PlugDescriptor {
  PlugIdentity mIdentity;
  std::vector<ParamDescriptor> mParams;  // every index, in index order
  std::vector<AudioPair> mInputs;
  std::vector<AudioPair> mOutputs;
  std::vector<OutputValue> mOutputValues;
  std::vector<TextState> mTexts;
  // Its first preset is the parameters' defaults: a new instance holds it.
  std::vector<FactoryPreset> mPresets;
  bool mHasEditor = false;
  // A new plug-in with its editor.
  std::function<std::unique_ptr<IEffectBase>()> mMake;

  int NInChannels() const { return 2 * static_cast<int>(mInputs.size()); }
  int NOutChannels() const { return 2 * static_cast<int>(mOutputs.size()); }
  // The parameters a format publishes, in index order.
  std::vector<const ParamDescriptor*> UsedParams() const {
    std::vector<const ParamDescriptor*> used;
    for (const ParamDescriptor& param : mParams)
      if (!param.mUnused) used.push_back(&param);
    return used;
  }
};

// A class ID written as hosts show it: 32 hexadecimal digits.
inline std::array<std::uint8_t, 16> ClassIdFromHex(const char (&hex)[33]) {
  std::array<std::uint8_t, 16> id{};
  const auto digit = [](char c) { return c <= '9' ? c - '0' : (c & ~0x20) - 'A' + 10; };
  for (std::size_t i = 0; i < id.size(); ++i)
    id[i] = static_cast<std::uint8_t>(digit(hex[2 * i]) << 4 | digit(hex[2 * i + 1]));
  return id;
}
