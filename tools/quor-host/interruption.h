// Ctrl-C and termination requests, noticed between blocks so that a render
// stops cleanly: its partial output is removed, nothing is left half-written.
#pragma once

// Installs the handlers for SIGINT, SIGTERM and SIGHUP (main only).
void CatchInterruptions();
bool InterruptionRequested();
