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
