// What the LV2 adapter needs to know of a plug-in beyond the framework: its
// URIs, its ports in index order, and the texts its state keeps. The plug-in
// describes itself once; the adapter, its interface and the bundle's Turtle
// files are all made from the description.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/ieffect_base.h"

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

struct Lv2Description {
  std::string mUri;
  std::string mUiUri;
  std::string mName;
  std::string mVendor;
  // The bundle's files beside manifest.ttl.
  std::string mBinary;        // the shared object, plug-in and UI
  std::string mPluginTurtle;  // the plug-in's description
  std::string mUiTurtle;      // the UI's description
  int mMinorVersion = 0;
  int mMicroVersion = 0;
  std::vector<Lv2Port> mPorts;

  // A new plug-in, with its editor.
  std::function<std::unique_ptr<IEffectBase>()> mMake;
  // The plug-in's output values, 0..1, read after every run.
  std::function<float(IEffectBase&, int output)> mReadOutput;
  // The texts the state extension keeps (URIs of their keys), read and
  // written on a host thread; a text missing from a state takes its default.
  std::vector<std::string> mTextKeys;
  std::function<std::string(IEffectBase&, int text)> mGetText;
  std::function<void(IEffectBase&, int text, const std::string& value)> mSetText;
  std::function<std::string(int text)> mDefaultText;
};
