#include "quor-host/output_stage.h"

#include <algorithm>
#include <cmath>

OutputStage::OutputStage(std::size_t channels, std::int64_t contentFrames, const TailPolicy& tail,
                         OutputSink& sink)
    : mChannels(channels), mContentFrames(contentFrames), mTail(tail), mSink(sink) {
  if (mContentFrames == 0 && mTail.fixedFrames == 0) mEnded = true;
}

void OutputStage::SetLatency(std::int64_t frames) {
  if (mWritten == 0 && mPosition == 0) mLatency = frames;
}

void OutputStage::Emit(const double* const* channels, std::size_t frame) {
  for (std::size_t c = 0; c < mChannels; ++c)
    mBlock.push_back(channels[c][frame]);
}

void OutputStage::End(TailEnd how) {
  mEnded = true;
  mTailEnd = how;
  mPending.clear();
}

void OutputStage::Finish(TailEnd how) {
  if (!mEnded) End(how);
}

void OutputStage::Push(const double* const* channels, std::size_t frames) {
  mBlock.clear();
  for (std::size_t i = 0; i < frames && !mEnded; ++i) {
    if (mDropped < mLatency) {
      ++mDropped;
      continue;
    }
    const std::int64_t position = mPosition++;
    if (position < mContentFrames) {
      Emit(channels, i);
      continue;
    }
    const std::int64_t tail = position - mContentFrames;
    if (mTail.fixedFrames) {
      if (tail < *mTail.fixedFrames) Emit(channels, i);
      if (tail + 1 >= *mTail.fixedFrames) End(TailEnd::kFixed);
      continue;
    }
    if (tail >= mTail.capFrames) {
      End(TailEnd::kCap);
      break;
    }
    bool loud = false;
    for (std::size_t c = 0; c < mChannels; ++c)
      loud = loud || !(std::abs(channels[c][i]) < mTail.quietLevel);
    if (loud) {
      mBlock.insert(mBlock.end(), mPending.begin(), mPending.end());
      mPending.clear();
      Emit(channels, i);
      continue;
    }
    for (std::size_t c = 0; c < mChannels; ++c)
      mPending.push_back(channels[c][i]);
    if (static_cast<std::int64_t>(mPending.size() / std::max<std::size_t>(mChannels, 1)) >=
        mTail.quietFrames) {
      End(TailEnd::kQuiet);
    }
  }
  const std::size_t emitted = mChannels == 0 ? 0 : mBlock.size() / mChannels;
  if (emitted > 0) {
    mSink.Write(mBlock, emitted);
    mWritten += static_cast<std::int64_t>(emitted);
  }
}
