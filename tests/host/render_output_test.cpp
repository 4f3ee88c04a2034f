// What render writes: never over an input, never half a file, the format the
// name asks for, and no silent clipping.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "quor-host/output_files.h"
#include "quor-host/output_format.h"
#include "tests/host/test_audio.h"

namespace {

constexpr int kRate = 48000;

int FileFormat(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return 0;
  sf_close(file);
  return info.format;
}

class RenderOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    input = {std::vector<double>(4800, 0.0), std::vector<double>(4800, 0.0)};
    for (std::size_t i = 0; i < input[0].size(); ++i) {
      input[0][i] =
          static_cast<double>(static_cast<float>(0.5 * std::sin(0.01 * static_cast<double>(i))));
      input[1][i] =
          static_cast<double>(static_cast<float>(0.25 * std::cos(0.013 * static_cast<double>(i))));
    }
    WriteFloatWav(Path("in.wav"), input, kRate);
  }
  std::string Path(const std::string& name) const { return scratch.Path(name); }
  RunResult Render(const std::string& output, std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"render",       FIXTURE_GAIN, "-o", output,
                                          Path("in.wav"), "--tail",     "0"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunHost(arguments);
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Path("")))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  ScratchFolder scratch;
  Channels input;
};

TEST_F(RenderOutputTest, AnOutputNamingAnInputIsRefusedAndTheInputKept) {
  std::filesystem::create_symlink(Path("in.wav"), Path("link.wav"));
  for (const std::string& output : {Path("in.wav"), Path("link.wav")}) {
    const RunResult result = Render(output);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.err.find("is also an input"), std::string::npos) << result.err;
  }
  EXPECT_EQ(ReadAudio(Path("in.wav")), input);
  EXPECT_EQ(Render(Path("x.wav"), {"--state", Path("x.wav")}).exitCode, 1);  // absent: no clash
}

TEST_F(RenderOutputTest, AFailedRenderLeavesNoPartialFileAndKeepsTheOldOne) {
  std::ofstream(Path("out.wav")) << "the previous render";
  // Twelve decibels up clips in 24-bit: a failure, after the whole render.
  const RunResult clipped = Render(Path("out.wav"), {"--bits", "24", "--set", "Gain=12"});
  EXPECT_EQ(clipped.exitCode, 1);
  EXPECT_NE(clipped.err.find("would be clipped"), std::string::npos) << clipped.err;
  std::ifstream kept(Path("out.wav"));
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "the previous render");
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"in.wav", "out.wav"}));

  ASSERT_EQ(Render(Path("out.wav")).exitCode, 0);
  EXPECT_EQ(ReadAudio(Path("out.wav")).size(), 2u);
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST_F(RenderOutputTest, TheExtensionChoosesTheFormat) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"a.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
      {"a.aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
      {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
      {"a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
      {"a.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS},
      {"a.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
      {"a.caf", SF_FORMAT_CAF | SF_FORMAT_FLOAT},
      {"a.w64", SF_FORMAT_W64 | SF_FORMAT_FLOAT},
      {"a.rf64", SF_FORMAT_RF64 | SF_FORMAT_FLOAT},
      {"b.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
      {"b.aif", SF_FORMAT_AIFF | SF_FORMAT_PCM_32},
      {"b.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
  };
  for (const auto& [name, format] : cases) {
    SCOPED_TRACE(name);
    std::vector<std::string> bits;
    if (name == "b.wav" || name == "b.flac") bits = {"--bits", "16"};
    if (name == "b.aif") bits = {"--bits", "32"};
    const RunResult result = Render(Path(name), bits);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(FileFormat(Path(name)), format);
  }
  const RunResult unknown = Render(Path("a.xyz"));
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find(".flac (FLAC)"), std::string::npos) << unknown.err;
  EXPECT_NE(unknown.err.find(".mp3 (MP3)"), std::string::npos) << unknown.err;
  EXPECT_EQ(Render(Path("a.flac"), {"--bits", "32f"}).exitCode, 2);
  EXPECT_EQ(Render(Path("a.ogg"), {"--bits", "16"}).exitCode, 2);
  EXPECT_EQ(Render(Path("a.wav"), {"--bits", "20"}).exitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(Path("a.xyz")));
}

TEST_F(RenderOutputTest, IntegerSamplesRoundAndSixteenBitsAreDithered) {
  ASSERT_EQ(Render(Path("24.wav"), {"--bits", "24", "--dither", "none"}).exitCode, 0);
  const Channels exact = ReadAudio(Path("24.wav"));
  for (std::size_t i = 0; i < input[0].size(); ++i)
    ASSERT_EQ(exact[0][i], std::nearbyint(input[0][i] * 0x1p23) / 0x1p23) << i;

  ASSERT_EQ(Render(Path("16.wav"), {"--bits", "16"}).exitCode, 0);
  const Channels dithered = ReadAudio(Path("16.wav"));
  double errorSum = 0.0;
  int differences = 0;
  for (std::size_t i = 0; i < input[0].size(); ++i) {
    const double error = (dithered[0][i] - input[0][i]) * 0x1p15;
    ASSERT_LE(std::abs(error), 1.5) << i;  // TPDF: at most one step either way, plus rounding
    errorSum += error;
    if (dithered[0][i] != std::nearbyint(input[0][i] * 0x1p15) / 0x1p15) ++differences;
  }
  EXPECT_LT(std::abs(errorSum / static_cast<double>(input[0].size())), 0.05);  // no bias
  EXPECT_GT(differences, 1000);  // plain rounding would give none
  ASSERT_EQ(Render(Path("16b.wav"), {"--bits", "16"}).exitCode, 0);
  EXPECT_EQ(ReadAudio(Path("16b.wav")), dithered);  // and renders repeat
}

TEST_F(RenderOutputTest, ClippingFailsUnlessAllowedOrNormalised) {
  // +12 dB takes the 0.5 peak to 2: beyond full scale.
  const RunResult failed = Render(Path("c.flac"), {"--set", "Gain=12"});
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_NE(failed.err.find("--normalize or --allow-clip"), std::string::npos) << failed.err;
  EXPECT_FALSE(std::filesystem::exists(Path("c.flac")));

  const RunResult allowed = Render(Path("c.flac"), {"--set", "Gain=12", "--allow-clip"});
  ASSERT_EQ(allowed.exitCode, 0) << allowed.err;
  EXPECT_NE(allowed.err.find("were clipped"), std::string::npos) << allowed.err;

  const RunResult normalised = Render(Path("n.flac"), {"--set", "Gain=12", "--normalize"});
  ASSERT_EQ(normalised.exitCode, 0) << normalised.err;
  EXPECT_NE(normalised.out.find("normalised by -6.98 dB"), std::string::npos) << normalised.out;
  const Channels levelled = ReadAudio(Path("n.flac"));
  const double peak = *std::max_element(levelled[0].begin(), levelled[0].end());
  EXPECT_NEAR(20.0 * std::log10(peak), -1.0, 0.001);

  // A float file could keep what lies beyond full scale, but whatever plays
  // it clips: refused as well, kept as it is when allowed.
  const RunResult kept = Render(Path("f.wav"), {"--set", "Gain=12", "--normalize=-0.5"});
  ASSERT_EQ(kept.exitCode, 0) << kept.err;
  const RunResult floats = Render(Path("f.wav"), {"--set", "Gain=12"});
  EXPECT_EQ(floats.exitCode, 1);
  EXPECT_NE(floats.err.find("beyond full scale (peak 5.98 dBFS) in float samples"),
            std::string::npos)
      << floats.err;
  const RunResult keptFloats = Render(Path("f.wav"), {"--set", "Gain=12", "--allow-clip"});
  ASSERT_EQ(keptFloats.exitCode, 0) << keptFloats.err;
  EXPECT_NE(keptFloats.err.find("were written as they are"), std::string::npos) << keptFloats.err;
  const Channels floatsKept = ReadAudio(Path("f.wav"));
  EXPECT_NEAR(*std::max_element(floatsKept[0].begin(), floatsKept[0].end()), 2.0, 0.01);
}

// WAV that may pass 4 GiB is RF64; a stream's, of a length nobody knows
// ahead, is RF64 that turns back into plain WAV if it closes under 4 GiB.
TEST(OutputFormat, WavThatMayPassFourGigabytesIsRf64) {
  const OutputFormat wav = ChooseOutputFormat("x.wav", "wav", SampleFormat::kInt16);
  OutputFormat small = wav, large = wav, unknown = wav;
  AllowForLength(small, 16, std::int64_t{1} << 26);
  AllowForLength(large, 16, std::int64_t{1} << 27);
  AllowForLength(unknown, 16, std::nullopt);
  EXPECT_EQ(small.sndfileFormat, wav.sndfileFormat);
  EXPECT_EQ(large.sndfileFormat, SF_FORMAT_RF64 | SF_FORMAT_PCM_16);
  EXPECT_FALSE(large.rf64Downgrade);
  EXPECT_EQ(unknown.sndfileFormat, SF_FORMAT_RF64 | SF_FORMAT_PCM_16);
  EXPECT_TRUE(unknown.rf64Downgrade);
}

// Split files take the names the plug-in gives its pairs of outputs, where
// they name every pair apart; else their numbers.
TEST(OutputFileNames, SplitFilesAreNamedByTheirOutputsLabels) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(OutputFileNames("d/mix.wav", 4, true), (Names{"d/mix-1.wav", "d/mix-2.wav"}));
  EXPECT_EQ(OutputFileNames("mix.wav", 5, true, {"Drums L", "Drums R", "Bass-L", "Bass-R", "Vox"}),
            (Names{"mix-Drums.wav", "mix-Bass.wav", "mix-Vox.wav"}));
  // Labels that count outputs, name no pair, or name two alike.
  for (const Names& labels : {Names{"Output 1", "Output 2", "Output 3", "Output 4"},
                              Names{"Left", "Right", "Bass L", "Bass R"},
                              Names{"Kick L", "Kick R", "Kick 2 L", "Kick 2 R"},
                              Names{"A/B L", "A/B R", "A/B L", "A/B R"}}) {
    SCOPED_TRACE(labels[0]);
    EXPECT_EQ(OutputFileNames("mix.wav", 4, true, labels)[0],
              labels[2] == "Kick 2 L" ? "mix-Kick.wav" : "mix-1.wav");
  }
  EXPECT_EQ(OutputFileNames("mix.wav", 2, true, {"A/B L", "A/B R"}), Names{"mix-A_B.wav"});
}

}  // namespace
