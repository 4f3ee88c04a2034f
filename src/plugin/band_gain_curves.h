// What an equaliser setting does, as hosts show it: the gain in dB that the
// setting gives its band, from the band filters' own coefficients.
#pragma once

#include "framework/display_curve.h"
#include "plugin/quor_params.h"

// Decimals of a band's gain as hosts show it, "+3.2": each step of 0.01 of
// a setting moves its band by 0.14 dB or more, so every step shows a text
// of its own.
inline constexpr int kBandGainDecimals = 1;

// The curve a display goes through; null for a value shown as it is.
const DisplayCurve* ShownCurve(ParamShown shown);

// The frequency (Hz) where the mid band's bell peaks or dips.
double BellCentreHz();
