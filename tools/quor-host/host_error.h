// The failure types of the host: each message is the single line the user sees.
#pragma once

#include <stdexcept>

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
