#pragma once

#include <stdexcept>
#include <string>

// A registry read or write that failed; the message is the one the user sees.
class ERegistryException : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
