// The factory presets as a VST2 host offers them: the programs it lists, and
// what selecting each does to a sine through track 1, measured and held to
// the preset's name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "tests/plugin/loaded_plugin.h"

namespace {

constexpr int kChannels = 16;
constexpr double kRate = 48000.;
constexpr int kSettle = 24000;  // half a second for the filters to settle
constexpr int kMeasure = 9600;  // then whole periods of every tone measured

// One preset selected through the host's program list, a sine played into
// track 1 (both channels, other tracks silent).
class Console {
 public:
  explicit Console(int program, int track = 0) : mTrack(track) {
    mPlug.Dispatch(effOpen);
    mPlug.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    mPlug.Dispatch(effSetBlockSize, 0, 512);
    mPlug.Dispatch(effMainsChanged, 0, 1);
    mPlug.Dispatch(effSetProgram, 0, program);
  }

  // The output of a tone (Hz, dBFS peak) on the outputs track 1 reaches,
  // after the settling: its level and its third harmonic's, in dB relative
  // to the input's peak.
  struct Tone {
    double mGainDb;
    double mThirdDb;
  };
  Tone Play(double hz, double dbfs) {
    const double amplitude = std::pow(10., dbfs / 20.);
    HostChannels<double> in(kChannels, 512), out(kChannels, 512);
    double re1 = 0., im1 = 0., re3 = 0., im3 = 0.;
    const double w = 2. * std::numbers::pi * hz / kRate;
    for (int done = 0; done < kSettle + kMeasure; done += 512) {
      for (int i = 0; i < 512; ++i) {
        const double x = amplitude * std::sin(w * (done + i));
        in.mData[2 * static_cast<std::size_t>(mTrack)][static_cast<std::size_t>(i)] = x;
        in.mData[2 * static_cast<std::size_t>(mTrack) + 1][static_cast<std::size_t>(i)] = x;
      }
      mPlug->processDoubleReplacing(mPlug.Effect(), in.Pointers(), out.Pointers(), 512);
      for (int i = 0; i < 512; ++i) {
        const int n = done + i;
        if (n < kSettle || n >= kSettle + kMeasure) continue;
        const double y = out.mData[mOutput][static_cast<std::size_t>(i)];
        re1 += y * std::cos(w * n);
        im1 += y * std::sin(w * n);
        re3 += y * std::cos(3. * w * n);
        im3 += y * std::sin(3. * w * n);
      }
    }
    const auto db = [&](double re, double im) {
      return 20. * std::log10(2. * std::hypot(re, im) / kMeasure / amplitude + 1e-30);
    };
    return {db(re1, im1), db(re3, im3)};
  }

  LoadedPlugin mPlug;
  int mTrack;
  std::size_t mOutput = 0;  // the left output the tone is read from
};

// A preset measured: its gain at 1 kHz for three levels, at the bands'
// frequencies at -20 dBFS, and its third harmonic at -6 dBFS.
struct Measured {
  double mAt60, mAt20, mAt1;
  double mLow, mMid, mHigh;  // 40 Hz, 1.6 kHz, 16 kHz
  double mThird;             // dB below the fundamental
  double mFlat;              // at 1 kHz, -20 dBFS, with the equaliser flat
};

Measured Measure(int program) {
  Console console(program);
  Measured m{};
  m.mAt60 = console.Play(1000., -60.).mGainDb;
  m.mAt20 = console.Play(1000., -20.).mGainDb;
  m.mAt1 = console.Play(1000., -1.).mGainDb;
  m.mLow = console.Play(40., -20.).mGainDb;
  m.mMid = console.Play(1600., -20.).mGainDb;
  m.mHigh = console.Play(16000., -20.).mGainDb;
  const Console::Tone loud = console.Play(1000., -6.);
  m.mThird = loud.mGainDb - loud.mThirdDb;
  for (int band = 0; band < 3; ++band)
    console.mPlug.Set(band, 0.5f);
  m.mFlat = console.Play(1000., -20.).mGainDb;
  return m;
}

std::string ProgramName(const LoadedPlugin& plug, int program) {
  char name[64] = {};
  plug.Dispatch(effGetProgramNameIndexed, program, 0, name);
  return name;
}

}  // namespace

TEST(FactoryPresets, AreTheHostsProgramsEachNamedForWhatItDoes) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  ASSERT_EQ(plug->numPrograms, 9);
  std::vector<Measured> measured;
  std::printf("%-20s %7s %7s %7s %7s %7s %7s %7s %7s\n", "dB at 1 kHz:", "-60", "-20", "-1",
              "40 Hz", "1.6 kHz", "16 kHz", "H3 below", "flat");
  for (int p = 0; p < plug->numPrograms; ++p) {
    const Measured m = Measure(p);
    std::printf("%-20s %+7.2f %+7.2f %+7.2f %+7.2f %+7.2f %+7.2f %7.1f %+7.2f\n",
                ProgramName(plug, p).c_str(), m.mAt60, m.mAt20, m.mAt1, m.mLow, m.mMid, m.mHigh,
                m.mThird, m.mFlat);
    measured.push_back(m);
  }
  const Measured& defaults = measured[0];
  const auto near = [](double db, double target, double tolerance) {
    return std::abs(db - target) <= tolerance;
  };
  // Console Defaults: the console as a new instance sounds, louder than unity.
  EXPECT_TRUE(near(defaults.mAt20, 0.92, 0.1));
  for (std::size_t p = 1; p < measured.size(); ++p)
    EXPECT_TRUE(near(measured[p].mFlat, 0., 0.05)) << ProgramName(plug, static_cast<int>(p));

  const Measured& unity = measured[1];
  for (const double db : {unity.mAt60, unity.mAt20, unity.mAt1, unity.mLow, unity.mHigh})
    EXPECT_TRUE(near(db, 0., 0.1)) << db;
  EXPECT_GT(unity.mThird, 60.);

  const Measured& glue = measured[2];
  EXPECT_TRUE(near(glue.mAt1 - glue.mAt20, -2., 0.5)) << "peaks held down";
  EXPECT_TRUE(near(glue.mLow, 0., 0.5) && near(glue.mMid, 0., 0.5) && near(glue.mHigh, 0., 0.5));

  const Measured& drums = measured[3];
  EXPECT_GT(drums.mLow - drums.mMid, 3.);
  EXPECT_GT(drums.mHigh - drums.mMid, 3.);
  EXPECT_LT(drums.mThird, defaults.mThird - 6.) << "driven harder";

  const Measured& vocal = measured[4];
  EXPECT_GT(vocal.mMid - vocal.mFlat, 3.);
  EXPECT_LT(vocal.mLow, -2.5);

  const Measured& bass = measured[5];
  EXPECT_LT(bass.mLow, -2.5);
  EXPECT_GT(bass.mMid, 1.);

  const Measured& tape = measured[7];
  EXPECT_LT(tape.mThird, defaults.mThird - 6.);
  EXPECT_LT(tape.mHigh, -2.5);
  EXPECT_GT(tape.mLow, 1.);

  const Measured& polish = measured[8];
  for (const double db : {polish.mAt20, polish.mLow, polish.mMid})
    EXPECT_TRUE(near(db, 0., 0.6)) << db;
  EXPECT_TRUE(near(polish.mHigh, 1., 0.3));
  EXPECT_GT(polish.mThird, defaults.mThird) << "cleaner than the defaults";
}

TEST(FactoryPresets, StemsPassEachTrackToItsOwnOutputsAtUnity) {
  constexpr int kStems = 6;
  for (const int track : {0, 4, 7}) {
    Console console(kStems, track);
    for (const std::size_t side : {0u, 1u}) {
      console.mOutput = 2 * static_cast<std::size_t>(track) + side;
      EXPECT_NEAR(console.Play(1000., -20.).mGainDb, 0., 0.1) << track;
    }
  }
  Console console(kStems, 3);
  EXPECT_LT(console.Play(1000., -20.).mGainDb, -200.) << "track 4 is not in the mix";
}

TEST(FactoryPresets, ProgramsLeaveTheNamesAndANewInstanceHoldsTheFirst) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  EXPECT_EQ(plug.Dispatch(effGetProgram), 0);
  EXPECT_EQ(plug.Text(effGetProgramName), "Console Defaults");
  std::vector<std::string> names;
  for (int p = 0; p < plug->numPrograms; ++p) {
    names.push_back(ProgramName(plug, p));
    EXPECT_LE(names.back().size(), 24u);
  }
  EXPECT_EQ(names[1], "Clean Unity");
  EXPECT_EQ(ProgramName(plug, plug->numPrograms), "");
  // Renamed tracks keep their names through a program change.
  void* data = nullptr;
  const VstIntPtr size = plug.Dispatch(effGetChunk, 1, 0, &data);
  std::vector<std::uint8_t> chunk(static_cast<std::uint8_t*>(data),
                                  static_cast<std::uint8_t*>(data) + size);
  std::copy_n("Kick Drum!", 10, chunk.begin() + 12);  // over "Track Name"
  ASSERT_EQ(plug.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(chunk.size()), chunk.data()), 1);
  plug.Dispatch(effSetProgram, 0, 3);
  EXPECT_EQ(plug.Text(effGetProgramName), "Drum Punch");
  plug.Dispatch(effGetChunk, 1, 0, &data);
  EXPECT_EQ(std::string(static_cast<const char*>(data) + 12, 10), "Kick Drum!");
  EXPECT_NE(plug.Get(3), 0.5f) << "Input 1 driven";
}
