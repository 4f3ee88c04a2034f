// `open` and `screenshot`: a plug-in's editor in a window of its own.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "quor-host/audio_files.h"
#include "quor-host/audio_source.h"
#include "quor-host/commands.h"
#include "quor-host/editor_window.h"
#include "quor-host/fx_file.h"
#include "quor-host/host_error.h"
#include "quor-host/input_routing.h"
#include "quor-host/interruption.h"
#include "quor-host/midi_feed.h"
#include "quor-host/plugin.h"
#include "quor-host/plugin_state.h"
#include "quor-host/renderer.h"
#include "quor-host/text.h"
#include "raster/mem_bitmap.h"
#include "raster/png.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Title(const Plugin& plugin) {
  std::string name = plugin.Text(effGetEffectName);
  if (name.empty()) name = plugin.Path();
  return "quor-host: " + name;
}

// The input files played through the plug-in in a loop, in real time, on a
// thread of their own, as a host's audio runs beside its editor.
class LoopPlayer {
 public:
  LoopPlayer(const Plugin& plugin, const Options& options, std::vector<std::string> files)
      : mPlugin(plugin), mOptions(options), mFiles(std::move(files)) {
    if (mFiles.empty()) return;
    mStems = ListStems(mFiles, {});
    mRate = AudioReader(mStems.front().path).SampleRate();
    std::vector<int> channels;
    for (const Stem& stem : mStems)
      channels.push_back(AudioReader(stem.path).Channels());
    mRouting = RouteStems(mStems, channels, plugin.NumInputs());
    mPrecision = ChoosePrecision(plugin, options);
    plugin.Context().sampleRate = mRate;
    plugin.Context().blockSize = options.blockSize;
    plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(mRate));
    plugin.Dispatch(effSetBlockSize, 0, options.blockSize);
  }

  void Start() {
    if (mFiles.empty()) return;
    mSession.emplace(mPlugin, mPrecision == Precision::kDouble);
    mThread = std::thread([this] { Run(); });
  }

  ~LoopPlayer() {
    mStop = true;
    if (mThread.joinable()) mThread.join();
  }

 private:
  void Run() {
    const auto block = static_cast<std::size_t>(mOptions.blockSize);
    const auto period = std::chrono::duration<double>(static_cast<double>(block) / mRate);
    MidiFeed midi;
    auto next = Clock::now();
    while (!mStop) {
      std::vector<AudioSource> sources;
      for (const Stem& stem : mStems)
        sources.emplace_back(stem.path, mRate);
      const auto ended = [&] {
        return std::all_of(sources.begin(), sources.end(),
                           [](const AudioSource& source) { return source.Ended(); });
      };
      Renderer renderer(mPlugin, mPrecision, block, false, sources, mRouting, midi);
      bool played = false;
      while (!ended() && !mStop) {
        renderer.Process(block);
        played = true;
        next += std::chrono::duration_cast<Clock::duration>(period);
        std::this_thread::sleep_until(next);
      }
      // A stream plays once: it cannot be read again.
      const bool streamed = std::any_of(sources.begin(), sources.end(),
                                        [](const AudioSource& s) { return !s.Reader().Frames(); });
      if (!played || streamed) break;
    }
  }

  const Plugin& mPlugin;
  const Options& mOptions;
  std::vector<std::string> mFiles;
  std::vector<Stem> mStems;
  Routing mRouting;
  int mRate = 44100;
  Precision mPrecision = Precision::kDouble;
  std::optional<ProcessingSession> mSession;
  std::thread mThread;
  std::atomic<bool> mStop{false};
};

// Prints each gesture and change the editor reports, as a host sees them.
void ShowEdits(HostContext& context, std::ostream& out) {
  auto mutex = std::make_shared<std::mutex>();
  context.onEdit = [&out, mutex](VstInt32 opcode, VstInt32 index, float value) {
    std::lock_guard lock(*mutex);
    if (opcode == audioMasterBeginEdit) {
      out << "begin-edit " << index << '\n';
    } else if (opcode == audioMasterEndEdit) {
      out << "end-edit " << index << '\n';
    } else {
      out << Format("automate %d %.6f\n", index, static_cast<double>(value));
    }
    out.flush();
  };
}

}  // namespace

void RunOpen(const Options& options, Streams& streams) {
  if (options.positional.empty()) throw UsageError("open needs a plug-in file");
  std::vector<std::string> files(options.positional.begin() + 1, options.positional.end());
  if (!files.empty() && !options.play) throw UsageError("open plays files only with --play");
  if (options.play && files.empty()) throw UsageError("--play needs the files to play");
  const bool bank = options.output && IsBankFileName(*options.output);
  HostContext context;
  if (options.showEdits) ShowEdits(context, streams.out);
  // Read by the plug-in when its editor opens.
  if (options.editorScale) setenv("QUOR_EDITOR_SCALE", options.editorScale->c_str(), 1);
  const Plugin plugin(options.positional[0], context);
  Warn(streams, ApplyStateOptions(plugin, options));
  LoopPlayer player(plugin, options, files);
  {
    // Ctrl-C closes the window, as closing it would.
    const CooperativeInterruption closing;
    EditorWindow window(plugin, Title(plugin));
    context.onSizeWindow = [&window](int w, int h) { window.Resize(w, h); };
    player.Start();
    while (!InterruptionRequested() && window.Pump(100)) {
    }
  }
  if (options.output) {
    const FxFile file = CaptureState(plugin, bank);
    WriteWholeFile(*options.output, FxFileToBytes(file));
    streams.out << "wrote " << *options.output << '\n';
  }
}

void RunScreenshot(const Options& options, Streams& streams) {
  if (options.positional.size() != 2) throw UsageError("screenshot takes a plug-in and a PNG file");
  const std::string& path = options.positional[1];
  if (Extension(path) != "png") throw UsageError(path + ": name the file .png");
  std::optional<PrivateDisplay> display;
  if (const char* name = std::getenv("DISPLAY"); !name || !*name) display.emplace(streams.err);
  HostContext context;
  // Read by the plug-in when its editor opens.
  if (options.editorScale) setenv("QUOR_EDITOR_SCALE", options.editorScale->c_str(), 1);
  const Plugin plugin(options.positional[0], context);
  Warn(streams, ApplyStateOptions(plugin, options));
  EditorWindow window(plugin, Title(plugin));
  context.onSizeWindow = [&window](int w, int h) { window.Resize(w, h); };
  // Drawn once two grabs a few frames apart agree, after a first moment; a
  // window still of one colour has not drawn yet (an editor decoding its
  // images on a busy machine).
  constexpr int kSettleMs = 400;
  constexpr int kStepMs = 150;
  constexpr int kTimeoutMs = 10000;
  window.Pump(kSettleMs);
  WindowImage previous = window.Grab();
  WindowImage image = previous;
  bool settled = false;
  for (int waited = kSettleMs; waited < kTimeoutMs && !settled; waited += kStepMs) {
    if (!window.Pump(kStepMs)) throw HostError("the window closed before it was drawn");
    image = window.Grab();
    const bool flat = std::adjacent_find(image.pixels.begin(), image.pixels.end(),
                                         std::not_equal_to<>()) == image.pixels.end();
    settled = !image.pixels.empty() && !flat && image == previous;
    previous = image;
  }
  if (image.pixels.empty()) throw HostError("cannot read the window's pixels");
  if (!settled) Warn(streams, {"the editor kept changing; this is its last picture"});
  raster::MemBitmap bitmap(image.width, image.height);
  for (int y = 0; y < image.height; ++y)
    std::copy_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width, image.width,
                bitmap.getBits() + static_cast<std::ptrdiff_t>(y) * bitmap.getRowSpan());
  if (!raster::WritePNG(bitmap, path.c_str())) throw HostError(path + ": cannot write the image");
  streams.out << "wrote " << path << ": " << image.width << " x " << image.height << '\n';
}
