// A plug-in as LV2 sees it: its URIs, its ports in index order, and the keys
// of the texts its state keeps, all made from the plug-in's descriptor. The
// adapter, its interface and the bundle's Turtle files read it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "framework/plug_descriptor.h"

struct Lv2Port {
  enum class Kind {
    kAudioIn,     // mIndex: the plug-in's input channel
    kAudioOut,    // mIndex: the plug-in's output channel
    kControlIn,   // mIndex: the parameter, its value in the parameter's own units
    kControlOut,  // mIndex: the plug-in's output value (a meter)
    kLatency,     // the plug-in's latency in frames
  };
  enum class Style { kContinuous, kToggle, kChoice };
  enum class Unit { kNone, kDecibel };

  Lv2Port(Kind kind, std::string symbol, std::string name, int index)
      : mKind(kind), mSymbol(std::move(symbol)), mName(std::move(name)), mIndex(index) {}

  Kind mKind;
  std::string mSymbol;  // the identity hosts save: never changes
  std::string mName;
  int mIndex = 0;
  // Audio ports: the stereo group the port belongs to, and whether it is the
  // group's left channel.
  std::string mGroup;
  bool mLeft = false;
  // Control ports.
  double mDefault = 0.;
  double mMin = 0.;
  double mMax = 1.;
  Style mStyle = Style::kContinuous;
  Unit mUnit = Unit::kNone;
  std::vector<std::string> mChoices;  // the names of the values 0, 1, ...
  std::string mComment;               // what the control does, when its value does not say
};

// A factory preset as the bundle lists it: its URI, its label and a value
// for each control input port, by symbol.
struct Lv2Preset {
  std::string mUri;
  std::string mLabel;
  std::vector<std::pair<std::string, double>> mPortValues;
};

struct Lv2Description {
  std::string mUri;
  std::string mUiUri;
  std::string mName;
  std::string mVendor;
  // The bundle's files beside manifest.ttl.
  std::string mBinary;         // the shared object, plug-in and UI
  std::string mPluginTurtle;   // the plug-in's description
  std::string mUiTurtle;       // the UI's description
  std::string mPresetsTurtle;  // the factory presets
  int mMinorVersion = 0;
  int mMicroVersion = 0;
  std::vector<Lv2Port> mPorts;
  std::vector<Lv2Preset> mPresets;
  // The URIs of the keys the state keeps the plug-in's texts under, in the
  // descriptor's order.
  std::vector<std::string> mTextKeys;
  const PlugDescriptor* mPlug = nullptr;
};

// The description of a plug-in, made once for each descriptor; both outlive
// every instance.
const Lv2Description& Lv2DescriptionOf(const PlugDescriptor& plug);
