#pragma once
// Texts of the comparison window: its caption rule and the hints of its
// chart.

#include <QString>

namespace zelor {

// The window's caption: "Zelor ", the caption of the main window's command
// that shows the window, one space, then the file label of the table
// concerned (empty where none is).
QString CompareCaption(const QString& command, const QString& label);

// A chart value as the hints show it: an integral value as a plain integer,
// any other in its shortest form with the locale's decimal separator.
QString ChartValueText(double value);

// Hint panel text of MAF index x, the values as ChartValueText gives them: "MAF= <x>    Tab1=<tab1>
// Tab2=<tab2>".
QString CompareHintPanelText(int x, const QString& tab1, const QString& tab2);

// Hint label text of MAF index x, three lines broken by LF then CR:
// "MAF= <x>", "   Tab1=<tab1>", "   Tab2=<tab2>".
QString CompareHintLabelText(int x, const QString& tab1, const QString& tab2);

}  // namespace zelor
