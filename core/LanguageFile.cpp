#include "core/LanguageFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "core/FileSave.h"

namespace zelor {
namespace {

// Windows-1251 bytes 0x80..0xBF; 0xC0..0xFF are А..я (U+0410..U+044F) in
// order, and 0x00..0x7F are ASCII.
constexpr char16_t kHighHalf[64] = {
    u'\u0402', u'\u0403', u'\u201A', u'\u0453', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u20AC', u'\u2030', u'\u0409', u'\u2039', u'\u040A', u'\u040C', u'\u040B', u'\u040F',
    u'\u0452', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\uFFFD', u'\u2122', u'\u0459', u'\u203A', u'\u045A', u'\u045C', u'\u045B', u'\u045F',
    u'\u00A0', u'\u040E', u'\u045E', u'\u0408', u'\u00A4', u'\u0490', u'\u00A6', u'\u00A7',
    u'\u0401', u'\u00A9', u'\u0404', u'\u00AB', u'\u00AC', u'\u00AD', u'\u00AE', u'\u0407',
    u'\u00B0', u'\u00B1', u'\u0406', u'\u0456', u'\u0491', u'\u00B5', u'\u00B6', u'\u00B7',
    u'\u0451', u'\u2116', u'\u0454', u'\u00BB', u'\u0458', u'\u0405', u'\u0455', u'\u0457',
};

}  // namespace

QString DecodeWindows1251(const QByteArray& bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      *out++ = QChar(byte);
    } else if (byte < 0xC0) {
      *out++ = QChar(kHighHalf[byte - 0x80]);
    } else {
      *out++ = QChar(char16_t(0x0410 + (byte - 0xC0)));
    }
  }
  return text;
}

QString DecodeLanguageText(const QByteArray& bytes) {
  // Stateless: a sequence cut off by the file's end is an error, not a state
  // kept for more bytes.
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError()) return text;
  return DecodeWindows1251(bytes);
}

QStringList SplitLines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    lines.append(text.mid(start, i - start));
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.append(text.mid(start));
  return lines;
}

std::optional<QStringList> ReadLanguageFile(const QString& path) {
  if (!QFileInfo::exists(path)) return std::nullopt;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw FileOpenError(CannotOpenFileMessage(path, file.errorString()));
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw FileOpenError(CannotOpenFileMessage(path, file.errorString()));
  return SplitLines(DecodeLanguageText(bytes));
}

std::optional<QString> CaptionLines::Next() {
  while (position_ < lines_.size()) {
    const QString& line = lines_[position_++];
    if (!line.isEmpty() && !line.startsWith(u';')) return line;
  }
  return std::nullopt;
}

}  // namespace zelor
