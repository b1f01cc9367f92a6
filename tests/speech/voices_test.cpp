// Every word the games say, spoken by the real synthesiser through the
// program's own path (the content in its code page, the text for the voice,
// the voice of the language): each is heard, is as long as a word or a
// question is, and comes from the language's own voice. Breton says nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "content/content_tables.h"
#include "content/settings.h"
#include "content/sound.h"
#include "exercises/multiple_choice/mc_form.h"
#include "speech_synth.h"
#include "toolkit/platform.h"

using namespace tamiro;

namespace {

// The utterance as the synthesiser made it, once it is complete.
std::shared_ptr<tk::audio::Utterance> Say(tk::audio::SpeechSynthesizer& synthesizer, const std::string& text,
                                          const std::string& language) {
  auto utterance = std::make_shared<tk::audio::Utterance>();
  synthesizer.Submit(utterance, text, language, false);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!utterance->Complete() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  return utterance;
}

}  // namespace

TEST(Voices, EveryLanguageSaysItsPictureNamesCountingQuestionsAndNumbersInItsOwnVoice) {
  tk::SetExecutablePathOverride(std::string(TAMIRO_PROGRAM_DIR) + "/tamiro");
  tk::audio::SpeechSynthesizer synthesizer;
  FillLanguageNames();
  for (int language = 1; language <= kLanguageCount; ++language) {
    Language = language;
    LoadPictureCatalogue();
    LoadLanguageStrings();
    const std::string voice = SpeechLanguage(language);
    SCOPED_TRACE(LanguageNames[static_cast<std::size_t>(language)] + " (" + voice + ")");
    if (voice.empty()) {
      // Breton: no voice, and the synthesiser asked for one says nothing.
      EXPECT_EQ(language, 15);
      const auto utterance = Say(synthesizer, "kazh", "br");
      EXPECT_TRUE(utterance->Complete());
      EXPECT_TRUE(utterance->Samples().empty());
      EXPECT_EQ(utterance->Voice(), "");
      continue;
    }
    std::vector<std::string> texts;
    int questions = 0;
    for (int p = 1; p <= kPictureCount; ++p) {
      const TPictureEntry& entry = Pictures[static_cast<std::size_t>(p)];
      if (!entry.Name.empty()) texts.push_back(entry.Name);
      if (!entry.PluralName.empty() && questions < 5) {
        texts.push_back(CountingWords(p) + "?");
        ++questions;
      }
    }
    EXPECT_EQ(questions, 5);
    for (int n = 0; n <= 20; ++n) texts.push_back(std::to_string(n));
    for (char sign : {'+', '-', '\xD7'}) texts.push_back(SpokenSum(11, sign, 9));

    double shortest = 99, longest = 0;
    for (const std::string& text : texts) {
      const auto utterance = Say(synthesizer, SpokenText(text, language), voice);
      ASSERT_TRUE(utterance->Complete()) << text;
      const std::vector<float> samples = utterance->Samples();
      double energy = 0;
      float peak = 0;
      for (float x : samples) {
        energy += static_cast<double>(x) * x;
        peak = std::max(peak, std::fabs(x));
      }
      const double seconds = static_cast<double>(samples.size()) / 44100;
      const double rms = samples.empty() ? 0 : std::sqrt(energy / static_cast<double>(samples.size()));
      EXPECT_EQ(utterance->Voice(), voice) << text;
      // A word of one short vowel (Catalan "u", one) takes a little under a
      // fifth of a second.
      EXPECT_GE(seconds, 0.15) << SpokenText(text, language);
      EXPECT_LE(seconds, 3.0) << SpokenText(text, language);
      EXPECT_GT(peak, 0.1f) << SpokenText(text, language);
      EXPECT_GT(rms, 0.02) << SpokenText(text, language);
      shortest = std::min(shortest, seconds);
      longest = std::max(longest, seconds);
    }
    std::printf("%-24s %-6s %3zu texts, %.2f to %.2f s\n", LanguageNames[static_cast<std::size_t>(language)].c_str(),
                voice.c_str(), texts.size(), shortest, longest);
  }
  tk::SetExecutablePathOverride(std::nullopt);
}
