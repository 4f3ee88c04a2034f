// What a batch can trust: a plug-in that crashes, ends its process, hangs or
// puts out NaN fails its render with a message naming it and what happened,
// and leaves the old output as it was, with nothing beside it; so does a disk
// too small for the file. Replacing a file keeps what protects it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/host/test_audio.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 48000;
constexpr const char* kPrevious = "the previous render";

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class FailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFloatWav(Path("in.wav"), {TestSignal(4800, 0), TestSignal(4800, 1)}, kRate);
    std::ofstream(Path("out.wav")) << kPrevious;
  }
  void TearDown() override { unsetenv("QUOR_FIXTURE_FAULT_AT"); }
  std::string Path(const std::string& name) const { return scratch.Path(name); }
  RunResult Render(const std::string& plugin, const std::string& output,
                   std::vector<std::string> extra = {}) const {
    std::vector<std::string> arguments = {"render",       plugin,   "-o", output,
                                          Path("in.wav"), "--tail", "0"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunHost(arguments);
  }
  void ExpectOldOutputAlone(const std::string& context) const {
    EXPECT_EQ(Entries(Path("")), (std::vector<std::string>{"in.wav", "out.wav"})) << context;
    EXPECT_EQ(Contents(Path("out.wav")), kPrevious) << context;
  }

  ScratchFolder scratch;
};

TEST_F(FailureTest, MisbehavingPluginsFailTheRenderAndLeaveTheOldOutput) {
  struct Case {
    const char* plugin;
    const char* at;
    const char* said;
  };
  // The third block starts at 1024 frames: 0.021 s.
  const Case cases[] = {
      {FIXTURE_CRASH, "load", "crashed (Segmentation fault) while loading"},
      {FIXTURE_CRASH, "process", "crashed (Segmentation fault) while processing, at 0.021 s"},
      {FIXTURE_CRASH, "close", "crashed (Segmentation fault) while closing"},
      {FIXTURE_EXIT, "load", "ended its process with exit status 0 while loading"},
      {FIXTURE_EXIT, "process", "ended its process with exit status 0 while processing, at 0.021"},
      {FIXTURE_EXIT, "close", "ended its process with exit status 0 while closing"},
      {FIXTURE_HANG, "load", "did not answer for 0.3 s while loading"},
      {FIXTURE_HANG, "process", "did not answer for 0.3 s while processing, at 0.021 s"},
      {FIXTURE_HANG, "close", "did not answer for 0.3 s while closing"},
      {FIXTURE_NAN, "process", "put out a non-finite sample (NaN) on output 2 at 0.027 s"},
  };
  for (const Case& fault : cases) {
    const std::string context = std::string(fault.plugin) + " at " + fault.at;
    setenv("QUOR_FIXTURE_FAULT_AT", fault.at, 1);
    const RunResult result =
        Render(fault.plugin, Path("out.wav"), {"--timeout", "0.3", "--normalize"});
    EXPECT_EQ(result.exitCode, 1) << context;
    EXPECT_NE(result.err.find(std::string(fault.plugin) + " " + fault.said), std::string::npos)
        << context << ": " << result.err;
    EXPECT_NE(result.err.find("out.wav not written"), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    ExpectOldOutputAlone(context);
  }
}

// Inputs that are not audio, or never come, fail at once with a reason: the
// header is read from the stream before anything is kept of it.
TEST_F(FailureTest, InputsThatAreNotAudioOrNeverComeFailAtOnce) {
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  const struct {
    std::string input;
    const char* said;
  } cases[] = {
      {"/dev/zero", "/dev/zero: not audio"},
      {"/dev/urandom", "/dev/urandom: not audio"},
      {Path("fifo"), "fifo: nothing arrived within 0.3 s"},
  };
  for (const auto& input : cases) {
    const auto start = std::chrono::steady_clock::now();
    const RunResult result =
        RunHost({"render", FIXTURE_GAIN, "-o", Path("out.wav"), input.input, "--timeout", "0.3"});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(result.exitCode, 1) << input.input;
    EXPECT_NE(result.err.find(input.said), std::string::npos) << result.err;
    EXPECT_LT(seconds, 1.0) << input.input;
  }
  fs::remove(Path("fifo"));
  ExpectOldOutputAlone("inputs that are not audio");
}

TEST_F(FailureTest, NonFiniteSamplesAreWrittenOnlyWhenAllowed) {
  const RunResult allowed = Render(FIXTURE_NAN, Path("out.wav"), {"--allow-nonfinite", "--json"});
  ASSERT_EQ(allowed.exitCode, 0) << allowed.err;
  const auto report = nlohmann::json::parse(allowed.out);
  EXPECT_EQ(report["channels"][0]["nonfinite_samples"], 0);
  EXPECT_EQ(report["channels"][1]["nonfinite_samples"], 1);
  EXPECT_NE(report["channels"][1]["peak_dbfs"], nullptr);  // of the finite samples
  EXPECT_TRUE(std::isnan(ReadAudio(Path("out.wav"))[1][1280]));
  EXPECT_NE(allowed.err.find("1 samples from the plug-in were not finite"), std::string::npos);
}

TEST_F(FailureTest, ABatchOfTwentyRendersReportsExactlyTheOneFailure) {
  std::vector<int> failed;
  for (int render = 0; render < 20; ++render) {
    const std::string output = Path("batch-" + std::to_string(render) + ".wav");
    if (Render(render == 13 ? FIXTURE_CRASH : FIXTURE_GAIN, output).exitCode != 0) {
      failed.push_back(render);
    }
    EXPECT_EQ(fs::exists(output), render != 13) << output;
  }
  EXPECT_EQ(failed, std::vector<int>{13});
  EXPECT_EQ(Entries(Path("")).size(), 2u + 19u);
}

TEST_F(FailureTest, AFullDiskFailsTheRenderAndKeepsTheOldFile) {
  // Noise, which the encoders cannot shrink much.
  std::vector<double> left(kRate), right(kRate);
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < left.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    left[i] =
        static_cast<double>(static_cast<float>(static_cast<double>(state >> 8) / 0x1p24 - 0.5));
    right[i] = -left[i];
  }
  WriteFloatWav(Path("in.wav"), {left, right}, kRate);
  const std::string small = Path("small");
  fs::create_directory(small);
  for (const char* format : {"flac", "ogg", "wav"}) {
    SCOPED_TRACE(format);
    const std::string name = std::string("m.") + format;
    ASSERT_EQ(Render(FIXTURE_GAIN, Path(name)).exitCode, 0);
    const auto size = static_cast<std::size_t>(fs::file_size(Path(name)));
    // Room for the old file's page and for all but the last bytes of the new.
    const std::string options = "size=" + std::to_string(4096 + (size - 1) / 4096 * 4096);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << ")";
    }
    std::ofstream(small + "/" + name) << kPrevious;
    const RunResult full = Render(FIXTURE_GAIN, small + "/" + name);
    EXPECT_EQ(full.exitCode, 1) << full.out;
    EXPECT_NE(full.err.find(name), std::string::npos) << full.err;
    EXPECT_EQ(Entries(small), std::vector<std::string>{name});
    EXPECT_EQ(Contents(small + "/" + name), kPrevious);
    umount2(small.c_str(), MNT_DETACH);
  }
}

TEST_F(FailureTest, ReplacingKeepsTheOldFilesProtections) {
  // A link keeps pointing where it did; its target is replaced.
  fs::rename(Path("out.wav"), Path("real.wav"));
  fs::create_symlink("real.wav", Path("link.wav"));
  ASSERT_EQ(Render(FIXTURE_GAIN, Path("link.wav")).exitCode, 0);
  EXPECT_TRUE(fs::is_symlink(Path("link.wav")));
  EXPECT_EQ(ReadAudio(Path("real.wav"))[0].size(), 4800u);

  // Its permissions and, where the host may give them, its owner stay.
  const bool root = geteuid() == 0;
  ASSERT_EQ(chmod(Path("real.wav").c_str(), 0640), 0);
  if (root) {
    ASSERT_EQ(chown(Path("real.wav").c_str(), 4321, 4321), 0);
  }
  ASSERT_EQ(Render(FIXTURE_GAIN, Path("link.wav"), {"--bits", "16"}).exitCode, 0);
  struct stat kept {};
  ASSERT_EQ(stat(Path("real.wav").c_str(), &kept), 0);
  EXPECT_EQ(kept.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(kept.st_uid, 4321u);
  }
  EXPECT_EQ(ReadAudio(Path("real.wav"))[0].size(), 4800u);

  // A file the user may not write is not replaced, even in a folder they may.
  std::ofstream(Path("locked.wav")) << kPrevious;
  ASSERT_EQ(chmod(Path("locked.wav").c_str(), 0444), 0);
  int status = 0;
  if (root) {
    ASSERT_EQ(chmod(Path("").c_str(), 0777), 0);
    const pid_t child = fork();
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
      _exit(Render(FIXTURE_GAIN, Path("locked.wav")).exitCode);
    }
    waitpid(child, &status, 0);
    status = WEXITSTATUS(status);
  } else {
    status = Render(FIXTURE_GAIN, Path("locked.wav")).exitCode;
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Contents(Path("locked.wav")), kPrevious);
}

TEST_F(FailureTest, PartialFilesOfKilledRunsAreRemoved) {
  std::ofstream(Path(".out.wav.partial-0badf00d")) << "left by a run that was killed";
  // One still being written holds its lock, and stays.
  std::ofstream(Path(".out.wav.partial-00c0ffee")) << "being written";
  const int writing = open(Path(".out.wav.partial-00c0ffee").c_str(), O_RDWR);
  ASSERT_EQ(flock(writing, LOCK_EX), 0);
  ASSERT_EQ(Render(FIXTURE_GAIN, Path("out.wav")).exitCode, 0);
  close(writing);
  EXPECT_EQ(Entries(Path("")),
            (std::vector<std::string>{".out.wav.partial-00c0ffee", "in.wav", "out.wav"}));
}

}  // namespace
