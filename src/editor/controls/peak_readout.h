// A meter's peak as a number: the largest magnitude of the samples the meter
// read since the reading was last reset, held and shown in dBFS on a small
// dark glass (red from full scale up). A click resets it, and whatever the
// plug-in ties to it (the meter's over lamp).
#pragma once

#include <functional>
#include <string>

#include "editor/hand_over.h"
#include "editor/icontrol.h"

class PeakReadout : public IControl {
 public:
  PeakReadout(IEffectBase* plug, IRECT rect);

  // The largest magnitude of a block, from the audio thread: kept when it
  // is above the one held. Stores and flags only.
  void SetValueFromPlug(double magnitude) override;                   // any
  void OnMouseDown(int x, int y, const IMouseMod& mod) override;      // editor
  void OnMouseDblClick(int x, int y, const IMouseMod& mod) override;  // editor
  bool Draw(IGraphics* graphics) override;                            // editor

  // Back to nothing read, as a click does, without what it is tied to.
  void Reset();                                                                      // editor
  void SetOnReset(std::function<void()> onReset) { mOnReset = std::move(onReset); }  // editor
  double Held() const { return mHeld.Get(); }                                        // any
  // "-12.4", "+0.3", "-inf" for nothing above -100 dBFS.
  static std::string Text(double magnitude);

 private:
  // Written by the audio thread when it rises, reset by the editor's: a
  // block read during a reset counts after it.
  AtomicDouble mHeld{0.};
  std::function<void()> mOnReset;
  IText mStyle;
};
