#pragma once
// The language file "language.txt", read once at start-up from the current
// directory. Its caption lines replace the captions of the three windows in a
// fixed order (TForm3::FormCreate applies them; each window knows its own
// targets).
//
// The file's text:
// - Encoding: UTF-8 when the bytes are valid UTF-8 (a byte-order mark at the
//   start is dropped); otherwise Windows-1251, the code page such files were
//   written in.
// - Lines end at CR LF, at a lone LF or at a lone CR. A line end at the very
//   end of the file closes the last line; no empty line follows it.
// - A line whose first character is ';' is a comment, wherever it stands.
// - An empty line is skipped like a comment. A blank line added for
//   readability thus never shifts every later caption onto the wrong target;
//   a caption meant to look empty is written as a single blank.
// - Every other line is a caption line and is taken whole, leading and
//   trailing blanks included.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace zelor {

// The file's name; it has no directory part, so it is looked for in the
// current directory.
inline constexpr char kLanguageFileName[] = "language.txt";

// The file's bytes as text, by the encoding rule above.
QString DecodeLanguageText(const QByteArray& bytes);

// Windows-1251 bytes as text (a byte the code page leaves undefined, 0x98,
// gives U+FFFD).
QString DecodeWindows1251(const QByteArray& bytes);

// The lines of text, split at CR LF, LF and lone CR; the line ends are not
// kept.
QStringList SplitLines(const QString& text);

// The lines of the file at path, decoded; nullopt when no file of that name
// exists. A file that exists but cannot be read throws FileOpenError
// (core/FileSave.h).
std::optional<QStringList> ReadLanguageFile(const QString& path);

// The cursor over the file's lines that the targets share: each target takes
// the next caption line, skipping comment and empty lines.
class CaptionLines {
 public:
  explicit CaptionLines(QStringList lines) : lines_(std::move(lines)) {}

  // The next caption line; nullopt once the lines have run out, and for every
  // later call too.
  std::optional<QString> Next();

 private:
  QStringList lines_;
  qsizetype position_ = 0;
};

}  // namespace zelor
