#include <gtest/gtest.h>

#include <limits>

#include "framework/iparam.h"

TEST(Param, BoolShowsWordsWithoutLabel) {
  IParam param;
  param.InitBool("Switch", false, "dB");
  EXPECT_EQ(param.GetDisplayForHost(), "off");
  EXPECT_STREQ(param.GetLabelForHost(), "");
  param.Set(1.);
  EXPECT_EQ(param.GetDisplayForHost(), "on");
  EXPECT_STREQ(param.GetLabelForHost(), "");
  double value = -1.;
  EXPECT_FALSE(param.MapDisplayText("On", &value));  // case-sensitive
  EXPECT_EQ(value, -1.);
  EXPECT_TRUE(param.MapDisplayText("off", &value));
  EXPECT_EQ(value, 0.);
}

TEST(Param, IntRoundsToNearestStep) {
  IParam param;
  param.InitInt("Count", 0, 0, 10);
  param.SetNormalized(0.96);
  EXPECT_EQ(param.Value(), 10.);
  param.SetNormalized(0.94);
  EXPECT_EQ(param.Value(), 9.);
  param.SetNormalized(1.5);
  EXPECT_EQ(param.Value(), 10.);  // capped at the maximum
}

TEST(Param, DoubleKeepsOffGridValuesAndShowsStepPrecision) {
  IParam param;
  param.InitDouble("Gain", 0., 0., 10., 0.1);
  EXPECT_EQ(param.GetPrecision(), 1);
  param.SetNormalized(0.3333);
  EXPECT_DOUBLE_EQ(param.Value(), 3.333);
  EXPECT_EQ(param.GetDisplayForHost(3.5, false), "3.5");
  param.SetNormalized(-0.5);  // normalised values are clamped into 0..1
  EXPECT_EQ(param.Value(), 0.);
  param.SetNormalized(-std::numeric_limits<double>::infinity());
  EXPECT_EQ(param.Value(), 0.);
  param.SetNormalized(std::numeric_limits<double>::infinity());
  EXPECT_EQ(param.Value(), 10.);

  IParam hundredths;
  hundredths.InitDouble("In", 0., -24., 24., 0.01, "%");
  EXPECT_EQ(hundredths.GetPrecision(), 2);
  EXPECT_EQ(hundredths.GetDisplayForHost(), "0.00");
  EXPECT_STREQ(hundredths.GetLabelForHost(), "%");
}

TEST(Param, ShapeMapsBothWays) {
  IParam param;
  param.InitDouble("Freq", 0., 0., 100., 1., "", "", 2.);
  EXPECT_DOUBLE_EQ(param.GetNonNormalized(0.5), 25.);
  param.SetNormalized(0.5);
  EXPECT_DOUBLE_EQ(param.GetNormalized(), 0.5);
  param.SetShape(0.);
  EXPECT_EQ(param.GetShape(), 2.);
}

TEST(Param, InitialisersRaiseTheMaximumAndKeepTheFirstKind) {
  IParam same;
  same.InitInt("I", 5, 5, 5);
  EXPECT_EQ(same.GetMax(), 6.);
  IParam single;
  single.InitEnum("E", 0, 1);
  EXPECT_EQ(single.GetMax(), 1.);
  same.InitDouble("D", 0., 0., 1., 0.1);
  EXPECT_EQ(same.Type(), kTypeInt);
}

TEST(Param, EmptyDisplayTextFallsBackToNumber) {
  IParam param;
  param.InitEnum("E", 0, 3);
  param.SetDisplayText(0, "");
  param.SetDisplayText(1, "one");
  EXPECT_EQ(param.GetDisplayForHost(), "0");
  param.Set(1.);
  EXPECT_EQ(param.GetDisplayForHost(), "one");
}

TEST(Param, UninitialisedParameterRoundsToZeroOrOne) {
  IParam param;
  EXPECT_EQ(param.Type(), kTypeNone);
  param.SetNormalized(0.4);
  EXPECT_EQ(param.Value(), 0.);
  param.SetNormalized(0.6);
  EXPECT_EQ(param.Value(), 1.);
}

TEST(Param, HostileValuesStayDefined) {
  IParam param;
  param.InitDouble("Gain", 0., -24., 24., 0.01);
  param.Set(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(param.Value(), -24.);
  EXPECT_EQ(param.GetDisplayForHost(1e300, false).size(), 304u);
  IParam ints;
  ints.InitInt("I", 0, 0, 1);
  EXPECT_EQ(ints.GetDisplayForHost(1e300, false), "2147483647");
  const std::string longName(100, 'x');
  ints.InitInt(longName.c_str(), 0, 0, 1);
  EXPECT_EQ(std::string(ints.GetNameForHost()).size(), 31u);
}

namespace {

// Rises steeply enough over 0..1 that every hundredth shows a text of its own.
class CubicCurve final : public DisplayCurve {
 public:
  double Shown(double value) const override {
    const double x = value - 0.5;
    return 20. * x + 40. * x * x * x;
  }
};

// A setting shown as the gain it gives, one decimal and signed.
class CurveParam : public ::testing::Test {
 protected:
  CurveParam() {
    param.InitDouble("Band", 0.5, 0., 1., 0.01, "dB");
    param.SetDisplayCurve(&curve, 1);
    param.ShowSign();
  }
  const CubicCurve curve;
  IParam param;
};

double Typed(const IParam& param, const char* text) {
  double value = -99.;
  return param.ValueForText(text, &value) ? value : -99.;
}

}  // namespace

TEST_F(CurveParam, ShowsSignedNumbersAndFlatAsPlainZero) {
  EXPECT_EQ(param.GetDisplayForHost(), "0.0");
  EXPECT_EQ(param.GetDisplayForHost(0.499, false), "0.0");  // not "-0.0"
  EXPECT_EQ(param.GetDisplayForHost(1., false), "+15.0");
  EXPECT_EQ(param.GetDisplayForHost(0., true), "-15.0");  // normalised
  // Beyond the range, even not a number, the curve shows its ends.
  EXPECT_EQ(param.GetDisplayForHost(7., false), "+15.0");
  EXPECT_EQ(param.GetDisplayForHost(std::numeric_limits<double>::quiet_NaN(), true), "-15.0");
}

TEST_F(CurveParam, TextsNameTheirValuesExactly) {
  // Every value on the step grid comes back, bit for bit, from its text.
  for (int k = 0; k <= 100; ++k) {
    const double value = k / 100.;
    EXPECT_EQ(Typed(param, param.GetDisplayForHost(value, false).c_str()), value) << k;
  }
  EXPECT_EQ(Typed(param, "0"), 0.5);
  EXPECT_EQ(Typed(param, "+15 dB"), 1.);
  EXPECT_EQ(Typed(param, "+40"), 1.);  // beyond what the range shows: its end
  EXPECT_EQ(Typed(param, "-40"), 0.);
  // Typed coarser than shown, it shows as typed; finer, it keeps the finer number.
  EXPECT_EQ(param.GetDisplayForHost(Typed(param, "3"), false), "+3.0");
  EXPECT_NEAR(curve.Shown(Typed(param, "3.14159")), 3.14159, 5e-6);
}

TEST(Param, TypedNumbersTakeTheirLabelAndAnythingElseIsRefused) {
  IParam param;
  param.InitDouble("Gain", 0., -24., 24., 0.01, "dB");
  EXPECT_EQ(Typed(param, "6"), 6.);
  EXPECT_EQ(Typed(param, " +6 dB "), 6.);
  EXPECT_EQ(Typed(param, "-3.5DB"), -3.5);
  EXPECT_EQ(Typed(param, ".5"), 0.5);
  EXPECT_EQ(Typed(param, "100"), 24.);  // limited to the range
  EXPECT_EQ(Typed(param, "-1e300"), -24.);
  for (const char* refused : {"", " ", "abc", "6 %", "6 dB more", "dB", "+-3", "--3", "inf", "nan",
                              "1e999", "0x10", "6,5"}) {
    EXPECT_EQ(Typed(param, refused), -99.) << refused;
  }
  IParam unlabelled;
  unlabelled.InitDouble("Amount", 0., 0., 1., 0.01);
  EXPECT_EQ(Typed(unlabelled, "0.25"), 0.25);
  EXPECT_EQ(Typed(unlabelled, "0.25 dB"), -99.);
}

TEST(Param, SwitchesTakeTheirWordsInAnyCaseAndTheirNumbers) {
  IParam param;
  param.InitInt("Mute", 0, 0, 1);
  param.SetDisplayText(0, "Off");
  param.SetDisplayText(1, "On");
  EXPECT_EQ(Typed(param, "on"), 1.);
  EXPECT_EQ(Typed(param, " OFF "), 0.);
  EXPECT_EQ(Typed(param, "1"), 1.);
  EXPECT_EQ(Typed(param, "0.7"), 1.);  // to the nearest step
  EXPECT_EQ(Typed(param, "5"), 1.);
  EXPECT_EQ(Typed(param, "maybe"), -99.);
  IParam cased;  // the exact text wins over one that differs in case
  cased.InitEnum("Case", 0, 2);
  cased.SetDisplayText(0, "a");
  cased.SetDisplayText(1, "A");
  EXPECT_EQ(Typed(cased, "A"), 1.);
  EXPECT_EQ(Typed(cased, "a"), 0.);
}
