#include "editor/settings_memory.h"

#include <utility>

void SettingsMemory::Commit() {
  Settings now = ReadSettings(mPlug);
  if (!mHistory.Started()) {
    mHistory.Start(std::move(now));
    ++mVersion;
    return;
  }
  if (mHistory.Record(std::move(now)) || mPending) ++mVersion;
  mSeen.reset();
  mPending = false;
}

void SettingsMemory::Tick(bool gestureOpen) {
  if (gestureOpen) {
    mSeen.reset();
    return;
  }
  Settings now = ReadSettings(mPlug);
  if (!mHistory.Started()) {
    mHistory.Start(std::move(now));
    ++mVersion;
    return;
  }
  const bool pending = !SameSettings(now, mHistory.Current());
  if (pending != mPending) ++mVersion;
  mPending = pending;
  if (!pending) {
    mSeen.reset();
    return;
  }
  // Changed: a step once it holds still for a tick.
  if (mSeen && SameSettings(now, *mSeen)) {
    if (mHistory.Record(std::move(now))) ++mVersion;
    mSeen.reset();
    mPending = false;
    return;
  }
  mSeen = std::move(now);
}

void SettingsMemory::Go(const Settings& settings) {
  ApplySettings(mPlug, mGraphics, settings);
  mSeen.reset();
  mPending = false;
  ++mVersion;
}

bool SettingsMemory::Undo() {
  Commit();
  const Settings* back = mHistory.Undo();
  if (!back) return false;
  Go(*back);
  return true;
}

bool SettingsMemory::Redo() {
  Commit();
  const Settings* forward = mHistory.Redo();
  if (!forward) return false;
  Go(*forward);
  return true;
}

void SettingsMemory::SwitchSlot() {
  Commit();
  Settings left = ReadSettings(mPlug);
  if (mOther) Go(*mOther);
  mOther = std::move(left);
  mActive = mActive == Slot::kA ? Slot::kB : Slot::kA;
  Commit();
  ++mVersion;
}

void SettingsMemory::CopyToOther() {
  Commit();
  mOther = ReadSettings(mPlug);
  ++mVersion;
}

void SettingsMemory::Load(const Settings& settings) {
  Commit();
  Go(settings);
  Commit();
}
