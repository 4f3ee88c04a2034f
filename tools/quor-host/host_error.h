// The one failure type of the host: its message is the single line the user sees.
#pragma once

#include <stdexcept>

class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
