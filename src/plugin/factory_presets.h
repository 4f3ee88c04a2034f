// QUOR's factory presets: starting points a mixing engineer reaches for,
// each named for what it does to the sound. Every strip gets the same
// settings; a preset leaves the names alone. The tests measure each one
// through the chain and hold it to its name.
#pragma once

#include <vector>

#include "framework/plug_descriptor.h"

// A strip as an engineer sets it: gains in dB, each band by the gain it gets
// (the top of the high shelf, the bottom of the low shelf, the centre of the
// bell), which the preset turns into the nearest setting.
struct StripSettings {
  double mInputDb = 0.;
  double mOutputDb = 0.;
  double mHighDb = 0.;
  double mMidDb = 0.;
  double mLowDb = 0.;
};

struct QuorPreset {
  const char* mName;
  const char* mSymbol;
  StripSettings mStrip;
  double mMasterDb = 0.;
  int mMode = 0;  // 0: MIX, 1: 16 OUT
};

// The first is the console at its defaults: a new instance holds it.
inline constexpr QuorPreset kQuorPresets[] = {
    // clang-format off
    // name, symbol, {input, output, high, mid, low}, master, mode
    {"Console Defaults",   "console_defaults",  {},                                   0., 0},
    // The drive so low that the curve is a straight line, and the output
    // making up for it and for the make-up gain: what goes in comes out.
    {"Clean Unity",        "clean_unity",       {-24., 22.93, 0., 0., 0.},            0., 0},
    // The others make up for their drive: with the equaliser flat, a sine at
    // -20 dBFS comes out as it went in, and the bands are what they change.
    {"Gentle Glue",        "gentle_glue",       {2., -2.86, 0.5, 0., 0.},             0., 0},
    {"Drum Punch",         "drum_punch",        {8., -8.57, 3., -1.5, 3.5},           0., 0},
    {"Vocal Presence",     "vocal_presence",    {2., -2.86, 2.5, 3., -3.},            0., 0},
    {"Bass Tightening",    "bass_tightening",   {6., -6.69, -2., 2., -3.},            0., 0},
    // Each track on its own pair of outputs, clean and at unity, for stems.
    {"Stems Pass-Through", "stems_pass_through", {-24., 22.93, 0., 0., 0.},           0., 1},
    {"Warm Tape Drive",    "warm_tape_drive",   {12., -12.24, -3., 0., 1.5},           0., 0},
    {"Mastering Polish",   "mastering_polish",  {-2., 1.04, 1., -0.5, 0.7},          0., 0},
    // clang-format on
};

// The presets as the descriptor carries them: a value for every index.
std::vector<FactoryPreset> QuorFactoryPresets();
