#include "editor/settings.h"

#include <algorithm>
#include <cmath>

#include "editor/igraphics.h"
#include "framework/ieffect_base.h"

namespace {

bool SameValue(double a, double b) {
  if (a == b) return true;
  // One part in 2^23 of the larger, as a float keeps it, and a little more.
  return std::fabs(a - b) <= 2e-7 * std::max({std::fabs(a), std::fabs(b), 1.});
}

int NTexts(const IEffectBase& plug) {
  return plug.Descriptor() ? static_cast<int>(plug.Descriptor()->mTexts.size()) : 0;
}

}  // namespace

bool SameSettings(const Settings& a, const Settings& b) {
  return a.mTexts == b.mTexts && a.mValues.size() == b.mValues.size() &&
         std::equal(a.mValues.begin(), a.mValues.end(), b.mValues.begin(), SameValue);
}

Settings ReadSettings(IEffectBase& plug) {
  Settings settings;
  for (int i = 0; i < plug.NParams(); ++i)
    settings.mValues.push_back(plug.GetParam(i)->Value());
  for (int i = 0; i < NTexts(plug); ++i)
    settings.mTexts.push_back(plug.GetText(i));
  return settings;
}

void ApplySettings(IEffectBase& plug, IGraphics& graphics, const Settings& target) {
  const int nValues = std::min(plug.NParams(), static_cast<int>(target.mValues.size()));
  for (int i = 0; i < nValues; ++i) {
    const double value = target.mValues[static_cast<std::size_t>(i)];
    if (SameValue(plug.GetParam(i)->Value(), value)) continue;
    plug.BeginInformHostOfParamChange(i);
    plug.SetParameterValueFromGUI(i, value);
    graphics.SetParameterFromPlug(i, plug.GetParam(i)->Value(), false);
    plug.EndInformHostOfParamChange(i);
  }
  bool textsChanged = false;
  const int nTexts = std::min(NTexts(plug), static_cast<int>(target.mTexts.size()));
  for (int i = 0; i < nTexts; ++i) {
    const std::string& text = target.mTexts[static_cast<std::size_t>(i)];
    if (plug.GetText(i) == text) continue;
    plug.SetText(i, text);
    textsChanged = true;
  }
  if (textsChanged) plug.InformHostOfTextChange();
}
