// Fuzz target: the profile-file reader and writer. The input is a settings
// file as a hand-editing parent may leave it; the four settings are read, a
// key is written, and what was not written must read as before.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "toolkit/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzzing::WriteInput("TAMIRO.INI", data, size);
  tk::ProfileFile file(path);
  static const char* const kKeys[] = {"Language", "Music", "Sounds", "Capital"};
  std::optional<std::string> before[4];
  for (int i = 0; i < 4; ++i) {
    before[i] = file.ReadString("Options", kKeys[i]);
    if (before[i]) tk::StrToIntDef(*before[i], 1);
  }
  const std::optional<std::string> other = file.ReadString("Other", "Key");

  // The About form's write: the language, then a key the file may lack.
  const std::string language = std::to_string(size % 18 + 1);
  fuzzing::Require(file.WriteString("Options", "Language", language), "a writable folder takes the write");
  fuzzing::Require(file.ReadString("Options", "Language") == language, "the written value reads back");
  for (int i = 1; i < 4; ++i)
    fuzzing::Require(file.ReadString("Options", kKeys[i]) == before[i], "other keys of the section read as before");
  fuzzing::Require(file.ReadString("Other", "Key") == other, "other sections read as before");
  fuzzing::Require(file.WriteString("Options", "Capital", "1"), "a second write");
  fuzzing::Require(file.ReadString("Options", "Capital") == std::optional<std::string>("1"), "a new key reads back");
  fuzzing::Require(file.ReadString("Options", "Language") == language, "the first write stays");
  return 0;
}
