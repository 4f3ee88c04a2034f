#include "editor/settings_history.h"

#include <utility>

void SettingsHistory::Start(Settings now) {
  mSteps.clear();
  mSteps.push_back(std::move(now));
  mAt = 0;
}

bool SettingsHistory::Record(Settings now) {
  if (!Started()) {
    Start(std::move(now));
    return false;
  }
  if (SameSettings(now, Current())) return false;
  mSteps.resize(mAt + 1);
  mSteps.push_back(std::move(now));
  if (mSteps.size() > kDepth) mSteps.pop_front();
  mAt = mSteps.size() - 1;
  return true;
}

const Settings* SettingsHistory::Undo() {
  if (!CanUndo()) return nullptr;
  return &mSteps[--mAt];
}

const Settings* SettingsHistory::Redo() {
  if (!CanRedo()) return nullptr;
  return &mSteps[++mAt];
}
