// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a program prints on standard output is only printed once it reached the file,
// the pipe or the terminal: a full disk or a closed output is an error, not a success.
#include <memory>
#include <streambuf>
#include <string>

namespace prandel {

// While it lives, std::cout writes to file descriptor 1 through a buffer of its own
// that keeps the first error, so that its reason is known at the end however much was
// printed after it.
class StandardOutput {
 public:
  StandardOutput();
  ~StandardOutput();
  StandardOutput(const StandardOutput&) = delete;
  StandardOutput& operator=(const StandardOutput&) = delete;

  // Writes out what is left and closes the output. Empty when everything printed got
  // out; else the reason it did not ("No space left on device").
  std::string finish();

 private:
  class Buffer;
  std::unique_ptr<Buffer> buffer_;
  std::streambuf* previous_;
};

}  // namespace prandel
