// What the editor remembers of its plug-in's settings while the plug-in
// lives: an undo history of every change, the editor's and the host's, and
// two complete settings, A and B, to switch between and copy one onto the
// other. All of it on the editor's thread.
//
// Changes are found by looking, so that a host's count as much as the
// editor's: at the end of each of the editor's gestures, before anything
// here acts, and on the editor's timer once the settings have held still
// from one tick to the next (a host's automation becomes one step when it
// rests). Going back or forward, switching or loading sets the plug-in as
// edits the host hears, each parameter in a gesture of its own.
#pragma once

#include <cstdint>
#include <optional>

#include "editor/settings.h"
#include "editor/settings_history.h"

class IEffectBase;
class IGraphics;

class SettingsMemory {
 public:
  enum class Slot { kA, kB };

  SettingsMemory(IEffectBase& plug, IGraphics& graphics) : mPlug(plug), mGraphics(graphics) {}

  // The timer; while the editor's own gesture runs, it waits for its end.
  void Tick(bool gestureOpen);
  // The editor's gesture ended: what it changed is a step.
  void GestureEnded() { Commit(); }

  // As of the last look: a change not yet a step can be undone, and drops
  // what could be redone.
  bool CanUndo() const { return mPending || mHistory.CanUndo(); }
  bool CanRedo() const { return !mPending && mHistory.CanRedo(); }
  bool Undo();
  bool Redo();

  // The settings in use, A or B; the other waits. B starts as a copy of A.
  Slot Active() const { return mActive; }
  // The other settings in use, these kept as the ones left.
  void SwitchSlot();
  // The settings in use copied onto the other.
  void CopyToOther();

  // Settings from elsewhere (a preset) taken as one step.
  void Load(const Settings& settings);

  // Counts what changed here (a step, a switch), for controls that show it.
  std::uint64_t Version() const { return mVersion; }

 private:
  // Records the plug-in's settings when they differ from the history's.
  void Commit();
  void Go(const Settings& settings);

  IEffectBase& mPlug;
  IGraphics& mGraphics;
  SettingsHistory mHistory;
  std::optional<Settings> mSeen;   // at the last tick
  bool mPending = false;           // the settings differ from the history's
  std::optional<Settings> mOther;  // the slot not in use, once it differs
  Slot mActive = Slot::kA;
  std::uint64_t mVersion = 0;
};
