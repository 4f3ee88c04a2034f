// Ctrl-C and termination requests. Inside a CooperativeInterruption (a
// render, an open editor) the first request is noticed at once wherever the
// host waits, and the command ends cleanly: its partial files removed, then
// the program ended by the same signal, so that a shell loop stops too.
// Elsewhere a request ends the program at once, whatever a plug-in is doing.
#pragma once

#include "quor-host/host_error.h"

// Installs the handlers for SIGINT, SIGTERM and SIGHUP (main only).
void CatchInterruptions();
bool InterruptionRequested();
// The signal that asked, 0 while none did.
int InterruptionSignal();
// Becomes readable when a request arrives, for poll(); -1 without handlers.
int InterruptionDescriptor();
// Throws Interrupted when a request has arrived.
void CheckInterruption();
// Ends the program by the signal that asked (main only, after cleaning up).
[[noreturn]] void EndByInterruption();

// While one exists, requests are left to the host's checks.
class CooperativeInterruption {
 public:
  CooperativeInterruption();
  ~CooperativeInterruption();
  CooperativeInterruption(const CooperativeInterruption&) = delete;
  CooperativeInterruption& operator=(const CooperativeInterruption&) = delete;
};

// In a process forked to run a plug-in: requests are the parent's to handle.
void IgnoreInterruptions();
