// A button the toolkit draws, which acts when pressed: a legend, lit or
// not, able to act or greyed. Its look is asked for at every tick of the
// editor and the button drawn again when it changed, so that it follows what
// it shows (the settings in use, an undo that became possible). As a
// display it shows its legend on a dark glass, left-aligned, with an arrow:
// a press opens what it names.
#pragma once

#include <functional>
#include <string>

#include "editor/icontrol.h"
#include "editor/igraphics.h"

class ActionButton : public IControl {
 public:
  enum class Kind { kButton, kDisplay };
  struct Look {
    std::string mLegend;
    bool mLit = false;
    bool mEnabled = true;
    bool operator==(const Look&) const = default;
  };

  ActionButton(IEffectBase* plug, IRECT rect, Kind kind, IColor lit, std::function<Look()> look,
               std::function<void()> act);

  void OnMouseDown(int x, int y, const IMouseMod& mod) override;      // editor
  void OnMouseDblClick(int x, int y, const IMouseMod& mod) override;  // editor
  bool Draw(IGraphics* graphics) override;                            // editor
  void OnGUIIdle() override;                                          // editor
  const Look& CurrentLook() const { return mLook; }                   // editor

 private:
  Kind mKind;
  IColor mLitColour;
  std::function<Look()> mGetLook;
  std::function<void()> mAct;
  Look mLook;
  IText mStyle;
};
