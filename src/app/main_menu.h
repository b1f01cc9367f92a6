#pragma once
// The main menu: the program's main form, the hub from which every exercise
// starts. Its creation starts the program: settings, fonts, content.

#include <memory>

#include "toolkit/forms.h"
#include "toolkit/media_player.h"

class QImage;

namespace tamiro {

extern int ColourDepth;                     // bits per pixel of the screen
extern std::unique_ptr<QImage> PaletteBitmap;  // the palette reference bitmap

inline constexpr const char* kFontMessage =
    "The fonts that are necessary to run this program are not installed."
    "To function properly, the program must be installed again";

class TfrmHuvudmeny : public tk::Form {
 public:
  explicit TfrmHuvudmeny(tk::Component* owner);
  ~TfrmHuvudmeny() override;

  void FormCreate();

  // The two media players of the program: music and sound effects.
  std::unique_ptr<tk::MediaPlayer> mplMIDI;
  std::unique_ptr<tk::MediaPlayer> mplWAV1;
};

extern TfrmHuvudmeny* frmHuvudmeny;

// True when the family is among the fonts the program can draw with,
// compared without regard to case.
bool FontInstalled(const std::string& family);

}  // namespace tamiro
