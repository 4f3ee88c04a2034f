#include "engine/band_filters.h"

#include <cmath>
#include <complex>
#include <numbers>

// Every coefficient is a sum of fitted constants times monomials in F and g.
// Each monomial is one product of F2, g2, F, g; the terms are added left to
// right in a fixed order so that every build computes the same bits.

void HighShelf::Calc(double sampleRate, double g) {
  const double f = sampleRate;
  const double f2 = f * f;
  const double g2 = g * g;
  b0 = 6.81147611116674e-10 * (f2 * g2) + -9.90879243374448e-10 * (f2 * g) +
       -5.68570106117114e-11 * f2 + -2.42315123226797e-06 * f + -0.00351832443758613;
  b1 = -1.36229522223335e-09 * (f2 * g2) + 1.9817584867489e-09 * (f2 * g) +
       1.13714021223423e-10 * f2 + -0.00703664887517225;
  b2 = 6.81147611116674e-10 * (f2 * g2) + -9.90879243374448e-10 * (f2 * g) +
       -5.68570106117114e-11 * f2 + 2.42315123226797e-06 * f + -0.00351832443758613;
  a0 = -6.81161234068896e-10 * (f2 * g2) + 3.71429601811122e-10 * (f2 * g) +
       3.66592877326021e-10 * f2 + 2.42319969529262e-06 * f + 0.00351839480407488;
  a1 = 1.36232246813779e-09 * (f2 * g2) + -7.42859203622244e-10 * (f2 * g) +
       -7.33185754652041e-10 * f2 + 0.00703678960814975;
  a2 = -6.81161234068896e-10 * (f2 * g2) + 3.71429601811122e-10 * (f2 * g) +
       3.66592877326021e-10 * f2 + -2.42319969529262e-06 * f + 0.00351839480407488;
}

void MidBell::Calc(double sampleRate, double g) {
  const double f = sampleRate;
  const double f2 = f * f;
  const double g2 = g * g;
  b0 = -3.09641869633349e-10 * f2 + 3.44046521814832e-06 * (f * g2) +
       4.54141408795579e-06 * (f * g) + -8.93802946586081e-06 * f + -0.00781923913215528;
  b1 = 6.19283739266698e-10 * f2 + -0.0156384782643106;
  b2 = -3.09641869633349e-10 * f2 + -3.44046521814832e-06 * (f * g2) +
       -4.54141408795579e-06 * (f * g) + 8.93802946586081e-06 * f + -0.00781923913215528;
  a0 = 3.09648062470742e-10 * f2 + -3.44053402745269e-06 * (f * g2) +
       1.14224133335568e-05 * (f * g) + 9.56249101552956e-07 * f + 0.00781939551693793;
  a1 = -6.19296124941484e-10 * f2 + 0.0156387910338759;
  a2 = 3.09648062470742e-10 * f2 + 3.44053402745269e-06 * (f * g2) +
       -1.14224133335568e-05 * (f * g) + -9.56249101552956e-07 * f + 0.00781939551693793;
}

void LowShelf::Calc(double sampleRate, double g) {
  const double f = sampleRate;
  const double f2 = f * f;
  const double g2 = g * g;
  b0 = 1.51266630140008e-09 * (f2 * g2) + -1.51266630140008e-09 * (f2 * g) +
       2.59551527350734e-06 * (f * g2) + -2.59551527350734e-06 * (f * g) +
       -1.95160659076062e-06 * f + -0.00610985940345774 * g + -0.000805981453222081;
  b1 = -3.02533260280015e-09 * (f2 * g2) + 3.02533260280015e-09 * (f2 * g) +
       -0.0122197188069155 * g + -0.00161196290644416;
  b2 = 1.51266630140008e-09 * (f2 * g2) + -1.51266630140008e-09 * (f2 * g) +
       -2.59551527350734e-06 * (f * g2) + 2.59551527350734e-06 * (f * g) +
       1.95160659076062e-06 * f + -0.00610985940345774 * g + -0.000805981453222081;
  // The g2 terms of the feedback rows are tiny but part of the fitted formula.
  a0 = -1.5126965547261e-09 * (f2 * g2) + 1.5126965547261e-09 * (f2 * g) +
       -2.59556718381281e-06 * (f * g2) + 2.59556718381281e-06 * (f * g) +
       1.95164562289243e-06 * f + -1.41877908666465e-22 * g2 + -0.00610985940345774 * g +
       0.00691591807490292;
  a1 = 3.02539310945221e-09 * (f2 * g2) + -3.02539310945221e-09 * (f2 * g) +
       -2.83755817332929e-22 * g2 + -0.0122197188069155 * g + 0.0138318361498058;
  a2 = -1.5126965547261e-09 * (f2 * g2) + 1.5126965547261e-09 * (f2 * g) +
       2.59556718381281e-06 * (f * g2) + -2.59556718381281e-06 * (f * g) +
       -1.95164562289243e-06 * f + -1.41877908666465e-22 * g2 + -0.00610985940345774 * g +
       0.00691591807490292;
}

double GainDb(const BandFilter& band, double frequency, double sampleRate) {
  const double w = 2. * std::numbers::pi * frequency / sampleRate;
  const std::complex<double> z1 = std::polar(1., -w);
  const std::complex<double> z2 = z1 * z1;
  const std::complex<double> response =
      (band.b0 + band.b1 * z1 + band.b2 * z2) / (band.a0 + band.a1 * z1 + band.a2 * z2);
  return 20. * std::log10(std::abs(response));
}
