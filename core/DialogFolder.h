#pragma once
// Where the file dialogs start before a file has been chosen in them. The
// program reads its language file from its working folder, so the Start
// menu's entries start it in its installation folder (or the language folder
// inside it), where a user without an administrator's rights cannot save:
// the dialogs start in the user's documents folder instead.

#include <QString>

namespace zelor {

// The rule: the working folder, unless it is the program's folder or lies
// inside it, or cannot be written; then the documents folder. The folders
// are absolute, in Qt's form ('/' between names) and canonical where they
// exist, so that one folder is always spelled alike; an empty working folder
// (the system could not say) counts as one that cannot be written.
QString DialogStartFolder(const QString& working, const QString& program, bool workingWritable,
                          const QString& documents);

// The rule for this program as it runs: its working folder, the folder of
// its executable, a file made and removed again in the working folder as the
// test of writing, and the user's documents folder (the home folder where
// there is none).
QString DialogStartFolder();

}  // namespace zelor
