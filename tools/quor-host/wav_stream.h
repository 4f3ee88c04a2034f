// A WAV (or RF64) file arriving through a pipe, read as it comes: its header
// first, then PCM or float samples to the stream's real end, whatever the
// header's sizes say. A writer into a pipe cannot know the length ahead:
// sox writes 0x7FFFF000 bytes there, others 0xFFFFFFFF or 0.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Reads until `size` bytes or the end of a stream; returns the bytes read.
// Throws HostError, naming the path, when reading fails.
std::size_t ReadStream(int descriptor, std::uint8_t* bytes, std::size_t size,
                       const std::string& path);

class WavStream {
 public:
  // Reads the header from the descriptor, after the bytes already taken from
  // it. nullopt, with every byte it read appended to `consumed`, when the
  // samples are in an encoding read only through a copy; throws HostError
  // for a header that is not one.
  static std::optional<WavStream> Open(int descriptor, const std::string& path,
                                       std::vector<std::uint8_t>& consumed);

  int Channels() const { return mChannels; }
  int SampleRate() const { return mSampleRate; }
  // Reads up to interleaved.size() / Channels() frames; 0 at the end.
  std::size_t Read(std::span<double> interleaved);
  // Where the stream and its header disagree, once it has ended.
  std::vector<std::string> Problems() const;

 private:
  WavStream() = default;
  double Decode(const std::uint8_t* sample) const;

  int mDescriptor = -1;
  std::string mPath;
  int mChannels = 0;
  int mSampleRate = 0;
  int mBytes = 0;  // per sample
  bool mFloat = false;
  std::uint64_t mHeaderBytes = 0;  // of audio, as the header gives them
  bool mHeaderKnowsLength = true;
  bool mHeaderGuesses = false;   // sox's size for a pipe
  std::uint64_t mDataBytes = 0;  // read so far
  std::size_t mPartialBytes = 0;
  bool mEnded = false;
  std::vector<std::uint8_t> mRaw;
};
