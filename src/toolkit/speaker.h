#pragma once
// A voice that speaks short texts: the program's one speaker, beside its two
// media players and mixed into the same audio output. Every call returns at
// once on the user-interface thread; the synthesis happens on a thread of
// its own. A missing synthesiser, voice or sound device is never an error:
// it simply means silence.

#include <string>

namespace tk {

enum class SpeechOrder {
  Now,           // cuts off what is being said, and drops what waits
  AfterCurrent,  // follows what is being said (at once when nothing is)
};

class Speaker {
 public:
  virtual ~Speaker() = default;

  // Speaks text (UTF-8) with the synthesiser's voice for a language tag
  // ("sv", "en-gb", "pt-br"). A tag without a voice of exactly that language
  // speaks nothing: never another language's voice.
  virtual void Speak(const std::string& text, const std::string& language, SpeechOrder order) = 0;
  // Ends what is being said and drops what waits.
  virtual void Stop() = 0;
};

}  // namespace tk
