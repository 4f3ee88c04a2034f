// One automatable parameter: its value in its own units, its bounds and
// shape, and the texts a host shows for it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/display_curve.h"

enum EParamType : std::int32_t {
  kTypeNone = 0,
  kTypeBool = 1,
  kTypeInt = 2,
  kTypeEnum = 3,
  kTypeDouble = 4,
};

class IParam {
 public:
  static constexpr int kMaxTextLen = 31;  // characters, without the terminating zero

  void InitBool(const char* name, bool defaultValue, const char* label = "",
                const char* group = "");
  void InitEnum(const char* name, int defaultValue, int nEnums, const char* label = "",
                const char* group = "");
  void InitInt(const char* name, int defaultValue, int minVal, int maxVal, const char* label = "",
               const char* group = "");
  void InitDouble(const char* name, double defaultValue, double minVal, double maxVal, double step,
                  const char* label = "", const char* group = "", double shape = 1.);

  void SetShape(double shape);
  void SetDisplayText(int value, const char* text);
  // Shows values as the curve's numbers with `precision` decimals; the curve
  // outlives the parameter.
  void SetDisplayCurve(const DisplayCurve* curve, int precision);
  // Shows a sign before every number that does not print as zero: "+3.2".
  void ShowSign() { mShowSign = true; }

  void Set(double value);
  void SetNormalized(double normalizedValue);
  // The value SetNormalized would set.
  double ValueForNormalized(double normalizedValue) const;
  // Hosts send anything: beyond 0..1 a parameter would leave its range, and
  // a value that is not a number counts as 0.
  static double ClampNormalized(double normalizedValue);

  double Value() const { return mValue.load(std::memory_order_relaxed); }
  bool Bool() const { return Value() >= 0.5; }
  int Int() const;
  EParamType Type() const { return mType; }
  double DBToAmp() const;

  double GetNormalized() const { return GetNormalized(Value()); }
  double GetNormalized(double nonNormalizedValue) const;
  double GetNonNormalized(double normalizedValue) const;

  // The text a host shows for a value (a normalised one when `normalized`).
  std::string GetDisplayForHost(double value, bool normalized, bool withDisplayText = true) const;
  std::string GetDisplayForHost(bool withDisplayText = true) const {
    return GetDisplayForHost(Value(), false, withDisplayText);
  }

  const char* GetDisplayText(int value) const;
  int GetNDisplayTexts() const { return static_cast<int>(mDisplayTexts.size()); }
  const char* GetDisplayTextAtIdx(int idx, double* valueOut = nullptr) const;
  bool MapDisplayText(const char* text, double* valueOut) const;
  // The value a text typed by a user names, within the range and on the
  // step grid, in the terms the display uses: one of the display texts in
  // any case, or a number as shown, with the label after it or not. False
  // for anything else, which changes nothing.
  bool ValueForText(std::string_view text, double* valueOut) const;

  const char* GetNameForHost() const { return mName.c_str(); }
  const char* GetLabelForHost() const;
  const char* GetParamGroupForHost() const { return mParamGroup.c_str(); }
  void GetBounds(double* minOut, double* maxOut) const;
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetStep() const { return mStep; }
  double GetShape() const { return mShape; }
  double GetDefault() const { return mDefault; }
  int GetPrecision() const { return mDisplayPrecision; }
  bool GetNegateDisplay() const { return mNegateDisplay; }
  void NegateDisplay() { mNegateDisplay = true; }

 private:
  struct DisplayText {
    int mValue;
    std::string mText;
  };

  void InitCommon(EParamType type, const char* name, const char* label, const char* group);
  void Store(double value) { mValue.store(value, std::memory_order_relaxed); }
  // The value within the range; one that is not a number is the minimum.
  double Clamped(double value) const;
  std::string FormatNumber(double value) const;
  bool ValueForNumber(std::string_view text, double* valueOut) const;

  EParamType mType = kTypeNone;
  // Written under the plug-in's mutex, read from any thread: host threads
  // read values and their texts without waiting for the audio thread.
  std::atomic<double> mValue{0.};
  double mMin = 0.;
  double mMax = 1.;
  double mStep = 1.;
  double mShape = 1.;
  double mDefault = 0.;
  int mDisplayPrecision = 0;
  std::string mName;
  std::string mLabel;
  std::string mParamGroup;
  bool mNegateDisplay = false;
  bool mShowSign = false;
  std::vector<DisplayText> mDisplayTexts;
  const DisplayCurve* mDisplayCurve = nullptr;  // not owned
};
