#pragma once
// The language of Qt's own dialogs and controls (message-box buttons, the
// file dialogs, the edit boxes' context menus): Qt's Russian translation
// while the interface is Russian, Qt's built-in English after the language
// file switched the interface.

namespace zelor {

// Installs Qt's Russian translation for the application (again, after
// UseEnglishDialogs). Looks in Qt's translations folder, then in
// "translations" beside the program. False when no translation was found:
// the dialogs then speak English.
bool UseRussianDialogs();

// Removes the Russian translation: the dialogs speak English.
void UseEnglishDialogs();

// True while Qt's Russian translation is installed.
bool RussianDialogs();

}  // namespace zelor
