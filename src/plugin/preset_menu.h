// QUOR's presets in its editor: a display in the master section names the
// preset last loaded (a star once a value left it), and its menu offers
// the factory presets, the user's own (user_presets.h), saving and loading
// them, undo and redo, and the A/B comparison. Everything it loads reaches
// the host as edits, through the editor's settings memory. Editor thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "editor/controls/action_button.h"
#include "editor/settings.h"

class IGraphics;
class QUOR;

class PresetMenu {
 public:
  PresetMenu(QUOR& plug, IGraphics& graphics) : mPlug(plug), mGraphics(graphics) {}

  ActionButton::Look Look();
  // Runs the menu and does what was chosen.
  void Open(const IRECT& under);

  // A factory preset's values; the names stay.
  void LoadFactory(std::size_t index);
  // A user's preset, names and all; false when the file is not one.
  bool LoadUser(const std::string& path);
  // The settings now, under the file's name; false when it could not be written.
  bool SaveUser(const std::string& path, std::string* error);

 private:
  void Loaded(std::string name, Settings settings);
  void AskAndSave();
  void AskAndLoad();

  QUOR& mPlug;
  IGraphics& mGraphics;
  std::string mName;                // the preset last loaded, or none
  std::optional<Settings> mLoaded;  // what it set, to tell when it was left
  std::uint64_t mSeenVersion = ~std::uint64_t{0};
  bool mLeft = false;
};
