#include "plugin/preset_menu.h"

#include <memory>
#include <vector>

#include "editor/igraphics.h"
#include "editor/popup_menu.h"
#include "plugin/quor.h"
#include "plugin/user_presets.h"

namespace {

Settings SettingsOf(const QUOR::State& state) {
  return {std::vector<double>(state.mValues.begin(), state.mValues.end()),
          std::vector<std::string>(state.mNames.begin(), state.mNames.end())};
}

QUOR::State StateOf(const Settings& settings) {
  QUOR::State state;
  for (std::size_t i = 0; i < state.mValues.size() && i < settings.mValues.size(); ++i)
    state.mValues[i] = settings.mValues[i];
  for (std::size_t i = 0; i < state.mNames.size() && i < settings.mTexts.size(); ++i)
    state.mNames[i] = settings.mTexts[i];
  return state;
}

const std::vector<FactoryPreset>& Factory(const QUOR& plug) {
  return plug.Descriptor()->mPresets;
}

}  // namespace

ActionButton::Look PresetMenu::Look() {
  SettingsMemory* memory = mGraphics.GetSettingsMemory();
  if (memory && memory->Version() != mSeenVersion) {
    mSeenVersion = memory->Version();
    const Settings now = ReadSettings(mPlug);
    if (!mLoaded) {
      // A new console, or one restored: the factory preset it holds, if any.
      for (const FactoryPreset& preset : Factory(mPlug))
        if (SameSettings({preset.mValues, now.mTexts}, now)) {
          mName = preset.mName;
          mLoaded = Settings{preset.mValues, now.mTexts};
          break;
        }
    }
    // The names are the user's: renaming a track leaves no preset.
    mLeft = mLoaded && !SameSettings({mLoaded->mValues, now.mTexts}, now);
  }
  if (mName.empty()) return {"Presets", false, true};
  return {mLeft ? mName + " *" : mName, false, true};
}

void PresetMenu::Loaded(std::string name, Settings settings) {
  if (SettingsMemory* memory = mGraphics.GetSettingsMemory()) memory->Load(settings);
  mName = std::move(name);
  mLoaded = std::move(settings);
  mSeenVersion = ~std::uint64_t{0};
}

void PresetMenu::LoadFactory(std::size_t index) {
  if (index >= Factory(mPlug).size()) return;
  const FactoryPreset& preset = Factory(mPlug)[index];
  Loaded(preset.mName, {preset.mValues, ReadSettings(mPlug).mTexts});
}

bool PresetMenu::LoadUser(const std::string& path) {
  const std::optional<QUOR::State> state = LoadUserPreset(path);
  if (!state) return false;
  Loaded(PresetNameOf(path), SettingsOf(*state));
  return true;
}

bool PresetMenu::SaveUser(const std::string& path, std::string* error) {
  const Settings now = ReadSettings(mPlug);
  if (!SaveUserPreset(path, {mPlug.GetUniqueID(), mPlug.GetEffectVersion(true), mPlug.NParams()},
                      StateOf(now), error))
    return false;
  mName = PresetNameOf(path);
  mLoaded = now;
  mSeenVersion = ~std::uint64_t{0};
  return true;
}

void PresetMenu::AskAndSave() {
  std::string folder = UserPresetFolder() + "/";
  std::string file = (mName.empty() ? std::string("My preset") : mName) + ".fxp";
  mGraphics.PromptForFile(&file, kFileSave, &folder, "fxp");
  if (file.empty()) return;
  if (!file.ends_with(".fxp")) file += ".fxp";
  std::string error;
  if (!SaveUser(file, &error))
    mGraphics.ShowMessageBox(("The preset could not be saved: " + error).c_str(), "QUOR", 0);
}

void PresetMenu::AskAndLoad() {
  std::string folder = UserPresetFolder() + "/";
  std::string file;
  mGraphics.PromptForFile(&file, kFileOpen, &folder, "fxp");
  if (file.empty()) return;
  if (!LoadUser(file)) mGraphics.ShowMessageBox("That file is not a preset of QUOR.", "QUOR", 0);
}

void PresetMenu::Open(const IRECT& under) {
  SettingsMemory* memory = mGraphics.GetSettingsMemory();
  const std::vector<FactoryPreset>& factory = Factory(mPlug);
  const std::vector<UserPreset> user = ListUserPresets(UserPresetFolder());
  const bool onA = !memory || memory->Active() == SettingsMemory::Slot::kA;

  // Each entry's index, and what it does.
  enum class Act { kFactory, kUser, kSave, kLoad, kUndo, kRedo, kSwitch, kCopy };
  struct Entry {
    Act mAct;
    std::size_t mIndex;
  };
  std::vector<std::optional<Entry>> entries;
  IPopupMenu menu;
  const auto add = [&](const std::string& text, std::optional<Entry> entry, int flags = 0) {
    menu.AddItem(text.c_str(), -1, flags);
    entries.push_back(entry);
  };
  const auto separator = [&] {
    menu.AddSeparator();
    entries.emplace_back();
  };
  add("Factory presets", std::nullopt, IPopupMenuItem::kTitle);
  for (std::size_t i = 0; i < factory.size(); ++i)
    add(factory[i].mName, Entry{Act::kFactory, i},
        factory[i].mName == mName ? IPopupMenuItem::kChecked : 0);
  separator();
  add("Your presets", std::nullopt, IPopupMenuItem::kTitle);
  for (std::size_t i = 0; i < user.size(); ++i)
    add(user[i].mName, Entry{Act::kUser, i}, user[i].mName == mName ? IPopupMenuItem::kChecked : 0);
  if (user.empty()) add("None saved yet", std::nullopt, IPopupMenuItem::kDisabled);
  add("Save Preset...", Entry{Act::kSave, 0});
  add("Load Preset File...", Entry{Act::kLoad, 0});
  separator();
  const int noUndo = memory && memory->CanUndo() ? 0 : IPopupMenuItem::kDisabled;
  const int noRedo = memory && memory->CanRedo() ? 0 : IPopupMenuItem::kDisabled;
  add("Undo (Ctrl+Z)", Entry{Act::kUndo, 0}, noUndo);
  add("Redo (Ctrl+Shift+Z)", Entry{Act::kRedo, 0}, noRedo);
  separator();
  add(onA ? "Switch to B" : "Switch to A", Entry{Act::kSwitch, 0});
  add(onA ? "Copy A to B" : "Copy B to A", Entry{Act::kCopy, 0});

  const IPopupMenu* chosen = mGraphics.CreateIPopupMenu(&menu, under);
  if (!chosen) return;
  const int item = chosen->GetChosenItemIdx();
  if (item < 0 || item >= static_cast<int>(entries.size())) return;
  const std::optional<Entry> entry = entries[static_cast<std::size_t>(item)];
  if (!entry) return;
  switch (entry->mAct) {
    case Act::kFactory:
      LoadFactory(entry->mIndex);
      break;
    case Act::kUser:
      if (!LoadUser(user[entry->mIndex].mPath))
        mGraphics.ShowMessageBox("That file is not a preset of QUOR.", "QUOR", 0);
      break;
    case Act::kSave:
      AskAndSave();
      break;
    case Act::kLoad:
      AskAndLoad();
      break;
    case Act::kUndo:
      if (memory) memory->Undo();
      break;
    case Act::kRedo:
      if (memory) memory->Redo();
      break;
    case Act::kSwitch:
      if (memory) memory->SwitchSlot();
      break;
    case Act::kCopy:
      if (memory) memory->CopyToOther();
      break;
  }
}
