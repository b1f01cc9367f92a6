#pragma once
// The data-file reader through one of the three loaders: the input is the
// data file; the language it is read for follows from the input's length, so
// that every column and both code pages are reached.

#include <cstddef>
#include <cstdint>

namespace fuzzing {

enum class Loader { Pictures, Strings, HangmanWords };

// Loads the input with the loader and checks what the tables may hold
// afterwards. Errors of the data file are expected; anything else is a fault.
void FuzzLoader(Loader loader, const std::uint8_t* data, std::size_t size);

}  // namespace fuzzing
