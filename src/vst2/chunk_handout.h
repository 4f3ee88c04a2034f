// The chunks handed to a host, one for each thread that asks. A host reads a
// chunk after the request that made it has returned; one that asks on two
// threads at once must not find the other's request freeing or rewriting its
// bytes. Each stays as it was made until the same thread asks again.
#pragma once

#include <map>
#include <mutex>
#include <thread>

#include "framework/byte_chunk.h"

class ChunkHandout {
 public:
  // The calling thread's chunk, to be made anew and handed out; no other
  // thread touches it. One is kept for every thread that ever asked.
  ByteChunk& ForThisThread() {
    std::lock_guard lock(mMutex);
    return mChunks[std::this_thread::get_id()];  // a map's entries never move
  }

 private:
  std::mutex mMutex;
  std::map<std::thread::id, ByteChunk> mChunks;
};
