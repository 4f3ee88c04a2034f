// Turns the plug-in's blocks into the output stream: drops the frames its
// latency delays everything by, keeps the whole of the inputs' length, then
// the tail: a fixed length, or on until every sample of the output has stayed
// below -120 dBFS for a moment (the quiet moment itself is not kept), at most
// a cap. Where a gain is still to come, the quiet level is lowered to suit.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual void Write(std::span<const double> interleaved, std::size_t frames) = 0;
};

enum class TailEnd { kFixed, kQuiet, kCap };

struct TailPolicy {
  std::optional<std::int64_t> fixedFrames;  // none: until quiet
  std::int64_t quietFrames = 0;
  std::int64_t capFrames = 0;
  double quietLevel = 0.0;  // linear
};

// Content whose end is not known yet (a stream still coming).
constexpr std::int64_t kEndless = std::numeric_limits<std::int64_t>::max();

class OutputStage {
 public:
  OutputStage(std::size_t channels, std::int64_t contentFrames, const TailPolicy& tail,
              OutputSink& sink);
  // Where the content ends, once a stream has ended; before the stage reaches it.
  void SetContentFrames(std::int64_t frames) { mContentFrames = frames; }
  // Frames to drop from the start; honoured while nothing has been written.
  void SetLatency(std::int64_t frames);
  // Where the output counts as quiet, linear; from the next frame on.
  void SetQuietLevel(double level) { mTail.quietLevel = level; }
  // Takes a processed block of planar channels.
  void Push(const double* const* channels, std::size_t frames);
  // Ends the tail where the frames ran out, as another stage ended it before.
  void Finish(TailEnd how);
  bool Ended() const { return mEnded; }

  std::int64_t WrittenFrames() const { return mWritten; }
  std::int64_t TailFrames() const { return std::max<std::int64_t>(mWritten - mContentFrames, 0); }
  TailEnd HowTheTailEnded() const { return mTailEnd; }

 private:
  void Emit(const double* const* channels, std::size_t frame);
  void End(TailEnd how);

  std::size_t mChannels;
  std::int64_t mContentFrames;
  TailPolicy mTail;
  OutputSink& mSink;
  std::int64_t mLatency = 0;
  std::int64_t mDropped = 0;
  std::int64_t mPosition = 0;  // frames after the dropped ones
  std::int64_t mWritten = 0;
  bool mEnded = false;
  TailEnd mTailEnd = TailEnd::kFixed;
  std::vector<double> mBlock;    // interleaved frames to write
  std::vector<double> mPending;  // quiet tail frames kept back
};
