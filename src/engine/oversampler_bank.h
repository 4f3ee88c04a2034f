#pragma once

#include "engine/halfband.h"
#include "engine/lanes.h"

// Four-times oversampling of a bank of NCh channels with the channels as
// vector lanes. Every channel gets exactly the bits its own OverSampler<double>
// with factor k4x gives: the same stages, the same cells, the same samples in
// the same order. The caller runs a function on the four samples between Up2
// and Down2, and may run the steps of different frames side by side.
template <int NCh>
class OverSamplerBank4x {
  using Stage1 = halfband::BankStage<12, NCh>;
  using Stage2 = halfband::BankStage<4, NCh>;

 public:
  // The state of one vector of channels, held in registers for a block.
  template <class V>
  struct Lanes {
    typename Stage1::template State<V> up1, down1;
    typename Stage2::template State<V> up2, down2;
  };

  // The channels from `lane` on, one vector of them.
  template <class V>
  [[gnu::always_inline]] Lanes<V> Load(int lane) const {
    return {mUp1.template Load<V>(lane), mDown1.template Load<V>(lane), mUp2.template Load<V>(lane),
            mDown2.template Load<V>(lane)};
  }
  template <class V>
  [[gnu::always_inline]] void Store(int lane, const Lanes<V>& lanes) {
    mUp1.Store(lane, lanes.up1);
    mDown1.Store(lane, lanes.down1);
    mUp2.Store(lane, lanes.up2);
    mDown2.Store(lane, lanes.down2);
  }

  // Every channel back to silence, as a new bank.
  void Reset() {
    mUp1.Reset();
    mUp2.Reset();
    mDown2.Reset();
    mDown1.Reset();
  }

  // One input sample to twice the rate.
  template <class V>
  [[gnu::always_inline]] void Up1(Lanes<V>& lanes, V input, V (&out)[2]) const {
    // A non-number would stay in the allpass state for good and silence the
    // channel; it is taken as silence instead.
    mUp1.Up(lanes.up1, ZeroIfNotFinite(input), out[0], out[1]);
  }
  // Twice the rate to four times, the earlier sample first.
  template <class V>
  [[gnu::always_inline]] void Up2(Lanes<V>& lanes, const V (&in)[2], V (&out)[4]) const {
    mUp2.Up(lanes.up2, in[0], out[0], out[1]);
    mUp2.Up(lanes.up2, in[1], out[2], out[3]);
  }
  // Four times the rate back to twice, pair by pair.
  template <class V>
  [[gnu::always_inline]] void Down2(Lanes<V>& lanes, const V (&in)[4], V (&out)[2]) const {
    out[0] = mDown2.Down(lanes.down2, in[0], in[1]);
    out[1] = mDown2.Down(lanes.down2, in[2], in[3]);
  }
  // Twice the rate back to one output sample.
  template <class V>
  [[gnu::always_inline]] V Down1(Lanes<V>& lanes, const V (&in)[2]) const {
    return mDown1.Down(lanes.down1, in[0], in[1]);
  }

  // The same three steps with the inputs before each frame's given, for a
  // caller that keeps a block's inputs at hand: the states' last inputs are
  // neither read nor written; the caller hands the block's last ones to them
  // before they are stored.
  template <class V>
  [[gnu::always_inline]] void Up2After(Lanes<V>& lanes, const V (&in)[2], V before,
                                       V (&out)[4]) const {
    mUp2.UpAfter(lanes.up2, in[0], before, out[0], out[1]);
    mUp2.UpAfter(lanes.up2, in[1], in[0], out[2], out[3]);
  }
  template <class V>
  [[gnu::always_inline]] void Down2After(Lanes<V>& lanes, const V (&in)[4], const V (&before)[2],
                                         V (&out)[2]) const {
    out[0] = mDown2.DownAfter(lanes.down2, in[0], in[1], before[0], before[1]);
    out[1] = mDown2.DownAfter(lanes.down2, in[2], in[3], in[0], in[1]);
  }
  template <class V>
  [[gnu::always_inline]] V Down1After(Lanes<V>& lanes, const V (&in)[2],
                                      const V (&before)[2]) const {
    return mDown1.DownAfter(lanes.down1, in[0], in[1], before[0], before[1]);
  }

 private:
  Stage1 mUp1{halfband::kStage1Coefs};
  Stage2 mUp2{halfband::kStage2Coefs};
  Stage2 mDown2{halfband::kStage2Coefs};
  Stage1 mDown1{halfband::kStage1Coefs};
};
