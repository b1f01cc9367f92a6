// Fuzz target: the data-file reader through the strings loader.

#include "data_file_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::FuzzLoader(fuzzing::Loader::Strings, data, size);
  return 0;
}
