// A parameter whose host display shows what a value does rather than the
// value itself: a setting 0..1 shown as the decibels it gives. The plug-in
// supplies the curve; texts typed in the shown unit map back through it.
#pragma once

class DisplayCurve {
 public:
  virtual ~DisplayCurve() = default;

  // The number shown for a value within the parameter's range; it rises
  // with the value.
  virtual double Shown(double value) const = 0;

  // The value in [lo, hi] that shows a number within `tolerance` of `shown`,
  // the one with the fewest decimals among them, so that the text of a value
  // with few decimals names that value exactly; a number beyond what the
  // range shows gives the nearer end.
  double ValueFor(double shown, double tolerance, double lo, double hi) const;

 private:
  // The first value from which the curve shows `shown` or more.
  double FirstShowing(double shown, double lo, double hi) const;
  // The last value up to which it shows `shown` or less.
  double LastShowing(double shown, double lo, double hi) const;
};
