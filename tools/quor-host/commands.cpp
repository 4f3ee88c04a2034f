#include "quor-host/commands.h"

#include "quor-host/parameter_settings.h"
#include "quor-host/plugin_state.h"

namespace {

constexpr std::string_view kInfoOptions[] = {"--state", "--set"};
constexpr std::string_view kRenderOptions[] = {
    "--output",          "--track",      "--midi",      "--rate",           "--bits",
    "--dither",          "--format",     "--outputs",   "--split",          "--tail",
    "--no-compensate",   "--allow-clip", "--normalize", "--normalize-lufs", "--true-peak-max",
    "--allow-nonfinite", "--timeout",    "--json",      "--block",          "--precision",
    "--in-place",        "--state",      "--set"};
constexpr std::string_view kStateSaveOptions[] = {"--state", "--set"};
constexpr std::string_view kNoOptions[] = {"--help"};
constexpr std::string_view kOpenOptions[] = {"--state",  "--set",       "--play",       "--block",
                                             "--output", "--precision", "--show-edits", "--scale"};
constexpr std::string_view kScreenshotOptions[] = {"--state", "--set", "--scale"};
constexpr OptionNote kOpenNotes[] = {
    {"--output", "FILE.fxp|FILE.fxb",
     "save the plug-in's state when the window closes: its current program (.fxp) or whole bank "
     "(.fxb)"},
    {"--block", "N", "frames per process call while --play plays"},
};

constexpr CommandEntry kCommands[] = {
    {"info", "PLUGIN", "show a plug-in's identity, programs and parameters",
     "Loads PLUGIN, applies --state and --set, and lists what it says about itself and the value "
     "of every parameter as it displays it.",
     kInfoOptions, RunInfo},
    {"render", "PLUGIN -o OUT [IN ...]", "render audio files (and MIDI) through a plug-in",
     "Feeds the input files to PLUGIN and writes what it outputs to OUT. Each file feeds a track, "
     "a pair of the plug-in's inputs: the files in order from track 1, or where --track puts "
     "them; - is standard input. A WAV file through a pipe or FIFO is read to its end whatever "
     "its header says, and a stream that is not audio is refused at once. A mono file feeds "
     "both channels of its track; a file of more "
     "channels fills as many inputs from its track on. Inputs at another sample rate than the "
     "render's are resampled. The render goes on after the inputs end until the output falls "
     "silent, so that tails are kept, and the plug-in's latency is removed. The plug-in runs in "
     "a process of its own: if it crashes, ends that process, hangs (see --timeout) or puts out "
     "samples that are not numbers, the render fails and says so. The output is written to a "
     "temporary file beside OUT, read back, and put in place only when everything succeeded; "
     "a file you may not write is not replaced, a symbolic link's target is, and the old "
     "file's owner and permissions stay. A file that would clip, or a float file with samples "
     "beyond full scale, is not written unless --allow-clip or a normalisation is given. "
     "Outputs after the first pair that stayed digitally silent are left out unless --outputs "
     "is given. The report gives the sample peak and RMS of "
     "every output and the integrated loudness, loudness range and true peak of each pair of "
     "outputs, as the files hold them.",
     kRenderOptions, RunRender},
    {"state save", "PLUGIN FILE.fxp|FILE.fxb", "save a plug-in's state as a program or bank file",
     "Loads PLUGIN, applies --state and --set, and writes its current program (.fxp) or whole "
     "bank (.fxb).",
     kStateSaveOptions, RunStateSave},
    {"state show", "FILE [PLUGIN]", "show what a program or bank file holds",
     "Prints the header of a program or bank file and its parameter values. A file that holds a "
     "chunk is opaque to the host: the values are read back from the plug-in, given as PLUGIN or "
     "found by its unique id in the plug-in folders.",
     kNoOptions, RunStateShow},
    {"open", "PLUGIN [--play FILE ...]", "open a plug-in's editor in a window",
     "Loads PLUGIN, applies --state and --set, and shows its editor in a window of its own until "
     "the window is closed, as a host would. With --play the files after the plug-in play "
     "through it in a loop, in real time, so that its meters move. With --output the plug-in's "
     "state is saved to a program (.fxp) or bank (.fxb) file when the window closes.",
     kOpenOptions, RunOpen, kOpenNotes},
    {"screenshot", "PLUGIN OUT.png", "save a picture of a plug-in's editor",
     "Loads PLUGIN, applies --state and --set, opens its editor in a window and, once it has "
     "drawn, writes the window's pixels to OUT.png. Without $DISPLAY it draws on a private X "
     "server (Xvfb) when one is installed.",
     kScreenshotOptions, RunScreenshot},
};

}  // namespace

OptionEntry CommandEntry::Option(std::string_view optionName) const {
  OptionEntry option = FindOption(optionName);
  for (const OptionNote& note : notes) {
    if (note.name != option.name) continue;
    option.value = note.value;
    option.help = note.help;
    option.defaultText = "";
  }
  return option;
}

std::span<const CommandEntry> AllCommands() {
  return kCommands;
}

void Warn(Streams& streams, const std::vector<std::string>& warnings) {
  for (const std::string& warning : warnings)
    streams.err << "quor-host: warning: " << warning << '\n';
}

std::vector<std::string> ApplyStateOptions(const Plugin& plugin, const Options& options) {
  if (options.stateFile) LoadStateFile(plugin, *options.stateFile);
  return ApplySettings(plugin, options.settings);
}
