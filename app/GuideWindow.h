#pragma once
// The tuner's guide ("Окно" > "Руководство"): docs/ru/guide.md, or
// docs/en/guide.md in the English interface, with the pictures of
// docs/screenshots/ beside them, shown as Markdown in a window of its own
// (Qt renders it; nothing is fetched, nothing else runs). A click on a
// picture shows it at its own size in a window of its own.
//
// One QTextBrowser window of the main window's, named "GuideWindow". Each
// document loaded gets its headings' anchors (Qt's Markdown makes none; the
// contents link to them) and its wide pictures narrowed to the window; a
// link within the guide scrolls there instead of loading the document
// again. The guides are installed as they are (dist/CMakeLists.txt).

#include <QString>
#include <QStringList>

class QTextBrowser;
class QWidget;

namespace zelor {

class MessageTexts;

// The folders that may hold the guide, the first that holds it wins: the
// installed one beside the program (<program's folder>/docs on Windows,
// <program's folder>/../share/zelor-configurator/docs elsewhere), then the
// source tree's docs/ (the program of a build tree).
QStringList GuideFolders();

// The guide of the language in the first of folders that holds it; empty
// when none does.
QString FindGuide(const QStringList& folders, bool english);

// Shows the guide of the messages' language in the guide window, a window
// of parent's made at the first call and raised at each; without a guide it
// shows the own message naming the folders looked in. Returns the window,
// nullptr without a guide.
QTextBrowser* OpenGuide(QWidget* parent, const MessageTexts& messages, const QStringList& folders);

}  // namespace zelor
