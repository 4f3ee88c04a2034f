#pragma once

// Runs a chain of per-frame stages over a block as a wavefront: in step i,
// stage k works on frame i - k. Every stage still sees its frames in order and
// each frame passes the stages in order, so the arithmetic is unchanged; but
// the stages of one step work on different frames and never wait for one
// another, so a processor can overlap them instead of waiting out the latency
// of each recursive stage in turn. A stage hands frame j to the next through
// storage that the next stage reads one step later.
template <class... Stages>
[[gnu::always_inline]] inline void RunWavefront(int frames, Stages&&... stages) {
  constexpr int kStages = static_cast<int>(sizeof...(Stages));
  const auto some = [&](int step) __attribute__((always_inline)) {
    int k = 0;
    ((step - k >= 0 && step - k < frames ? stages(step - k) : void(), ++k), ...);
  };
  const auto all = [&](int step) __attribute__((always_inline)) {
    int k = 0;
    ((stages(step - k), ++k), ...);
  };
  // Filling, full, draining.
  int step = 0;
  for (; step < kStages - 1; ++step)
    some(step);
  for (; step < frames; ++step)
    all(step);
  for (; step < frames + kStages - 1; ++step)
    some(step);
}
