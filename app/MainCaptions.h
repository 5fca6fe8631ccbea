#pragma once
// The main window's captions that the language file replaces: its lines 1 to
// 70, in the file's order (labels, tab headers, axis titles, message texts 1
// to 6, group boxes, check boxes, the learning choices, buttons, popup and
// menu items).

#include <QString>

namespace zelor {

class CaptionLines;
class TForm1;

inline constexpr int kMainCaptionLineCount = 70;

QString CaptionOfLine(TForm1& form, int line);
void SetCaptionOfLine(TForm1& form, int line, const QString& caption);
// Gives lines first..last the next caption lines in turn; once the caption
// lines have run out, the rest keep their captions.
void ApplyCaptions(TForm1& form, int first, int last, CaptionLines& captions);
// The web-address label's address, with its hint.
void SetWebAddress(TForm1& form, const QString& address);

}  // namespace zelor
