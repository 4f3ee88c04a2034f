// The editor on a real X server, played with xdotool: through a minimal host
// in this process and through `quor-host open`, as a user would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "platform/desktop.h"
#include "plugin/editor_layout.h"
#include "plugin/meter_scale.h"
#include "plugin/quor.h"
#include "quor-host/editor_window.h"
#include "tests/host/test_audio.h"
#include "tests/platform/editor_under_test.h"
#include "tests/platform/minimal_host.h"
#include "tests/platform/x_session.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// How long a test waits for what it polls for before it fails.
constexpr int kPatienceMs = 5000;

void Sleep(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Runs `pass` until `done` holds; false when it did not in time.
bool PollUntil(const std::function<bool()>& done, const std::function<void()>& pass) {
  for (const auto end = Clock::now() + std::chrono::milliseconds(kPatienceMs); !done();) {
    if (Clock::now() > end) return false;
    pass();
  }
  return true;
}

bool IdleUntil(MinimalHost& host, const std::function<bool()>& done) {
  return PollUntil(done, [&] { host.Idle(20); });
}

std::string Contents(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// What a test sees of a host with an editor open.
class Target {
 public:
  virtual ~Target() = default;
  virtual std::string Window() = 0;
  // Lets the editor and the host run for a while.
  virtual void Wait(int ms) = 0;
  // "begin-edit P", "automate P VALUE", "end-edit P", in order.
  virtual std::vector<std::string> EditLog() = 0;
  // The plug-in's saved state once the user is done.
  virtual std::string SavedState() = 0;
  // The editor's pixels in the area.
  virtual std::vector<std::uint32_t> Grab(const IRECT& area) = 0;

  // Lets the host run until `done` holds; false when it did not in time.
  bool WaitFor(const std::function<bool()>& done) {
    return PollUntil(done, [this] { Wait(20); });
  }
};

class MinimalTarget : public Target {
 public:
  // With `uiThread`, the host idles the editor from a thread of its own, and
  // every edit must reach it there.
  explicit MinimalTarget(const std::string& plugin, bool uiThread = false)
      : host(plugin), mUiThread(uiThread) {
    EXPECT_TRUE(host.Loaded());
    EXPECT_TRUE(host.OpenEditor());
    if (uiThread) host.StartUiThread();
  }
  ~MinimalTarget() override {
    if (!mUiThread) return;
    for (const std::string& violation : host.Violations())
      ADD_FAILURE() << violation;
  }
  std::string Window() override { return host.WindowId(); }
  void Wait(int ms) override { host.Idle(ms); }
  std::vector<std::string> EditLog() override {
    std::vector<std::string> lines;
    for (const MinimalHost::Edit& edit : host.Edits()) {
      if (edit.opcode == audioMasterBeginEdit)
        lines.push_back("begin-edit " + std::to_string(edit.index));
      if (edit.opcode == audioMasterEndEdit)
        lines.push_back("end-edit " + std::to_string(edit.index));
      if (edit.opcode == audioMasterAutomate) {
        char line[64];
        std::snprintf(line, sizeof line, "automate %d %.6f", edit.index,
                      static_cast<double>(edit.value));
        lines.emplace_back(line);
      }
    }
    return lines;
  }
  std::string SavedState() override {
    const std::vector<std::uint8_t> chunk = host.Chunk();
    return {chunk.begin(), chunk.end()};
  }
  std::vector<std::uint32_t> Grab(const IRECT& area) override {
    return host.Grab(area.L, area.T, area.W(), area.H());
  }

  MinimalHost host;

 private:
  bool mUiThread;
};

// `quor-host open` as a separate process, its edits on standard output and
// its state saved on close; more arguments (--play FILE) after the plug-in.
class QuorHostTarget : public Target {
 public:
  explicit QuorHostTarget(const std::string& plugin, const std::vector<std::string>& more = {}) {
    folder = fs::temp_directory_path() / ("quor-host-e2e-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string state = (folder / "state.fxp").string();
    const std::string log = (folder / "edits.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> arguments = {QUOR_HOST, "open", plugin, "--show-edits", "-o", state};
    arguments.insert(arguments.end(), more.begin(), more.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
      argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn(&pid, QUOR_HOST, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    // The host maps its window once the editor is open in it.
    std::string found;
    WaitFor([&] {
      return Xdo({"search", "--onlyvisible", "--limit", "1", "--name", "^quor-host: "}, &found) ==
             0;
    });
    window = found.substr(0, found.find('\n'));
  }
  ~QuorHostTarget() override {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    fs::remove_all(folder);
  }
  std::string Window() override { return window; }
  void Wait(int ms) override { Sleep(ms); }
  std::vector<std::string> EditLog() override {
    std::vector<std::string> lines;
    std::ifstream log(folder / "edits.txt");
    for (std::string line; std::getline(log, line);)
      lines.push_back(line);
    return lines;
  }
  // Closing the window ends the host, which saves the state.
  std::string SavedState() override {
    Xdo({"windowclose", window});
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return Contents(folder / "state.fxp");
  }
  std::vector<std::uint32_t> Grab(const IRECT& area) override {
    return GrabArea(static_cast<xcb_window_t>(std::stoul(window)), area.L, area.T, area.W(),
                    area.H());
  }

  fs::path folder;
  pid_t pid = -1;
  std::string window;
};

// A minimal host idling the editor from the test's thread or from a UI
// thread of its own, or quor-host.
enum class HostKind { kMinimal, kIdlingThread, kQuorHost };

struct Case {
  HostKind host;
  EditorUnderTest editor;
};

std::string CaseText(const Case& c) {
  const char* host = c.host == HostKind::kMinimal        ? "MinimalHost"
                     : c.host == HostKind::kIdlingThread ? "IdlingHost"
                                                         : "QuorHost";
  return std::string(host) + "_" + c.editor.label;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return CaseText(info.param);
}

void PrintTo(const Case& c, std::ostream* out) {
  *out << CaseText(c);
}

// The automate values of a parameter, in order.
std::vector<double> Automated(const std::vector<std::string>& log, int param) {
  std::vector<double> values;
  const std::string prefix = "automate " + std::to_string(param) + " ";
  for (const std::string& line : log)
    if (line.rfind(prefix, 0) == 0) values.push_back(std::stod(line.substr(prefix.size())));
  return values;
}

int Occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++n;
  return n;
}

// A double click on the editor's name; the text field that opens takes the
// focus. Returns the field's window, or 0 when none took the focus.
xcb_window_t OpenNameField(Target& target, const EditorUnderTest& editor) {
  const xcb_window_t before = InputFocus();
  ClickAt(target.Window(), editor.name.x, editor.name.y, 2);
  xcb_window_t field = 0;
  target.WaitFor([&] { return (field = InputFocus()) != before; });
  return field != before ? field : 0;
}

// Types into the open field and ends it with a key; true once the field gave
// the focus away, which it does after it ended.
bool TypeIntoField(Target& target, xcb_window_t field, const std::string& text,
                   const std::string& endKey) {
  Xdo({"key", "ctrl+a"});
  Xdo({"type", "--delay", "60", text});
  Xdo({"key", endKey});
  return target.WaitFor([&] { return InputFocus() != field; });
}

class EditorEndToEnd : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override { REQUIRE_X_SESSION(); }
  const EditorUnderTest& Editor() const { return GetParam().editor; }
  Target& Open() {
    if (GetParam().host != HostKind::kQuorHost) {
      target = std::make_unique<MinimalTarget>(Editor().plugin,
                                               GetParam().host == HostKind::kIdlingThread);
    } else {
      target = std::make_unique<QuorHostTarget>(Editor().plugin);
    }
    EXPECT_FALSE(target->Window().empty());
    return *target;
  }

  std::unique_ptr<Target> target;
};

TEST_P(EditorEndToEnd, DraggingAKnobUpIsOneGestureThatRaisesIt) {
  Target& t = Open();
  const EditorUnderTest& e = Editor();
  MoveTo(t.Window(), e.knob.x, e.knob.y);
  Xdo({"mousedown", "1"});
  for (int step = 0; step < 5; ++step)
    Xdo({"mousemove_relative", "--", "0", "-6"});
  Xdo({"mouseup", "1"});
  const std::string k = std::to_string(e.knobParam);
  std::vector<std::string> log;
  ASSERT_TRUE(t.WaitFor([&] {
    log = t.EditLog();
    return !log.empty() && log.back() == "end-edit " + k;
  }));
  EXPECT_EQ(log.front(), "begin-edit " + k);
  const std::vector<double> values = Automated(log, e.knobParam);
  ASSERT_FALSE(values.empty());
  EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
  EXPECT_GT(values.back(), e.knobDefault);
}

TEST_P(EditorEndToEnd, AClickTogglesTheSwitch) {
  Target& t = Open();
  const EditorUnderTest& e = Editor();
  const auto clicks = [&] { return Automated(t.EditLog(), e.toggleParam).size(); };
  ClickAt(t.Window(), e.toggle.x - 8, e.toggle.y);
  ASSERT_TRUE(t.WaitFor([&] { return clicks() == 1; }));
  // Further from the first than a double click may be: a click of its own.
  ClickAt(t.Window(), e.toggle.x + 8, e.toggle.y);
  ASSERT_TRUE(t.WaitFor([&] { return clicks() == 2; }));
  EXPECT_EQ(Automated(t.EditLog(), e.toggleParam), (std::vector<double>{1.0, 0.0}));
}

TEST_P(EditorEndToEnd, AWheelStepMovesAKnobByAHundredth) {
  Target& t = Open();
  const EditorUnderTest& e = Editor();
  MoveTo(t.Window(), e.knob.x, e.knob.y);
  Xdo({"click", "4"});
  ASSERT_TRUE(t.WaitFor([&] { return !Automated(t.EditLog(), e.knobParam).empty(); }));
  const std::vector<double> values = Automated(t.EditLog(), e.knobParam);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_NEAR(values[0], e.knobDefault + 0.01, 1e-6);
}

TEST_P(EditorEndToEnd, TypedNonAsciiTextRenamesAndIsSaved) {
  Target& t = Open();
  const EditorUnderTest& e = Editor();
  const xcb_window_t field = OpenNameField(t, e);
  ASSERT_NE(field, 0u);
  ASSERT_TRUE(TypeIntoField(t, field, "Café ß", "Return"));
  const std::string state = t.SavedState();
  EXPECT_EQ(Occurrences(state, "Café ß"), 1);
  EXPECT_EQ(Occurrences(state, e.initialName), e.initialNameCount - 1);
}

TEST_P(EditorEndToEnd, EscapeLeavesTheNameUnchanged) {
  Target& t = Open();
  const EditorUnderTest& e = Editor();
  const xcb_window_t field = OpenNameField(t, e);
  ASSERT_NE(field, 0u);
  ASSERT_TRUE(TypeIntoField(t, field, "Junk", "Escape"));
  const std::string state = t.SavedState();
  EXPECT_EQ(Occurrences(state, e.initialName), e.initialNameCount);
  EXPECT_EQ(state.find("Junk"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Editors, EditorEndToEnd,
                         ::testing::Values(Case{HostKind::kMinimal, FixtureEditor()},
                                           Case{HostKind::kQuorHost, FixtureEditor()},
                                           Case{HostKind::kMinimal, QuorEditor()},
                                           Case{HostKind::kIdlingThread, QuorEditor()},
                                           Case{HostKind::kQuorHost, QuorEditor()}),
                         CaseName);

// Each of QUOR's switches toggles on a click at the middle of its legend, a
// wheel burst moves a knob, and the host hears every change inside a gesture.
TEST(QuorEditorEndToEnd, EveryLegendAnswersAndEveryChangeIsInAGesture) {
  REQUIRE_X_SESSION();
  QuorHostTarget target(QUOR_PLUGIN);
  std::vector<std::pair<EditorPoint2, int>> switches;
  for (int t = 0; t < QUOR::kNumTracks; ++t) {
    switches.push_back({{28 + 135 * t + 39, 594 + 20}, QUOR::BypassIdx(t)});
    switches.push_back({{33 + 135 * t + 34, 675}, QUOR::MuteIdx(t)});
  }
  switches.push_back({{540, 675}, QUOR::kModeIdx});
  switches.push_back({{1159, 675}, QUOR::kGlobalBypassIdx});
  std::vector<std::string> expected;
  for (const auto& [at, param] : switches) {
    ClickAt(target.Window(), at.x, at.y);
    const std::string p = std::to_string(param);
    for (const std::string& line :
         {"begin-edit " + p, "automate " + p + " 1.000000", "end-edit " + p})
      expected.push_back(line);
    ASSERT_TRUE(target.WaitFor([&] { return target.EditLog().size() >= expected.size(); })) << p;
  }
  // Three wheel steps on strip 5's Input, then a pause; three quick clicks on
  // Mute 2; a double click that resets the Input.
  MoveTo(target.Window(), 607, 530);
  for (int step = 0; step < 3; ++step)
    Xdo({"click", "4"});
  const std::string input = std::to_string(QUOR::InputIdx(4));
  ASSERT_TRUE(target.WaitFor([&] { return target.EditLog().back() == "end-edit " + input; }));
  ClickAt(target.Window(), 202, 675, 3);
  ClickAt(target.Window(), 607, 530, 2);
  ASSERT_TRUE(target.WaitFor([&] {
    const std::vector<double> values = Automated(target.EditLog(), QUOR::InputIdx(4));
    return values.size() == 4 && values.back() == 0.5;
  }));
  const std::vector<std::string> log = target.EditLog();
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + expected.size()), expected);
  EXPECT_EQ(Automated(log, QUOR::MuteIdx(1)), (std::vector<double>{1., 0., 1., 0.}));
  // Every change lies inside a gesture on its own parameter, and the wheel's
  // three are one.
  std::string open;
  int gestures = 0;
  for (const std::string& line : log) {
    const std::string param = line.substr(line.find(' ') + 1, line.rfind(' ') - line.find(' ') - 1);
    if (line.starts_with("begin-edit ")) {
      EXPECT_EQ(open, "") << line;
      open = line.substr(11);
      ++gestures;
    } else if (line.starts_with("end-edit ")) {
      EXPECT_EQ(open, line.substr(9));
      open.clear();
    } else {
      EXPECT_EQ(open, param) << line;
    }
  }
  // The double click's first press is a gesture of its own, changing nothing.
  EXPECT_EQ(gestures, static_cast<int>(switches.size()) + 1 + 3 + 2);
}

// QUOR's settings under its master knob, played on the window: a drag
// undone with Ctrl+Z and redone with Ctrl+Shift+Z, then B, a reset there, A
// again and B copied onto A; the host hears each change as an edit.
TEST(QuorEditorEndToEnd, UndoRedoAndABReachTheHostAsEdits) {
  REQUIRE_X_SESSION();
  MinimalTarget target(QUOR_PLUGIN);
  const int input = QUOR::InputIdx(4);
  const auto values = [&] { return Automated(target.EditLog(), input); };
  const auto ends = [&](const std::vector<std::string>& tail) {
    const std::vector<std::string> log = target.EditLog();
    return log.size() >= tail.size() &&
           std::equal(tail.begin(), tail.end(), log.end() - static_cast<long>(tail.size()));
  };
  const auto edit = [&](double normalized) {
    char value[64];
    std::snprintf(value, sizeof value, "automate %d %.6f", input, normalized);
    return std::vector<std::string>{"begin-edit " + std::to_string(input), value,
                                    "end-edit " + std::to_string(input)};
  };
  const auto press = [&](const PanelPlace& p) {
    ClickAt(target.Window(), (p.mL + p.mR) / 2, (p.mT + p.mB) / 2);
  };

  MoveTo(target.Window(), 607, 530);
  Xdo({"mousedown", "1"});
  for (int step = 0; step < 5; ++step)
    Xdo({"mousemove_relative", "--", "0", "-6"});
  Xdo({"mouseup", "1"});
  ASSERT_TRUE(target.WaitFor([&] { return ends({"end-edit " + std::to_string(input)}); }));
  ASSERT_FALSE(values().empty());
  const double raised = values().back();
  ASSERT_GT(raised, 0.5);

  // The keys, over the panel's background.
  MoveTo(target.Window(), 1147, 610);
  Xdo({"key", "ctrl+z"});
  ASSERT_TRUE(target.WaitFor([&] { return ends(edit(0.5)); }));
  EXPECT_FLOAT_EQ(target.host.Param(input), 0.5f);
  Xdo({"key", "ctrl+shift+z"});
  ASSERT_TRUE(target.WaitFor([&] { return ends(edit(raised)); }));

  press(kSlotB);  // B starts as A: nothing changes
  ClickAt(target.Window(), 607, 530, 2);
  ASSERT_TRUE(target.WaitFor([&] { return !values().empty() && values().back() == 0.5; }));
  press(kSlotA);
  ASSERT_TRUE(target.WaitFor([&] { return ends(edit(raised)); }));
  press(kSlotB);
  ASSERT_TRUE(target.WaitFor([&] { return ends(edit(0.5)); }));
  press(kCopySlot);
  press(kSlotA);
  target.Wait(400);
  EXPECT_FLOAT_EQ(target.host.Param(input), 0.5f) << "A is a copy of B";
  // The menu's entries do the same.
  const std::size_t before = values().size();
  press(kPresetDisplay);
  target.Wait(300);
  Xdo({"key", "Escape"});
  target.Wait(200);
  EXPECT_EQ(values().size(), before);
}

// A value typed over a knob's legend reaches a host that idles the editor
// from its own UI thread on that thread, inside a gesture.
TEST(QuorEditorEndToEnd, ATypedValueReachesTheHostOnItsUiThread) {
  REQUIRE_X_SESSION();
  MinimalTarget target(QUOR_PLUGIN, true);
  MoveTo(target.Window(), 607, 530);  // strip 5's Input: its readout shows over the legend
  target.Wait(200);
  const xcb_window_t before = InputFocus();
  ClickAt(target.Window(), 607, 566, 2);
  xcb_window_t field = 0;
  ASSERT_TRUE(target.WaitFor([&] { return (field = InputFocus()) != before; }));
  ASSERT_TRUE(TypeIntoField(target, field, "+3.5", "Return"));
  // The double-click's own gesture ends before the typed value's begins:
  // wait for the value, then for the gesture that carries it to end.
  const std::string input = std::to_string(QUOR::InputIdx(4));
  ASSERT_TRUE(target.WaitFor([&] {
    const std::vector<std::string> log = target.EditLog();
    return !Automated(log, QUOR::InputIdx(4)).empty() && log.back() == "end-edit " + input;
  }));
  const std::vector<double> typed = Automated(target.EditLog(), QUOR::InputIdx(4));
  ASSERT_FALSE(typed.empty());
  EXPECT_NEAR(typed.back(), (3.5 + 24.) / 48., 1e-6);
}

// QUOR at the desktop's scale: Xft.dpi 144 and 192 open it at 150% and 200%,
// in a host that sizes its window from effEditGetRect before opening it; a
// drag, a click and a typed name land where they land at 100%.
class ScaledQuorEditor : public ::testing::TestWithParam<double> {
 protected:
  void SetUp() override {
    REQUIRE_X_SESSION();
    SetDesktopDpi(static_cast<int>(std::lround(96. * GetParam())));
    SetEditorScale(GetParam());
  }
  void TearDown() override {
    SetDesktopDpi(0);
    SetEditorScale(1.);
  }
};

TEST_P(ScaledQuorEditor, OpensAtTheDesktopsScaleAndAnswersWhereItDraws) {
  const double scale = GetParam();
  MinimalTarget target(QUOR_PLUGIN);
  ERect* rect = nullptr;
  target.host.Dispatch(effEditGetRect, 0, 0, &rect);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right, std::lround(1215 * scale));
  EXPECT_EQ(rect->bottom, std::lround(692 * scale));
  const EditorUnderTest e = QuorEditor();

  MoveTo(target.Window(), e.knob.x, e.knob.y);
  Xdo({"mousedown", "1"});
  for (int step = 0; step < 5; ++step)
    Xdo({"mousemove_relative", "--", "0", std::to_string(-static_cast<int>(6 * scale))});
  Xdo({"mouseup", "1"});
  ClickAt(target.Window(), e.toggle.x, e.toggle.y);
  ASSERT_TRUE(
      target.WaitFor([&] { return Automated(target.EditLog(), e.toggleParam).size() == 1; }));
  const std::vector<double> knob = Automated(target.EditLog(), e.knobParam);
  ASSERT_FALSE(knob.empty());
  EXPECT_GT(knob.back(), e.knobDefault);

  const xcb_window_t field = OpenNameField(target, e);
  ASSERT_NE(field, 0u);
  ASSERT_TRUE(TypeIntoField(target, field, "Café ß", "Return"));
  EXPECT_EQ(Occurrences(target.SavedState(), "Café ß"), 1);
}

INSTANTIATE_TEST_SUITE_P(Scales, ScaledQuorEditor, ::testing::Values(1.5, 2.),
                         [](const auto& scale) { return scale.index == 0 ? "150" : "200"; });

// A stereo file of the minimal host's swelling sine, a second long: what
// `quor-host open --play` loops, in a folder of its own.
class Stem {
 public:
  explicit Stem(double amplitude) {
    std::vector<double> samples(MinimalHost::kSampleRate);
    for (std::size_t i = 0; i < samples.size(); ++i)
      samples[i] =
          static_cast<double>(MinimalHost::SwellingSine(amplitude, static_cast<std::int64_t>(i)));
    WriteFloatWav(folder.Path("stem.wav"), {samples, samples}, MinimalHost::kSampleRate);
  }
  std::string Path() const { return folder.Path("stem.wav"); }

 private:
  ScratchFolder folder;
};

class QuorHostPlaying : public ::testing::TestWithParam<EditorUnderTest> {
 protected:
  void SetUp() override { REQUIRE_X_SESSION(); }
};

TEST_P(QuorHostPlaying, MetersMove) {
  const EditorUnderTest& e = GetParam();
  const Stem stem(e.audioLevel);
  QuorHostTarget target(e.plugin, {"--play", stem.Path()});
  std::set<std::vector<std::uint32_t>> looks;
  target.WaitFor([&] {
    looks.insert(target.Grab(e.meters.front()));
    return looks.size() >= 4;
  });
  EXPECT_GE(looks.size(), 4u) << "different pictures of the meter";
}

INSTANTIATE_TEST_SUITE_P(Editors, QuorHostPlaying, ::testing::Values(FixtureEditor(), QuorEditor()),
                         EditorName);

// A minimal host in this process with the editor open, for a test's SetUp.
void OpenInMinimalHost(const EditorUnderTest& editor, std::unique_ptr<MinimalHost>& host) {
  REQUIRE_X_SESSION();
  host = std::make_unique<MinimalHost>(editor.plugin);
  ASSERT_TRUE(host->Loaded());
  ASSERT_TRUE(host->OpenEditor());
  // Once it has drawn: a busy machine (or a sanitizer) slows the first draw,
  // and keys forwarded meanwhile wait for the editor's thread longer than a
  // host does.
  PollUntil(
      [&] {
        const std::vector<std::uint32_t> corner = host->Grab(0, 0, 16, 16);
        return std::any_of(corner.begin(), corner.end(), [](std::uint32_t p) { return p != 0; });
      },
      [&] { host->Idle(20); });
}

// What only a host in this process can watch.
class MinimalHostEditor : public ::testing::TestWithParam<EditorUnderTest> {
 protected:
  void SetUp() override { OpenInMinimalHost(editor, host); }
  std::vector<std::uint32_t> Meter() {
    const IRECT& r = editor.meters.front();
    return host->Grab(r.L, r.T, r.W(), r.H());
  }

  EditorUnderTest editor = GetParam();
  std::unique_ptr<MinimalHost> host;
};

TEST_P(MinimalHostEditor, MetersMoveWhileAudioPlays) {
  host->Idle(300);
  const std::vector<std::uint32_t> silent = Meter();
  host->StartAudio(editor.audioLevel);
  EXPECT_TRUE(IdleUntil(*host, [&] { return Meter() != silent; }));
  const std::vector<std::uint32_t> loud = Meter();
  host->StartAudio(0.3 * editor.audioLevel);
  EXPECT_TRUE(IdleUntil(*host, [&] { return Meter() != loud; }));
  host->StopAudio();
}

// QUOR's first meter on the screen against the marks its artwork prints
// (plugin/meter_scale.h), playing a steady sine: track 1 bypassed, its meter
// reads that sine itself.
class QuorMeterOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    OpenInMinimalHost(QuorEditor(), host);
    if (host) host->Effect()->setParameter(host->Effect(), QUOR::BypassIdx(0), 1.f);
  }
  void TearDown() override {
    if (host) host->StopAudio();
  }
  void PlaySine(double db) { host->StartAudio(std::pow(10., db / 20.), true); }

  // The meter value the needle shows, from where it crosses a pixel row
  // under the face's legend, above the housing: the centre of the pixels far
  // darker than the face (its shadow is not), its angle as the artwork draws
  // it, from the pivot (62.5, 91), 44 degrees either side.
  double NeedleValue() {
    constexpr int kLeft = 20, kWidth = 86, kRow = 51;
    const IRECT meter = QuorMeters().front();
    const std::vector<std::uint32_t> face = host->Grab(meter.L, meter.T, meter.W(), meter.H());
    if (face.size() != static_cast<std::size_t>(meter.W() * meter.H())) return -1.;
    double weights = 0., moments = 0.;
    for (int i = 0; i < kWidth; ++i) {
      const std::uint32_t p = face[static_cast<std::size_t>(kRow * meter.W() + kLeft + i)];
      const double light = ((p >> 16 & 0xff) + (p >> 8 & 0xff) + (p & 0xff)) / 3.;
      const double weight = std::max(0., 150. - light);
      weights += weight;
      moments += weight * (kLeft + i + 0.5);
    }
    if (weights == 0.) return -1.;
    const double angle = std::atan((moments / weights - 62.5) / (91. - (kRow + 0.5)));
    return (angle / (44. * M_PI / 180.) + 1.) / 2.;
  }
  std::vector<std::uint32_t> Lamp() {
    const ControlPlace& lamp = kMeterLampControls[0];
    return host->Grab(lamp.mL, lamp.mT, 21, 10);
  }

  std::unique_ptr<MinimalHost> host;
};

TEST_F(QuorMeterOnScreen, ASteadySineSettlesOnItsPrintedMark) {
  for (const MeterMark& mark : kTrackMeterMarks) {
    if (mark.mDb != -10. && mark.mDb != -3.) continue;
    PlaySine(mark.mDb);
    host->Idle(1500);
    const double shown = NeedleValue();
    const double errorDb = 20. * std::log10(shown / mark.mValue);
    std::printf("%+.0f dBFS: the needle shows %.4f, the mark is at %.4f: %+.2f dB\n", mark.mDb,
                shown, mark.mValue, errorDb);
    EXPECT_LT(std::abs(errorDb), 0.5) << mark.mDb;
  }
}

TEST_F(QuorMeterOnScreen, AnOverLightsTheLampUntilAClickPutsItOut) {
  host->Idle(300);
  const std::vector<std::uint32_t> unlit = Lamp();
  PlaySine(-1.);
  host->Idle(500);
  EXPECT_EQ(Lamp(), unlit) << "lit at -1 dBFS";
  PlaySine(3.);
  EXPECT_TRUE(IdleUntil(*host, [&] { return Lamp() != unlit; }));
  PlaySine(-20.);
  host->Idle(300);
  EXPECT_NE(Lamp(), unlit) << "put out without a click";
  const ControlPlace& lamp = kMeterLampControls[0];
  ClickAt(host->WindowId(), lamp.mL + 10, lamp.mT + 5);
  EXPECT_TRUE(IdleUntil(*host, [&] { return Lamp() == unlit; }));
}

// Each meter's peak reading holds the largest peak until a click on it,
// which puts out the over lamp as well.
TEST_F(QuorMeterOnScreen, APeakReadingHoldsUntilAClickResetsItWithTheLamp) {
  host->Idle(300);
  const IRECT meter = QuorMeters().front();
  const IRECT area(meter.L + kPeakReadoutX, meter.T + kPeakReadoutY,
                   meter.L + kPeakReadoutX + kPeakReadoutW,
                   meter.T + kPeakReadoutY + kPeakReadoutH);
  const auto reading = [&] { return host->Grab(area.L, area.T, area.W(), area.H()); };
  const std::vector<std::uint32_t> nothing = reading(), unlit = Lamp();
  PlaySine(-6.);
  ASSERT_TRUE(IdleUntil(*host, [&] { return reading() != nothing; }));
  host->Idle(200);
  const std::vector<std::uint32_t> six = reading();
  PlaySine(-20.);
  host->Idle(500);
  EXPECT_EQ(reading(), six) << "not held";
  PlaySine(2.);
  ASSERT_TRUE(IdleUntil(*host, [&] { return reading() != six && Lamp() != unlit; }));
  host->StopAudio();
  ClickAt(host->WindowId(), area.L + 10, area.T + 5);
  EXPECT_TRUE(IdleUntil(*host, [&] { return reading() == nothing && Lamp() == unlit; }));
}

TEST_P(MinimalHostEditor, TheTextFieldGivesTheFocusBackToTheHost) {
  ClickAt(host->WindowId(), editor.name.x, editor.name.y, 2);
  EXPECT_TRUE(IdleUntil(*host, [&] { return host->Focus() != host->Window(); }));
  Xdo({"key", "Return"});
  EXPECT_TRUE(IdleUntil(*host, [&] { return host->Focus() == host->Window(); }));
}

TEST_P(MinimalHostEditor, AMenuChoosesWithKeysAndEscapeDismissesIt) {
  if (!editor.hasMenu) GTEST_SKIP() << editor.label << " has no control that opens a menu";
  const int windows = CountWindows();
  ClickAt(host->WindowId(), editor.menu.x, editor.menu.y);
  // The menu is a window of its own beside the editor.
  EXPECT_TRUE(IdleUntil(*host, [&] { return CountWindows() == windows + 1; }));
  Xdo({"key", "Escape"});
  EXPECT_TRUE(IdleUntil(*host, [&] { return CountWindows() == windows; }));
  const float before = host->Param(editor.menuParam);
  Sleep(500);
  ClickAt(host->WindowId(), editor.menu.x, editor.menu.y);
  EXPECT_TRUE(IdleUntil(*host, [&] { return CountWindows() == windows + 1; }));
  for (int i = 0; i < editor.menuItems; ++i)
    Xdo({"key", "Down"});
  Xdo({"key", "Return"});
  EXPECT_TRUE(IdleUntil(*host, [&] { return CountWindows() == windows; }));
  EXPECT_FLOAT_EQ(before, 0.f);
  EXPECT_TRUE(IdleUntil(*host, [&] { return host->Param(editor.menuParam) == 1.f; }));
}

int Count(const char* folder) {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
    ++n;
  return n;
}

// The segments this process made; the server's and other programs' are theirs.
int SharedMemorySegments() {
  std::ifstream table("/proc/sysvipc/shm");
  std::string header;
  std::getline(table, header);
  int n = 0;
  for (std::string line; std::getline(table, line);) {
    std::istringstream fields(line);
    std::string key, id, perms, size;
    pid_t creator = 0;
    fields >> key >> id >> perms >> size >> creator;
    if (creator == getpid()) ++n;
  }
  return n;
}

TEST_P(MinimalHostEditor, OpeningAndClosingFiftyTimesLeavesNothingBehind) {
  host->CloseEditor();
  const auto counts = [] {
    return std::vector<int>{Count("/proc/self/task"), Count("/proc/self/fd"), CountWindows(),
                            SharedMemorySegments()};
  };
  const std::vector<int> before = counts();
  for (int round = 0; round < 50; ++round) {
    ASSERT_TRUE(host->OpenEditor()) << "round " << round;
    if (round % 10 == 3) {
      // Closed while the text field is open.
      ClickAt(host->WindowId(), editor.name.x, editor.name.y, 2);
      EXPECT_TRUE(IdleUntil(*host, [&] { return host->Focus() != host->Window(); }));
    }
    if (round % 10 == 5) {
      // Opened again without closing: the new window replaces the old.
      ASSERT_EQ(
          host->Dispatch(effEditOpen, 0, 0,
                         reinterpret_cast<void*>(static_cast<std::uintptr_t>(host->Window()))),
          1);
      host->Idle(50);
    }
    if (round % 10 == 7) {
      // The host takes its window away before it closes the editor.
      host->DestroyWindow();
      host->Idle(50);
    }
    host->CloseEditor();
  }
  // Windows go as the server gets to them.
  IdleUntil(*host, [&] { return counts() == before; });
  EXPECT_EQ(counts(), before) << "threads, descriptors, windows, shared-memory segments";
}

// Hosts load and unload a plug-in many times in one process. In one that
// uses no fontconfig itself, fontconfig goes with QUOR's library: what QUOR
// took from it must go too (its default configuration stayed, 0.3 MB a time).
TEST(QuorLibrary, LoadingAndUnloadingWithTheEditorLeavesNoMemoryBehind) {
  REQUIRE_X_SESSION();
#ifdef LOAD_CYCLES
  FILE* cycles = popen((std::string(LOAD_CYCLES) + " " + QUOR_PLUGIN + " 8").c_str(), "r");
  ASSERT_NE(cycles, nullptr);
  long long grown = -1;
  const int read = std::fscanf(cycles, "%lld", &grown);
  EXPECT_EQ(pclose(cycles), 0);
  ASSERT_EQ(read, 1);
  std::printf("heap grown by %lld bytes a cycle\n", grown);
  EXPECT_LT(grown, 32 * 1024);
#else
  GTEST_SKIP() << "the heap is the sanitizers' here";
#endif
}

TEST_P(MinimalHostEditor, AHiddenEditorSurvivesAndShowsAgain) {
  host->StartAudio(editor.audioLevel);
  host->Unmap();
  host->Idle(600);
  host->Map();
  // The meter, drawn again once shown, is not all background.
  EXPECT_TRUE(IdleUntil(*host, [&] {
    const std::vector<std::uint32_t> shown = Meter();
    return std::any_of(shown.begin(), shown.end(),
                       [&](std::uint32_t p) { return p != shown.front(); });
  }));
  host->StopAudio();
}

INSTANTIATE_TEST_SUITE_P(Editors, MinimalHostEditor,
                         ::testing::Values(FixtureEditor(), QuorEditor()), EditorName);

// What only the test plug-in's editor has: keys it takes, a message box, and
// a second instance to paste into.
class MinimalHostFixture : public ::testing::Test {
 protected:
  void SetUp() override { OpenInMinimalHost(editor, host); }

  EditorUnderTest editor = FixtureEditor();
  std::unique_ptr<MinimalHost> host;
};

TEST_F(MinimalHostFixture, KeysTheEditorDoesNotTakeGoBackToTheHost) {
  const double start = static_cast<double>(host->Param(editor.knobParam));
  // Forwarded by the host as requests.
  EXPECT_EQ(host->Dispatch(effEditKeyDown, 0, VKEY_UP), 1);
  EXPECT_EQ(host->Dispatch(effEditKeyUp, 0, VKEY_UP), 1);
  host->Idle(100);
  EXPECT_NEAR(host->Param(editor.knobParam), start + fixture_editor::kArrowStep, 1e-6);
  EXPECT_EQ(host->Dispatch(effEditKeyDown, 'q', 0), 0);
  EXPECT_EQ(host->Dispatch(effEditKeyUp, 'q', 0), 0);
  // Typed on the editor's window, over no control that takes keys.
  MoveTo(host->WindowId(), fixture_editor::kKnobRect.L, fixture_editor::kHeight - 5);
  Xdo({"key", "Down"});
  host->Idle(300);
  EXPECT_NEAR(host->Param(editor.knobParam), start, 1e-6);
  const int keys = host->KeysReceived();
  Xdo({"key", "F5"});
  host->Idle(300);
  EXPECT_EQ(host->KeysReceived(), keys + 1);
}

TEST_F(MinimalHostFixture, AMessageBoxIsDrawnAndAnswered) {
  if (!FindProgram("zenity").empty()) GTEST_SKIP() << "zenity answers instead";
  const int windows = CountWindows();
  const auto ask = [&] {
    MoveTo(host->WindowId(), fixture_editor::kKnobRect.L, fixture_editor::kHeight - 5);
    Xdo({"key", "m"});
    return IdleUntil(*host, [&] { return CountWindows() == windows + 1; });
  };
  EXPECT_TRUE(ask());
  Xdo({"key", "Return"});
  EXPECT_TRUE(IdleUntil(*host, [&] { return CountWindows() == windows; }));
  EXPECT_FLOAT_EQ(host->Param(editor.toggleParam), 1.f);
  EXPECT_TRUE(ask());
  Xdo({"key", "Escape"});
  EXPECT_TRUE(IdleUntil(*host, [&] { return CountWindows() == windows; }));
  EXPECT_FLOAT_EQ(host->Param(editor.toggleParam), 0.f);
  // Closing the editor ends an open dialog too.
  EXPECT_TRUE(ask());
  const auto start = std::chrono::steady_clock::now();
  host->CloseEditor();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(IdleUntil(*host, [&] { return CountWindows() == windows - 2; }));
}

// Copied in one editor, pasted in another: the text travels as an X
// selection from one process to the other.
TEST_F(MinimalHostFixture, TextCopiedInOneEditorPastesInAnother) {
  QuorHostTarget other(editor.plugin);
  Xdo({"windowmove", other.Window(), "500", "0"});
  other.Wait(300);
  const xcb_window_t field = OpenNameField(other, editor);
  ASSERT_NE(field, 0u);
  Xdo({"key", "ctrl+a"});
  Xdo({"type", "--delay", "60", "Clip ß"});
  Xdo({"key", "ctrl+a", "ctrl+c", "Escape"});
  ASSERT_TRUE(other.WaitFor([&] { return InputFocus() != field; }));
  ClickAt(host->WindowId(), editor.name.x, editor.name.y, 2);
  ASSERT_TRUE(IdleUntil(*host, [&] { return host->Focus() != host->Window(); }));
  Xdo({"key", "ctrl+a", "ctrl+v", "Return"});
  EXPECT_TRUE(IdleUntil(*host, [&] {
    const std::vector<std::uint8_t> chunk = host->Chunk();
    return std::string(chunk.begin(), chunk.end()).find("Clip ß") != std::string::npos;
  }));
}

}  // namespace

namespace {

// A server without shared memory, as over ssh: the editor draws through
// plain image requests.
TEST(EditorWithoutSharedMemory, DrawsAllTheSame) {
  REQUIRE_X_SESSION();
  std::vector<std::uint32_t> pixels;
  {
    std::ostringstream notes;
    PrivateDisplay plain(notes, {"-extension", "MIT-SHM"});
    MinimalHost host(FIXTURE_EDITOR);
    ASSERT_TRUE(host.OpenEditor());
    host.Idle(300);
    pixels = host.Grab(0, 0, fixture_editor::kWidth, fixture_editor::kHeight);
  }
  ASSERT_EQ(pixels.size(),
            static_cast<std::size_t>(fixture_editor::kWidth * fixture_editor::kHeight));
  // The panel's colour in a corner, the switch's off colour in its middle.
  EXPECT_EQ(pixels[0], 0x282C34u);
  const IRECT& r = fixture_editor::kSwitchRect;
  EXPECT_EQ(
      pixels[static_cast<std::size_t>((r.T + r.B) / 2 * fixture_editor::kWidth + (r.L + r.R) / 2)],
      0x505050u);
}

}  // namespace
