// The language file as text: its encodings, line ends, comment and empty
// lines and the caption-line cursor. Reading it from disk is tested with the
// switch (tests/app/test_language.cpp).

#include <QtTest>

#include "core/LanguageFile.h"

using namespace zelor;

namespace {

// The caption lines the cursor gives, until it runs out.
QStringList Captions(const QByteArray& bytes) {
  CaptionLines captions(SplitLines(DecodeLanguageText(bytes)));
  QStringList taken;
  while (const std::optional<QString> caption = captions.Next()) taken.append(*caption);
  return taken;
}

}  // namespace

class TestLanguageFile : public QObject {
  Q_OBJECT

 private slots:
  void captionLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("LF, no end after the last") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("lone CR") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("CR then CR LF is two ends") << QByteArray("a\r\r\nb") << QStringList{"a", "b"};
    QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << QStringList{"a", "b"};
    QTest::newRow("only comments") << QByteArray(";x\r\n;\r\n; y") << QStringList{};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("first line a comment")
        << QByteArray("; header\r\nPort\r\n") << QStringList{"Port"};
    QTest::newRow("comments and empty lines anywhere")
        << QByteArray("\r\n;c\r\na\r\n\r\n\n;d\rb\r\n\r\n") << QStringList{"a", "b"};
    QTest::newRow("blanks kept") << QByteArray("  Port  \r\n \r\n\tTab\t")
                                 << QStringList{"  Port  ", " ", "\tTab\t"};
    QTest::newRow("';' counts only first") << QByteArray(" ;a\r\na;b") << QStringList{" ;a", "a;b"};
  }
  void captionLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, captions);
    QCOMPARE(Captions(bytes), captions);
  }

  void encodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString russian = QString::fromUtf8("Таблица №2 Ёё");
    QTest::newRow("UTF-8") << russian.toUtf8() << russian;
    QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBF;c") << QString(";c");
    QTest::newRow("ASCII") << QByteArray("Port") << QString("Port");
    QTest::newRow("Windows-1251") << QByteArray("\xD2\xE0\xE1\xEB\xE8\xF6\xE0 \xB9\x32 \xA8\xB8")
                                  << russian;
    QTest::newRow("Windows-1251 full range") << QByteArray("\xC0\xDF\xE0\xFF\x80\x88\x98\xA0\xBF")
                                             << QString::fromUtf8("АЯаяЂ€\uFFFD\u00A0ї");
    // A sequence cut off by the file's end is no UTF-8 either: the whole
    // file is Windows-1251, even where the rest would read as UTF-8.
    QTest::newRow("UTF-8 cut off") << QByteArray("\xD0\x9F\xCF") << QString::fromUtf8("РџП");
  }
  void encodings() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(DecodeLanguageText(bytes), text);
  }
};

QTEST_APPLESS_MAIN(TestLanguageFile)
#include "test_language_file.moc"
