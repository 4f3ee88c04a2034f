#include "framework/iparam.h"

#include <algorithm>
#include <cctype>
#include <charconv>
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

std::string_view Trimmed(std::string_view text) {
  const auto begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// "0.0", "-0.00", "+0": a number that rounded to zero.
bool PrintsAsZero(std::string_view text) {
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  return !text.empty() && text.find_first_not_of("0.") == std::string_view::npos;
}

// The decimals a number was typed with, the exponent counted: "2.50" has
// two, "25e-1" one, "2.5e3" none.
int TypedDecimals(std::string_view number) {
  const auto exponentAt = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, exponentAt);
  const auto dot = mantissa.find('.');
  long decimals = dot == std::string_view::npos ? 0 : static_cast<long>(mantissa.size() - dot - 1);
  if (exponentAt != std::string_view::npos) {
    std::string_view exponent = number.substr(exponentAt + 1);
    if (!exponent.empty() && exponent[0] == '+') exponent.remove_prefix(1);
    long shift = 0;
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), shift);
    decimals -= std::clamp(shift, -100L, 100L);
  }
  return static_cast<int>(std::clamp(decimals, 0L, 17L));
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

void IParam::SetDisplayCurve(const DisplayCurve* curve, int precision) {
  mDisplayCurve = curve;
  mDisplayPrecision = std::clamp(precision, 0, 6);
}

double IParam::Clamped(double value) const {
  // A value that is not a number (a corrupt chunk) must not reach the engine.
  return std::isnan(value) ? mMin : std::clamp(value, mMin, mMax);
}

void IParam::Set(double value) {
  Store(Clamped(value));
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
  // A curve is defined over the range alone.
  if (mDisplayCurve) value = mDisplayCurve->Shown(Clamped(value));
  if (mNegateDisplay) value = -value;
  return FormatNumber(value);
}

std::string IParam::FormatNumber(double value) const {
  char buffer[512];
  if (mDisplayPrecision == 0)
    std::snprintf(buffer, sizeof buffer, mShowSign ? "%+d" : "%d", TruncateToInt(value));
  else
    std::snprintf(buffer, sizeof buffer, mShowSign ? "%+.*f" : "%.*f", mDisplayPrecision, value);
  // Flat is "0.0", neither a boost nor a cut.
  if (mShowSign && PrintsAsZero(buffer)) return buffer + 1;
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

bool IParam::ValueForText(std::string_view text, double* valueOut) const {
  const std::string_view typed = Trimmed(text);
  const DisplayText* named = nullptr;
  // The exact text first: two texts may differ only in case.
  for (const DisplayText& entry : mDisplayTexts)
    if (!named && !entry.mText.empty() && entry.mText == typed) named = &entry;
  for (const DisplayText& entry : mDisplayTexts)
    if (!named && !entry.mText.empty() && SameIgnoringCase(entry.mText, typed)) named = &entry;
  double value = 0.;
  if (named)
    value = named->mValue;
  else if (!ValueForNumber(typed, &value))
    return false;
  value = Clamped(value);
  if (mType != kTypeDouble) value = Clamped(std::floor(value / mStep + 0.5) * mStep);
  if (valueOut) *valueOut = value;
  return true;
}

bool IParam::ValueForNumber(std::string_view text, double* valueOut) const {
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  // One sign at most, and no words that read as numbers ("inf", "nan").
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.'))
    return false;
  double number = 0.;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number, std::chars_format::general);
  if (error != std::errc() || !std::isfinite(number)) return false;
  const int decimals = TypedDecimals(std::string_view(text.data(), stop));
  // After the number, its label or nothing.
  const std::string_view rest = Trimmed(std::string_view(stop, end));
  if (!rest.empty() && (mLabel.empty() || !SameIgnoringCase(rest, mLabel))) return false;
  if (negative) number = -number;
  if (mNegateDisplay) number = -number;
  if (mDisplayCurve) {
    // The precision typed, or the display's when it was typed more coarsely:
    // "3" names what shows as "+3.0".
    const double tolerance = 0.5 * std::pow(10., -std::max(decimals, mDisplayPrecision));
    number = mDisplayCurve->ValueFor(number, tolerance, mMin, mMax);
  }
  *valueOut = number;
  return true;
}

const char* IParam::GetLabelForHost() const {
  const char* text = GetDisplayText(TruncateToInt(Value()));
  return text[0] != '\0' ? "" : mLabel.c_str();
}

void IParam::GetBounds(double* minOut, double* maxOut) const {
  if (minOut) *minOut = mMin;
  if (maxOut) *maxOut = mMax;
}
