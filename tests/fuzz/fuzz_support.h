#pragma once
// Shared pieces of the fuzz targets: a scratch program directory that the
// readers are pointed at, and the file each input is written to.

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// The scratch program directory (created at first use, removed at exit); the
// program's executable path points into it.
const std::string& ScratchDirectory();
// Writes the input as the named file of the scratch directory and returns
// its path.
std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size);

// Stops the run with a message when a property of the result does not hold
// (the fuzzer records the input that made it so).
void Require(bool condition, const char* what);

}  // namespace fuzzing
