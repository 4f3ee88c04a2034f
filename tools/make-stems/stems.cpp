#include "make-stems/stems.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kBeatsPerSecond = 2.0;  // 120 beats per minute

// A fixed-seed generator: the same noise on every run.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : mState(seed) {}
  double Next() {
    mState = mState * 1664525u + 1013904223u;
    return static_cast<double>(mState >> 8) / static_cast<double>(1u << 23) - 1.0;
  }

 private:
  std::uint32_t mState;
};

// One-pole low-pass, enough to take the edge off noise and saws.
class Smoother {
 public:
  explicit Smoother(double coefficient) : mCoefficient(coefficient) {}
  double operator()(double input) {
    mState += mCoefficient * (input - mState);
    return mState;
  }

 private:
  double mCoefficient;
  double mState = 0.0;
};

double MidiToHz(double note) {
  return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

double Saw(double phase) {
  return 2.0 * (phase - std::floor(phase)) - 1.0;
}

// Four bars of a minor progression: roots as MIDI notes.
constexpr std::array<double, 4> kRoots = {45.0, 41.0, 48.0, 43.0};  // A F C G

double RootAt(double beat) {
  const auto bar = static_cast<std::size_t>(beat / 4.0);
  return kRoots[bar % kRoots.size()];
}

struct Timeline {
  double rate;
  std::size_t frames;
  double Seconds(std::size_t i) const { return static_cast<double>(i) / rate; }
  double Beat(std::size_t i) const { return Seconds(i) * kBeatsPerSecond; }
};

StereoSignal Render(const Timeline& time,
                    const std::function<void(std::size_t, double&, double&)>& voice) {
  StereoSignal signal{std::vector<double>(time.frames), std::vector<double>(time.frames)};
  for (std::size_t i = 0; i < time.frames; ++i)
    voice(i, signal.left[i], signal.right[i]);
  return signal;
}

StereoSignal Kick(const Timeline& time) {
  double phase = 0.0;
  return Render(time, [&](std::size_t i, double& left, double& right) {
    const double sinceBeat = std::fmod(time.Beat(i), 1.0) / kBeatsPerSecond;
    const double frequency = 45.0 + 120.0 * std::exp(-sinceBeat * 30.0);
    phase += frequency / time.rate;
    const double sample = 0.6 * std::sin(kTwoPi * phase) * std::exp(-sinceBeat * 9.0);
    left = right = sample;
  });
}

StereoSignal Snare(const Timeline& time) {
  Noise noise(7);
  Smoother tone(0.5);
  return Render(time, [&](std::size_t i, double& left, double& right) {
    const double beat = time.Beat(i);
    const bool backbeat = static_cast<long>(beat) % 2 == 1;
    const double since = std::fmod(beat, 1.0) / kBeatsPerSecond;
    const double envelope = backbeat ? std::exp(-since * 18.0) : 0.0;
    const double body = std::sin(kTwoPi * 185.0 * since) * std::exp(-since * 30.0);
    const double sample = envelope * (0.35 * tone(noise.Next()) + 0.25 * body);
    left = sample;
    right = 0.9 * sample;
  });
}

StereoSignal Hats(const Timeline& time) {
  Noise noise(11);
  double previous = 0.0;
  return Render(time, [&](std::size_t i, double& left, double& right) {
    const double eighth = time.Beat(i) * 2.0;
    const double since = std::fmod(eighth, 1.0) / (2.0 * kBeatsPerSecond);
    const double accent = static_cast<long>(eighth) % 2 == 0 ? 0.25 : 0.15;
    const double white = noise.Next();
    const double bright = white - previous;  // first difference: a crude high-pass
    previous = white;
    const double sample = accent * bright * std::exp(-since * 60.0);
    left = 0.6 * sample;
    right = sample;
  });
}

StereoSignal Bass(const Timeline& time) {
  double phase = 0.0;
  Smoother filter(0.08);
  return Render(time, [&](std::size_t i, double& left, double& right) {
    const double beat = time.Beat(i);
    const double eighth = beat * 2.0;
    const double octave = static_cast<long>(eighth) % 4 == 3 ? 12.0 : 0.0;
    phase += MidiToHz(RootAt(beat) - 12.0 + octave) / time.rate;
    const double since = std::fmod(eighth, 1.0) / (2.0 * kBeatsPerSecond);
    const double sample = 0.45 * filter(Saw(phase)) * (0.4 + 0.6 * std::exp(-since * 8.0));
    left = right = sample;
  });
}

StereoSignal Pad(const Timeline& time) {
  std::array<double, 6> phases{};
  Smoother leftFilter(0.05), rightFilter(0.05);
  return Render(time, [&](std::size_t i, double& left, double& right) {
    const double beat = time.Beat(i);
    const double root = RootAt(beat) + 12.0;
    const std::array<double, 3> chord = {root, root + 3.0, root + 7.0};
    double l = 0.0, r = 0.0;
    for (std::size_t v = 0; v < 3; ++v) {
      phases[v] += MidiToHz(chord[v]) * 1.003 / time.rate;
      phases[v + 3] += MidiToHz(chord[v]) * 0.997 / time.rate;
      l += Saw(phases[v]);
      r += Saw(phases[v + 3]);
    }
    const double swell = std::min(1.0, time.Seconds(i) / 1.5);
    left = 0.12 * swell * leftFilter(l);
    right = 0.12 * swell * rightFilter(r);
  });
}

StereoSignal Arpeggio(const Timeline& time) {
  double phase = 0.0;
  return Render(time, [&](std::size_t i, double& left, double& right) {
    const double beat = time.Beat(i);
    const double sixteenth = beat * 4.0;
    const auto step = static_cast<std::size_t>(sixteenth);
    constexpr std::array<double, 4> kIntervals = {0.0, 7.0, 12.0, 15.0};
    phase += MidiToHz(RootAt(beat) + 24.0 + kIntervals[step % 4]) / time.rate;
    const double since = std::fmod(sixteenth, 1.0) / (4.0 * kBeatsPerSecond);
    const double triangle = 1.0 - 4.0 * std::abs(phase - std::floor(phase) - 0.5);
    const double sample = 0.22 * triangle * std::exp(-since * 14.0);
    const double pan = 0.5 + 0.4 * std::sin(kTwoPi * beat / 8.0);
    left = sample * (1.0 - pan);
    right = sample * pan;
  });
}

StereoSignal Keys(const Timeline& time) {
  std::array<double, 3> phases{};
  return Render(time, [&](std::size_t i, double& left, double& right) {
    const double beat = time.Beat(i) + 0.5;  // off-beat stabs
    const double since = std::fmod(beat, 1.0) / kBeatsPerSecond;
    const double root = RootAt(time.Beat(i)) + 19.0;
    const std::array<double, 3> chord = {root, root + 5.0, root + 8.0};
    double sample = 0.0;
    for (std::size_t v = 0; v < 3; ++v) {
      phases[v] += MidiToHz(chord[v]) / time.rate;
      const double p = kTwoPi * phases[v];
      sample += std::sin(p) + 0.3 * std::sin(2.0 * p);
    }
    sample *= 0.08 * std::exp(-since * 6.0);
    left = 0.8 * sample;
    right = sample;
  });
}

StereoSignal Riser(const Timeline& time) {
  Noise leftNoise(23), rightNoise(29);
  double leftState = 0.0, rightState = 0.0;
  const double length = static_cast<double>(time.frames);
  return Render(time, [&](std::size_t i, double& left, double& right) {
    const double progress = static_cast<double>(i) / length;
    // The sweep opens a one-pole filter over uncorrelated noise per side.
    const double coefficient = 0.005 + 0.4 * progress * progress;
    leftState += coefficient * (leftNoise.Next() - leftState);
    rightState += coefficient * (rightNoise.Next() - rightState);
    const double level = 0.15 + 0.35 * progress;
    left = level * leftState;
    right = level * rightState;
  });
}

}  // namespace

std::vector<Stem> MakeStems(double sampleRate, double seconds) {
  const Timeline time{sampleRate, static_cast<std::size_t>(sampleRate * seconds)};
  std::vector<Stem> stems;
  stems.push_back({"01-kick", Kick(time)});
  stems.push_back({"02-snare", Snare(time)});
  stems.push_back({"03-hats", Hats(time)});
  stems.push_back({"04-bass", Bass(time)});
  stems.push_back({"05-pad", Pad(time)});
  stems.push_back({"06-arpeggio", Arpeggio(time)});
  stems.push_back({"07-keys", Keys(time)});
  stems.push_back({"08-noise", Riser(time)});
  return stems;
}
