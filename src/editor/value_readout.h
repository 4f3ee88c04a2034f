// The value of the control under the pointer, or of the one being dragged, in
// its unit ("+3.50 dB", "16 OUT", "ON"), in a small box where the control asks
// for it (IControl::ReadoutArea). A box that lies on its control takes a
// double click to type a value; one beside it only shows.
#pragma once

#include <string>

#include "editor/records.h"

class IControl;
class IGraphics;
class IParam;

// What a readout says for a normalised value: the display text and the label;
// a choice's texts in capitals, as the panel prints its legends.
std::string ReadoutText(const IParam& param, double normalized);

// The text field a value is typed in over a readout: the readout's colours
// the other way round (a selection shows on light), at its size.
IText ValueFieldStyle();

class ValueReadout {
 public:
  // The control whose value shows from now on; null, or one without a
  // readout area or parameter, hides it.
  void Show(IControl* control);
  IControl* Shown() const { return mControl; }
  // Takes the shown control's value anew: a drag or the host moved it.
  void Refresh();
  // What changed on the surface since it was last drawn there; drawing an
  // area that holds it all forgets it.
  const IRECT& ChangedArea() const { return mChanged; }
  void DrawnOver(const IRECT& area);
  // Whether a double click at (x, y) types a value for the shown control.
  bool TakesEntryAt(int x, int y) const;
  const IRECT& Area() const { return mArea; }
  void Draw(IGraphics& graphics) const;

 private:
  void Changed(const IRECT& area) { mChanged = mChanged.Union(area); }

  IControl* mControl = nullptr;
  IRECT mArea;
  std::string mText;
  IRECT mChanged;
};
