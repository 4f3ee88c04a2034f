#include "framework/iparam.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

std::string BoundedText(const char* text) {
  if (!text) return {};
  return std::string(text, strnlen(text, IParam::kMaxTextLen));
}

// Truncation toward zero that stays defined for values outside the int range.
int TruncateToInt(double value) {
  if (!(value == value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  if (value <= static_cast<double>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

}  // namespace

void IParam::InitCommon(EParamType type, const char* name, const char* label, const char* group) {
  if (mType == kTypeNone) mType = type;
  mName = BoundedText(name);
  mLabel = BoundedText(label);
  mParamGroup = BoundedText(group);
}

void IParam::InitBool(const char* name, bool defaultValue, const char* label, const char* group) {
  InitCommon(kTypeBool, name, label, group);
  mDefault = defaultValue ? 1. : 0.;
  Store(mDefault);
  mMin = 0.;
  mMax = 1.;
  mStep = 1.;
  mShape = 1.;
  mDisplayPrecision = 0;
  SetDisplayText(0, "off");
  SetDisplayText(1, "on");
}

void IParam::InitEnum(const char* name, int defaultValue, int nEnums, const char* label,
                      const char* group) {
  InitCommon(kTypeEnum, name, label, group);
  mDefault = defaultValue;
  Store(mDefault);
  mMin = 0.;
  mMax = std::max(static_cast<double>(nEnums) - 1., 1.);
  mStep = 1.;
  mShape = 1.;
  mDisplayPrecision = 0;
}

void IParam::InitInt(const char* name, int defaultValue, int minVal, int maxVal, const char* label,
                     const char* group) {
  InitCommon(kTypeInt, name, label, group);
  mDefault = defaultValue;
  Store(mDefault);
  mMin = minVal;
  mMax = std::max(static_cast<double>(maxVal), static_cast<double>(minVal) + 1.);
  mStep = 1.;
  mShape = 1.;
  mDisplayPrecision = 0;
}

void IParam::InitDouble(const char* name, double defaultValue, double minVal, double maxVal,
                        double step, const char* label, const char* group, double shape) {
  InitCommon(kTypeDouble, name, label, group);
  mDefault = defaultValue;
  Store(mDefault);
  mMin = minVal;
  mMax = std::max(maxVal, minVal + step);
  mStep = step;
  // The smallest number of decimals that shows the step exactly.
  mDisplayPrecision = 6;
  double scaled = step;
  for (int p = 0; p <= 5; ++p) {
    if (scaled == std::floor(scaled)) {
      mDisplayPrecision = p;
      break;
    }
    scaled *= 10.;
  }
  SetShape(shape);
}

void IParam::SetShape(double shape) {
  if (shape != 0.) mShape = shape;
}

void IParam::SetDisplayText(int value, const char* text) {
  mDisplayTexts.push_back({value, BoundedText(text)});
}

void IParam::Set(double value) {
  // A value that is not a number (a corrupt chunk) must not reach the engine.
  Store(std::isnan(value) ? mMin : std::clamp(value, mMin, mMax));
}

double IParam::ClampNormalized(double normalizedValue) {
  return std::isnan(normalizedValue) ? 0. : std::clamp(normalizedValue, 0., 1.);
}

double IParam::ValueForNormalized(double normalizedValue) const {
  double value = GetNonNormalized(ClampNormalized(normalizedValue));
  if (mType != kTypeDouble) value = std::floor(value / mStep + 0.5) * mStep;
  return std::min(value, mMax);
}

void IParam::SetNormalized(double normalizedValue) {
  Store(ValueForNormalized(normalizedValue));
}

int IParam::Int() const {
  return TruncateToInt(Value());
}

// The framework's own conversion, an exponential. The plug-in's audio path
// converts with pow(10, dB / 20) instead (engine/gain.h): the two differ in
// the last bits, and each must stay as it is for its outputs to stay exact.
double IParam::DBToAmp() const {
  return std::exp(Value() * 0.1151292546497);
}

double IParam::GetNormalized(double nonNormalizedValue) const {
  const double clamped = std::clamp(nonNormalizedValue, mMin, mMax);
  return std::pow((clamped - mMin) / (mMax - mMin), 1. / mShape);
}

double IParam::GetNonNormalized(double normalizedValue) const {
  return mMin + (mMax - mMin) * std::pow(normalizedValue, mShape);
}

std::string IParam::GetDisplayForHost(double value, bool normalized, bool withDisplayText) const {
  if (normalized) value = GetNonNormalized(value);
  if (withDisplayText) {
    const char* text = GetDisplayText(TruncateToInt(value));
    if (text[0] != '\0') return text;
  }
  if (mNegateDisplay) value = -value;
  char buffer[512];
  if (mDisplayPrecision == 0)
    std::snprintf(buffer, sizeof buffer, "%d", TruncateToInt(value));
  else
    std::snprintf(buffer, sizeof buffer, "%.*f", mDisplayPrecision, value);
  return buffer;
}

const char* IParam::GetDisplayText(int value) const {
  for (const DisplayText& entry : mDisplayTexts)
    if (entry.mValue == value) return entry.mText.c_str();
  return "";
}

const char* IParam::GetDisplayTextAtIdx(int idx, double* valueOut) const {
  if (idx < 0 || idx >= GetNDisplayTexts()) return "";
  const DisplayText& entry = mDisplayTexts[static_cast<std::size_t>(idx)];
  if (valueOut) *valueOut = entry.mValue;
  return entry.mText.c_str();
}

bool IParam::MapDisplayText(const char* text, double* valueOut) const {
  if (!text) return false;
  for (const DisplayText& entry : mDisplayTexts) {
    if (entry.mText == text) {
      if (valueOut) *valueOut = entry.mValue;
      return true;
    }
  }
  return false;
}

const char* IParam::GetLabelForHost() const {
  const char* text = GetDisplayText(TruncateToInt(Value()));
  return text[0] != '\0' ? "" : mLabel.c_str();
}

void IParam::GetBounds(double* minOut, double* maxOut) const {
  if (minOut) *minOut = mMin;
  if (maxOut) *maxOut = mMax;
}
