// The main window's guide: "Окно" > "Руководство" opens the tuner's guide of
// the interface's language (app/GuideWindow).

#include "app/GuideWindow.h"
#include "app/ZelorConfigurator.h"

namespace zelor {

void TForm1::GuideClick() { OpenGuide(this, messages_, GuideFolders()); }

}  // namespace zelor
