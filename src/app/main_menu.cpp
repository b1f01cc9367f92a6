#include "app/main_menu.h"

#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cctype>

#include "app/settings.h"
#include "content/content_tables.h"
#include "toolkit/application.h"
#include "toolkit/media.h"
#include "toolkit/platform.h"

namespace tamiro {

int ColourDepth = 0;
std::unique_ptr<QImage> PaletteBitmap;
TfrmHuvudmeny* frmHuvudmeny = nullptr;

namespace {
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::unique_ptr<QImage> LoadBitmap(const std::string& path) {
  QImageReader reader(QString::fromStdString(path));
  auto image = std::make_unique<QImage>(reader.read());
  if (image->isNull()) throw std::runtime_error("Cannot open file " + path);
  return image;
}
}  // namespace

bool FontInstalled(const std::string& family) {
  const std::string wanted = Lower(family);
  const auto families = tk::FontFamilies();
  return std::any_of(families.begin(), families.end(),
                     [&](const std::string& f) { return Lower(f) == wanted; });
}

TfrmHuvudmeny::TfrmHuvudmeny(tk::Component* owner)
    : tk::Form(owner, "frmHuvudmeny", 644, 475),
      mplMIDI(tk::CreateMediaPlayer(tk::MediaKind::Music)),
      mplWAV1(tk::CreateMediaPlayer(tk::MediaKind::Effects)) {
  Tag = 26;
  HelpContext = 100;
  Caption = "Tamiro";
  mplMIDI->AutoRewind = false;
  mplWAV1->AutoRewind = true;
  OnCreate = [this] { FormCreate(); };
}

TfrmHuvudmeny::~TfrmHuvudmeny() {
  if (frmHuvudmeny == this) frmHuvudmeny = nullptr;
}

void TfrmHuvudmeny::FormCreate() {
  auto& app = tk::Application::Instance();
  app.HelpFile = ProgramFile("TAMIRO.HLP");
  ColourDepth = tk::Screen().colourDepth;
  ExerciseFont = "Tamiro3";
  SymbolFont = "Tamiro Symbols";
  // One message at most, whichever font is missing.
  if (!FontInstalled("Tamiro3") || !FontInstalled("Tamiro Symbols"))
    tk::ShowMessageBox({kFontMessage, "Information", tk::MessageIcon::Information});
  FillLanguageNames();
  ReadSettings();
  PaletteBitmap = LoadBitmap(ProgramFile("bmptest.bmp"));
  LoadLanguageStrings();
  LoadPictureCatalogue();
}

}  // namespace tamiro
