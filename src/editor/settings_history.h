// The steps of an undo history of settings: the settings after each change,
// one of them current. Undoing moves back a step, redoing forward; a new
// step drops the ones undone. The oldest go beyond a fixed depth.
#pragma once

#include <cstddef>
#include <deque>

#include "editor/settings.h"

class SettingsHistory {
 public:
  static constexpr std::size_t kDepth = 200;

  bool Started() const { return !mSteps.empty(); }
  // The settings the history starts from, forgetting any before.
  void Start(Settings now);
  // A step to `now`, unless it is the current settings; false then.
  bool Record(Settings now);
  bool CanUndo() const { return mAt > 0; }
  bool CanRedo() const { return mAt + 1 < mSteps.size(); }
  // The settings a step back or forward, now current; null at either end.
  const Settings* Undo();
  const Settings* Redo();
  // Requires Started().
  const Settings& Current() const { return mSteps[mAt]; }

 private:
  std::deque<Settings> mSteps;
  std::size_t mAt = 0;
};
