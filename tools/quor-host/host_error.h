// The failure types of the host: each message is the single line the user sees.
#pragma once

#include <stdexcept>
#include <string>

// Something went wrong while doing what was asked: exit status 1.
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The command line itself is wrong: exit status 2.
class UsageError : public HostError {
 public:
  using HostError::HostError;
};

// A signal asked the command to stop: exit status 128 + the signal, as
// shells report a program the signal ended.
class Interrupted : public HostError {
 public:
  Interrupted(int signal, const std::string& what) : HostError(what), mSignal(signal) {}
  int Signal() const { return mSignal; }

 private:
  int mSignal;
};
