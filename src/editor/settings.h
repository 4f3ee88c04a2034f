// Everything a user sets on a plug-in: every parameter's value in its own
// units and every text its state keeps (a track's name). What the editor's
// undo history, its A/B comparison and its presets hold, read and applied on
// the editor's thread.
#pragma once

#include <string>
#include <vector>

class IEffectBase;
class IGraphics;

struct Settings {
  std::vector<double> mValues;      // by parameter index
  std::vector<std::string> mTexts;  // in the descriptor's order
};

// The same to the ear and the eye: values within what a host's 32-bit
// float keeps of them (a host that hands a value back rounds it so), texts
// byte for byte.
bool SameSettings(const Settings& a, const Settings& b);

// The plug-in's settings now.
Settings ReadSettings(IEffectBase& plug);

// Sets the plug-in to `target`: each parameter that differs as an edit of
// its own the host hears (gesture, value, end of gesture), exactly in its
// own units, and shown on the editor's controls; each text that differs, and
// the host told. Settings of another size change what they cover.
void ApplySettings(IEffectBase& plug, IGraphics& graphics, const Settings& target);
