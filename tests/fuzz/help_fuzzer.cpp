// Fuzz target: the help-file reader. The input is the help file; topics are
// looked up for the contexts the program uses, in a language that follows
// from the input's length and in one the file may lack.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "toolkit/help_viewer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzzing::WriteInput("TAMIRO.HLP", data, size);
  const int language = static_cast<int>(size % 18) + 1;
  for (int context : {100, 101, 102}) {
    for (int lang : {language, 2, 19}) {
      const tk::HelpTopic topic = tk::ReadHelpTopic(path, lang, context);
      if (!topic.found) {
        fuzzing::Require(topic.title.isEmpty() && topic.paragraphs.isEmpty(), "a topic not found is empty");
        continue;
      }
      for (const QString& paragraph : topic.paragraphs) {
        fuzzing::Require(!paragraph.isEmpty(), "paragraphs are never empty");
        fuzzing::Require(!paragraph.startsWith("== "), "a topic ends at the next header");
      }
    }
  }
  return 0;
}
