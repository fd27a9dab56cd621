// The two ways a command can fail, which the exit status tells apart.
#pragma once

#include <stdexcept>

namespace lumov::tool {

// The command line asks for something that cannot be done as asked: exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The work itself failed (a file that cannot be read or written, a plug-in that refuses a frame,
// an interruption): exit status 1.
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace lumov::tool
