// Files fit to deliver: the report gives what the file holds, identical
// renders give identical bytes, multichannel WAV has the extensible header,
// dither goes only where the file cannot hold the signal, silence is not
// raised, tails end where the written signal falls silent, streams are read
// to their end, and names and inputs that broke the report or passed
// unnoticed.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "quor-host/wav_stream.h"
#include "tests/host/test_audio.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 48000;

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

int FileFormat(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file != nullptr) sf_close(file);
  return info.format;
}

void PutLittle(std::string& bytes, std::uint64_t value, int count) {
  for (int i = 0; i < count; ++i)
    bytes += static_cast<char>((value >> (8 * i)) & 0xFFu);
}

// A PCM WAV header whose data chunk claims `dataBytes`.
std::string WavHeader(int channels, std::uint32_t dataBytes, int bits = 16) {
  const int bytes = bits / 8;
  std::string header = "RIFF";
  PutLittle(header, dataBytes + 36u, 4);
  header += "WAVEfmt ";
  PutLittle(header, 16, 4);
  PutLittle(header, 1, 2);
  PutLittle(header, static_cast<std::uint64_t>(channels), 2);
  PutLittle(header, kRate, 4);
  PutLittle(header, static_cast<std::uint64_t>(kRate * channels * bytes), 4);
  PutLittle(header, static_cast<std::uint64_t>(channels * bytes), 2);
  PutLittle(header, static_cast<std::uint64_t>(bits), 2);
  header += "data";
  PutLittle(header, dataBytes, 4);
  return header;
}

// A pipe fed by a process of its own, named as a file: the test keeps no
// writing end that the plug-in's process would inherit and hold open.
class PipeIn {
 public:
  explicit PipeIn(const std::string& bytes) {
    int ends[2];
    if (pipe(ends) != 0) throw std::runtime_error("pipe failed");
    mWriter = fork();
    if (mWriter == 0) {
      close(ends[0]);
      for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written = write(ends[1], bytes.data() + done, bytes.size() - done);
        if (written <= 0) _exit(1);  // the reader stopped early
        done += static_cast<std::size_t>(written);
      }
      _exit(0);
    }
    close(ends[1]);
    mRead = ends[0];
  }
  ~PipeIn() {
    close(mRead);
    waitpid(mWriter, nullptr, 0);
  }
  std::string Path() const { return "/dev/fd/" + std::to_string(mRead); }

 private:
  int mRead = -1;
  pid_t mWriter = -1;
};

class DeliveryTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return scratch.Path(name); }
  RunResult Render(const std::string& plugin, const std::string& input, const std::string& output,
                   std::vector<std::string> extra = {}) const {
    std::vector<std::string> arguments = {"render", plugin, "-o", output, input};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunHost(arguments);
  }

  ScratchFolder scratch;
};

TEST_F(DeliveryTest, IdenticalRendersGiveIdenticalBytes) {
  WriteFloatWav(Path("in.wav"), {TestSignal(9600, 0), TestSignal(9600, 1)}, kRate);
  const char* formats[] = {"wav", "aiff", "ogg", "opus"};
  const auto render = [&](const std::string& take) {
    for (const char* format : formats) {
      const RunResult result = Render(FIXTURE_GAIN, Path("in.wav"), Path(take + "." + format));
      ASSERT_EQ(result.exitCode, 0) << result.err;
    }
  };
  render("a");
  // Time stamps have seconds; random serial numbers change within one.
  std::this_thread::sleep_until(std::chrono::system_clock::time_point(
      std::chrono::ceil<std::chrono::seconds>(std::chrono::system_clock::now())));
  render("b");
  for (const char* format : formats) {
    EXPECT_EQ(Contents(Path(std::string("a.") + format)),
              Contents(Path(std::string("b.") + format)))
        << format;
  }
}

TEST_F(DeliveryTest, DitherGoesOnlyWhereTheFileCannotHoldTheSignal) {
  // On the 16-bit grid, with digital silence in the middle.
  std::vector<double> signal(4800);
  for (std::size_t i = 0; i < signal.size(); ++i)
    signal[i] = i >= 2000 && i < 3000
                    ? 0.0
                    : std::round(8000.0 * std::sin(0.01 * static_cast<double>(i))) / 32768.0;
  WriteFloatWav(Path("in.wav"), {signal, signal}, kRate);
  for (const char* bits : {"16", "24"}) {
    ASSERT_EQ(Render(FIXTURE_GAIN, Path("in.wav"), Path("out.wav"), {"--bits", bits}).exitCode, 0);
    EXPECT_EQ(ReadAudio(Path("out.wav"))[0], signal) << bits;
  }
  // Half a step off the grid: dithered, and silence stays silence.
  for (double& sample : signal)
    if (sample != 0.0) sample += 0.5 / 32768.0;
  WriteFloatWav(Path("in.wav"), {signal, signal}, kRate);
  ASSERT_EQ(Render(FIXTURE_GAIN, Path("in.wav"), Path("out.wav"), {"--bits", "16"}).exitCode, 0);
  const Channels dithered = ReadAudio(Path("out.wav"));
  EXPECT_NE(dithered[0], signal);
  for (std::size_t i = 2000; i < 3000; ++i)
    ASSERT_EQ(dithered[0][i], 0.0) << i;
  ASSERT_EQ(
      Render(FIXTURE_GAIN, Path("in.wav"), Path("out.wav"), {"--bits", "16", "--dither", "none"})
          .exitCode,
      0);
  const Channels rounded = ReadAudio(Path("out.wav"));
  for (std::size_t i = 0; i < signal.size(); ++i)
    ASSERT_EQ(rounded[0][i], std::nearbyint(signal[i] * 32768.0) / 32768.0) << i;
}

// A plug-in's denormal guard, some -180 dBFS, is far below the last bit of
// 16 and 24 bits: silence, not dither noise. A signal near the last bit keeps
// its dither.
TEST_F(DeliveryTest, ResidueFarBelowTheLastBitIsWrittenAsSilence) {
  std::vector<double> residue(9600, 1e-9);
  std::vector<double> quiet(9600);
  for (std::size_t i = 0; i < quiet.size(); ++i)
    quiet[i] = 0.3 / 32768.0 * std::sin(0.01 * static_cast<double>(i));
  WriteFloatWav(Path("in.wav"), {residue, quiet}, kRate);
  for (const char* bits : {"16", "24"}) {
    const RunResult result =
        Render(FIXTURE_GAIN, Path("in.wav"), Path("out.wav"), {"--bits", bits, "--tail", "0"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Channels out = ReadAudio(Path("out.wav"));
    EXPECT_EQ(out[0], std::vector<double>(9600, 0.0)) << bits;
    EXPECT_NE(out[1], std::vector<double>(9600, 0.0)) << bits;
  }
#ifdef QUOR_PLUGIN
  // Silence through the console: its guard stays out of the file.
  WriteFloatWav(Path("silence.wav"), {std::vector<double>(kRate), std::vector<double>(kRate)},
                kRate);
  for (const char* bits : {"16", "24"}) {
    const RunResult result = Render(QUOR_PLUGIN, Path("silence.wav"), Path("out.wav"),
                                    {"--bits", bits, "--tail", "0", "--outputs", "2"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const std::vector<double>& channel : ReadAudio(Path("out.wav")))
      EXPECT_EQ(channel, std::vector<double>(kRate, 0.0)) << bits;
  }
#endif
}

TEST_F(DeliveryTest, TheReportGivesWhatTheFileHolds) {
  std::vector<double> loud(4800);
  for (std::size_t i = 0; i < loud.size(); ++i)
    loud[i] =
        static_cast<double>(static_cast<float>(0.9 * std::sin(0.01 * static_cast<double>(i))));
  WriteFloatWav(Path("in.wav"), {loud, loud}, kRate);
  // Clipped at full scale: 0 dBFS, not the +6 the plug-in put out.
  const RunResult clipped = Render(FIXTURE_GAIN, Path("in.wav"), Path("out.flac"),
                                   {"--set", "Gain=6", "--allow-clip", "--json"});
  ASSERT_EQ(clipped.exitCode, 0) << clipped.err;
  const auto report = nlohmann::json::parse(clipped.out);
  EXPECT_EQ(report["channels"][0]["peak_dbfs"], 0.0);
  EXPECT_GT(report["channels"][0]["clipped_samples"], 0);
  EXPECT_LE(report["loudness"][0]["true_peak_dbtp"], 0.5);
}

TEST_F(DeliveryTest, SilenceIsNotRaisedByNormalising) {
  const std::vector<double> residual(4800, 1e-9);  // -180 dBFS
  WriteFloatWav(Path("in.wav"), {residual, residual}, kRate);
  for (const char* normalize : {"--normalize", "--normalize-lufs=-14"}) {
    const RunResult result =
        Render(FIXTURE_GAIN, Path("in.wav"), Path("out.wav"), {normalize, "--tail", "0"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("not normalised: the output is silent"), std::string::npos)
        << result.out;
    EXPECT_EQ(ReadAudio(Path("out.wav"))[0], std::vector<double>(4800, static_cast<double>(1e-9f)));
  }
}

TEST_F(DeliveryTest, TheTailEndsWhereTheWrittenSignalFallsSilent) {
  // The input ends at -122 dBFS: quiet as it comes out of the plug-in's
  // delay, not once normalising has raised it by 5 dB.
  std::vector<double> signal(4800, 0.8e-6);
  for (std::size_t i = 0; i < 2400; ++i)
    signal[i] = 0.5 * std::sin(0.01 * static_cast<double>(i));
  WriteFloatWav(Path("in.wav"), {signal, signal}, kRate);
  const RunResult plain =
      Render(FIXTURE_DELAY, Path("in.wav"), Path("out.wav"), {"--no-compensate"});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(ReadAudio(Path("out.wav"))[0].size(), 4800u);
  const RunResult raised =
      Render(FIXTURE_DELAY, Path("in.wav"), Path("out.wav"), {"--no-compensate", "--normalize"});
  ASSERT_EQ(raised.exitCode, 0) << raised.err;
  EXPECT_EQ(ReadAudio(Path("out.wav"))[0].size(), 4800u + 37u);
}

TEST_F(DeliveryTest, ATruncatedInputIsWarnedAbout) {
  WriteFloatWav(Path("in.wav"), {TestSignal(4800, 0), TestSignal(4800, 1)}, kRate);
  fs::resize_file(Path("in.wav"), fs::file_size(Path("in.wav")) / 2);
  const RunResult result = Render(FIXTURE_GAIN, Path("in.wav"), Path("out.wav"));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("in.wav: its header promises more audio than the file holds"),
            std::string::npos)
      << result.err;
  // The same bytes through a pipe, cut inside a frame as well.
  const std::string bytes = Contents(Path("in.wav"));
  const PipeIn piped(bytes.substr(0, bytes.size() - 1));
  const RunResult streamed = Render(FIXTURE_GAIN, piped.Path(), Path("out.wav"));
  ASSERT_EQ(streamed.exitCode, 0) << streamed.err;
  EXPECT_NE(streamed.err.find(": its header promises more audio than the file holds"),
            std::string::npos)
      << streamed.err;
  EXPECT_NE(streamed.err.find(": the stream ended inside a frame"), std::string::npos)
      << streamed.err;
}

// A writer into a pipe puts a guess, a placeholder or a lie where the length
// goes: the stream is read to its end, and a header that gave a length that
// was not the stream's is warned about. Chunks after the audio stay out.
TEST_F(DeliveryTest, AStreamIsReadToItsEndWhateverItsHeaderSays) {
  std::vector<double> signal(4800);
  std::string samples;
  for (std::size_t i = 0; i < signal.size(); ++i) {
    const auto value = static_cast<std::int16_t>(std::lround(9000.0 * std::sin(0.01 * i)));
    signal[i] = value / 32768.0;
    PutLittle(samples, static_cast<std::uint16_t>(value), 2);
    PutLittle(samples, static_cast<std::uint16_t>(-value), 2);
  }
  std::string trailing = "LIST";
  PutLittle(trailing, 4, 4);
  trailing += "INFO";
  const struct {
    std::uint32_t dataBytes;
    std::string after;
    const char* warning;
  } cases[] = {
      {0, "", nullptr},
      {0xFFFFFFFFu, "", nullptr},
      {0x7FFFF000u, "", nullptr},  // sox's guess
      {4000, "", "its header gives 1000 frames, the stream held 4800; all of them were rendered"},
      {19200, trailing, nullptr},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.dataBytes);
    const PipeIn piped(WavHeader(2, test.dataBytes) + samples + test.after);
    const RunResult result =
        Render(FIXTURE_GAIN, piped.Path(), Path("out.wav"), {"--bits", "16", "--tail", "0"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    if (test.warning) {
      EXPECT_NE(result.err.find(test.warning), std::string::npos) << result.err;
    } else {
      EXPECT_EQ(result.err, "");
    }
    // Written as RF64 that became plain WAV, every frame as it went in.
    EXPECT_NE(FileFormat(Path("out.wav")) & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
    const Channels out = ReadAudio(Path("out.wav"));
    EXPECT_EQ(out[0], signal);
  }
  // sox's guess is the most whole frames in 0x7FFFF000 bytes: of 6-byte
  // frames, 0x7FFFEFFC.
  const PipeIn guessed(WavHeader(2, 0x7FFFEFFCu, 24) + std::string(6 * 4800, '\1'));
  const RunResult result =
      Render(FIXTURE_GAIN, guessed.Path(), Path("out.wav"), {"--bits", "24", "--tail", "0"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadAudio(Path("out.wav"))[0].size(), 4800u);
}

// sox's guess, 0x7FFFF000 bytes, and ten seconds of sixteen channels more.
TEST(WavStream, ReadsPastTheLengthSoxGuessesForAPipe) {
  constexpr int kChannels = 16;
  constexpr std::uint64_t kGuess = 0x7FFFF000u;
  constexpr std::uint64_t kMore = std::uint64_t{10} * kRate * kChannels * 2;
  std::signal(SIGPIPE, SIG_IGN);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::thread writer([fd = ends[1]] {
    const std::string header = WavHeader(kChannels, static_cast<std::uint32_t>(kGuess));
    [[maybe_unused]] const ssize_t headerWritten = write(fd, header.data(), header.size());
    const std::vector<char> zeros(std::size_t{1} << 20);
    for (std::uint64_t left = kGuess + kMore; left > 0;) {
      const ssize_t written = write(fd, zeros.data(), std::min<std::uint64_t>(left, zeros.size()));
      if (written <= 0) break;
      left -= static_cast<std::uint64_t>(written);
    }
    close(fd);
  });
  std::vector<std::uint8_t> head(12);
  ASSERT_EQ(read(ends[0], head.data(), head.size()), 12);
  std::optional<WavStream> stream = WavStream::Open(ends[0], "piped", head);
  ASSERT_TRUE(stream);
  std::vector<double> block(std::size_t{1} << 20);
  std::uint64_t frames = 0;
  while (const std::size_t got = stream->Read(block))
    frames += got;
  writer.join();
  close(ends[0]);
  EXPECT_EQ(frames, (kGuess + kMore) / (kChannels * 2));
  ASSERT_EQ(stream->Problems().size(), 1u);
  EXPECT_NE(stream->Problems()[0].find("all of them were rendered"), std::string::npos);
}

TEST_F(DeliveryTest, TheJsonReportIsValidForAnyFileName) {
  WriteFloatWav(Path("in.wav"), {TestSignal(480, 0), TestSignal(480, 1)}, kRate);
  const std::string name = Path("take\xff\"1\".wav");
  const RunResult result = Render(FIXTURE_GAIN, Path("in.wav"), name, {"--json"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("take\\udcff\\\"1\\\".wav"), std::string::npos) << result.out;
  if (std::system("python3 -c '' 2>/dev/null") != 0) GTEST_SKIP() << "no python3";
  // Python reads the escape back into the very bytes.
  std::ofstream(Path("report.json")) << result.out;
  const std::string check =
      "python3 -c 'import json, os, sys; "
      "r = json.load(open(sys.argv[1])); "
      "sys.exit(os.fsencode(r[\"output\"]) != os.fsencode(sys.argv[2]))' '" +
      Path("report.json") + "' '" + Path("take\xff") + "'\"\\\"1\\\"\"'.wav'";
  EXPECT_EQ(std::system(check.c_str()), 0);
}

#ifdef QUOR_PLUGIN
TEST_F(DeliveryTest, MultichannelWavIsExtensibleAndSplitWritesEachPair) {
  WriteFloatWav(Path("in.wav"), {TestSignal(2400, 0), TestSignal(2400, 1)}, kRate);
  const std::vector<std::string> sixteen = {"--set", "Mode=1", "--tail", "0"};
  ASSERT_EQ(Render(QUOR_PLUGIN, Path("in.wav"), Path("all.wav"), sixteen).exitCode, 0);
  EXPECT_EQ(FileFormat(Path("all.wav")), SF_FORMAT_WAVEX | SF_FORMAT_FLOAT);
  std::vector<std::string> split = sixteen;
  split.push_back("--split");
  const RunResult result = Render(QUOR_PLUGIN, Path("in.wav"), Path("pair.wav"), split);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const Channels all = ReadAudio(Path("all.wav"));
  // QUOR labels its outputs by track: the files take the tracks' names.
  for (int pair = 1; pair <= 8; ++pair) {
    const std::string file = Path("pair-Track " + std::to_string(pair) + ".wav");
    EXPECT_EQ(FileFormat(file), SF_FORMAT_WAV | SF_FORMAT_FLOAT) << file;
    const Channels two = ReadAudio(file);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], all[2 * pair - 2]) << file;
    EXPECT_EQ(two[1], all[2 * pair - 1]) << file;
  }
  EXPECT_FALSE(fs::exists(Path("pair.wav")));
}
#endif

}  // namespace
