// Cell placement in the grid, the integer and number readers of cell text,
// and the byte of a cell with its range refusal.

#include <QtTest>

#include <string>

#include "table/CellIndex.h"
#include "table/CellText.h"

using namespace zelor;

namespace {

// Message of the ConversionError thrown by ParseInteger, or "" if none was thrown.
std::string IntegerError(const std::string& text) {
  try {
    ParseInteger(text);
  } catch (const ConversionError& e) {
    return e.what();
  }
  return {};
}

// Message of the ConversionError thrown by ParseNumber, or "" if none was thrown.
std::string NumberError(const std::string& text) {
  try {
    ParseNumber(text);
  } catch (const ConversionError& e) {
    return e.what();
  }
  return {};
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

class TestCellText : public QObject {
  Q_OBJECT

 private slots:
  void cellPlacement();
  void integerAccepted_data();
  void integerAccepted();
  void integerRefused_data();
  void integerRefused();
  void numberAccepted_data();
  void numberAccepted();
  void numberRefused_data();
  void numberRefused();
  void cellByteInRange();
  void cellByteRefusesOutOfRange();
  void cellByteLanguages();
  void cellByteBadTextIsConversionError();
};

void TestCellText::cellPlacement() {
  static_assert(CellColumn(0) == 0 && CellRow(0) == 15);
  static_assert(CellColumn(255) == 15 && CellRow(255) == 0);
  static_assert(CellIndexAt(0, 0) == 240);

  // The corners of the 1:1 table.
  QCOMPARE(CellIndexAt(0, 0), 240);
  QCOMPARE(CellIndexAt(0, 15), 255);
  QCOMPARE(CellIndexAt(15, 0), 0);
  QCOMPARE(CellIndexAt(15, 15), 15);
  QCOMPARE(CellRow(3), 15);
  QCOMPARE(CellColumn(3), 3);
  QCOMPARE(CellRow(16), 14);
  QCOMPARE(CellColumn(16), 0);
  QCOMPARE(CellRow(110), 9);
  QCOMPARE(CellColumn(110), 14);

  // Each cell has its own place and the two mappings are inverse.
  bool seen[16][16] = {};
  for (int i = 0; i < 256; ++i) {
    const int r = CellRow(i);
    const int c = CellColumn(i);
    QVERIFY(r >= 0 && r < 16 && c >= 0 && c < 16);
    QVERIFY(!seen[r][c]);
    seen[r][c] = true;
    QCOMPARE(CellIndexAt(r, c), i);
  }
  for (int r = 0; r < 16; ++r)
    for (int c = 0; c < 16; ++c) {
      QCOMPARE(CellIndexAt(r, c), (15 - r) * 16 + c);
      QCOMPARE(CellRow(CellIndexAt(r, c)), r);
      QCOMPARE(CellColumn(CellIndexAt(r, c)), c);
    }
}

void TestCellText::integerAccepted_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("value");
  QTest::newRow("zero") << "0" << 0;
  QTest::newRow("plain") << "17" << 17;
  QTest::newRow("top") << "255" << 255;
  QTest::newRow("above byte") << "300" << 300;
  QTest::newRow("plus") << "+5" << 5;
  QTest::newRow("minus") << "-1" << -1;
  QTest::newRow("minus zero") << "-0" << 0;
  QTest::newRow("leading zeros") << "007" << 7;
  QTest::newRow("many zeros") << "0000000000000000000042" << 42;
  QTest::newRow("int32 max") << "2147483647" << 2147483647;
  QTest::newRow("int32 min") << "-2147483648" << (-2147483647 - 1);
  QTest::newRow("plus int32 max") << "+2147483647" << 2147483647;
}

void TestCellText::integerAccepted() {
  QFETCH(QString, text);
  QFETCH(int, value);
  QCOMPARE(ParseInteger(text.toStdString()), value);
}

void TestCellText::integerRefused_data() {
  QTest::addColumn<QString>("text");
  QTest::newRow("empty") << "";
  QTest::newRow("sign only +") << "+";
  QTest::newRow("sign only -") << "-";
  QTest::newRow("two signs") << "--1";
  QTest::newRow("mixed signs") << "+-1";
  QTest::newRow("trailing sign") << "1-";
  QTest::newRow("leading blank") << " 1";
  QTest::newRow("trailing blank") << "1 ";
  QTest::newRow("inner blank") << "1 2";
  QTest::newRow("blank after sign") << "- 1";
  QTest::newRow("tab") << "\t5";
  QTest::newRow("newline") << "5\n";
  QTest::newRow("hex") << "0x10";
  QTest::newRow("hex dollar") << "$10";
  QTest::newRow("decimal point") << "12.5";
  QTest::newRow("decimal comma") << "12,5";
  QTest::newRow("trailing point") << "12.";
  QTest::newRow("exponent") << "1e3";
  QTest::newRow("letters") << "abc";
  QTest::newRow("digits then letters") << "12abc";
  QTest::newRow("fullwidth digit") << QString::fromUtf8("\xEF\xBC\x91");
  QTest::newRow("cyrillic") << QString::fromUtf8("пять");
  QTest::newRow("int32 max + 1") << "2147483648";
  QTest::newRow("int32 min - 1") << "-2147483649";
  QTest::newRow("huge") << "99999999999999999999999";
  QTest::newRow("huge negative") << "-99999999999999999999999";
}

void TestCellText::integerRefused() {
  QFETCH(QString, text);
  const std::string t = text.toStdString();
  QCOMPARE(Q(IntegerError(t)), Q("'" + t + "' is not a valid integer value"));
}

void TestCellText::numberAccepted_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<double>("value");
  QTest::newRow("zero") << "0" << 0.0;
  QTest::newRow("integer") << "255" << 255.0;
  QTest::newRow("negative") << "-3" << -3.0;
  QTest::newRow("plus") << "+7" << 7.0;
  QTest::newRow("point") << "12.5" << 12.5;
  QTest::newRow("comma") << "12,5" << 12.5;
  QTest::newRow("negative comma") << "-0,25" << -0.25;
  QTest::newRow("exponent") << "1e3" << 1000.0;
  QTest::newRow("exponent signed") << "+1.25E+2" << 125.0;
  QTest::newRow("negative exponent") << "25e-1" << 2.5;
  QTest::newRow("comma exponent") << "1,5e1" << 15.0;
  QTest::newRow("leading zeros") << "007.50" << 7.5;
  QTest::newRow("zero, huge exponent") << "0e999" << 0.0;
}

void TestCellText::numberAccepted() {
  QFETCH(QString, text);
  QFETCH(double, value);
  QCOMPARE(ParseNumber(text.toStdString()), value);
}

void TestCellText::numberRefused_data() {
  QTest::addColumn<QString>("text");
  QTest::newRow("empty") << "";
  QTest::newRow("sign only") << "-";
  QTest::newRow("no integer part") << ".5";
  QTest::newRow("no fraction digits") << "5.";
  QTest::newRow("two separators") << "1.2.3";
  QTest::newRow("point and comma") << "1,2.3";
  QTest::newRow("leading blank") << " 1";
  QTest::newRow("trailing blank") << "12.5 ";
  QTest::newRow("inner blank") << "1 000";
  QTest::newRow("bare exponent") << "1e";
  QTest::newRow("exponent sign only") << "1e+";
  QTest::newRow("exponent point") << "1e2.5";
  QTest::newRow("exponent first") << "e5";
  QTest::newRow("infinity") << "inf";
  QTest::newRow("nan") << "nan";
  QTest::newRow("hex float") << "0x1p3";
  QTest::newRow("too large") << "1e999";
  QTest::newRow("too large negative") << "-1e999";
  QTest::newRow("too small") << "1e-400";
  QTest::newRow("letters") << "abc";
  QTest::newRow("two signs") << "--1";
}

void TestCellText::numberRefused() {
  QFETCH(QString, text);
  const std::string t = text.toStdString();
  QCOMPARE(Q(NumberError(t)), Q("'" + t + "' is not a valid floating point value"));
}

void TestCellText::cellByteInRange() {
  for (int v = 0; v <= 255; ++v) QCOMPARE(int(CellByte(v, std::to_string(v), false)), v);
  QCOMPARE(int(CellByte(4, "+12", false)), 12);
  QCOMPARE(int(CellByte(4, "0255", false)), 255);
  QCOMPARE(int(CellByte(4, "-0", false)), 0);
}

void TestCellText::cellByteRefusesOutOfRange() {
  const struct {
    int index;
    const char* text;
  } cases[] = {{0, "256"}, {17, "-1"}, {200, "300"}, {255, "2147483647"}, {3, "-2147483648"}};
  for (const auto& c : cases) {
    bool thrown = false;
    try {
      CellByte(c.index, c.text, true);
    } catch (const CellRangeError& e) {
      thrown = true;
      QCOMPARE(e.index(), c.index);
      QCOMPARE(Q(e.text()), QString::fromLatin1(c.text));
      QCOMPARE(Q(e.what()), Q(CellRangeMessage(c.index, c.text, true)));
    }
    QVERIFY2(thrown, c.text);
  }
}

void TestCellText::cellByteLanguages() {
  const QString russian = QString::fromUtf8(
      "Ячейка MAF=17 содержит '-1': значение вне диапазона 0..255. Таблица не записана.");
  const QString english = QString::fromUtf8(
      "Cell MAF=17 holds '-1': the value is outside 0..255. The table was not written.");
  QCOMPARE(Q(CellRangeMessage(17, "-1", false)), russian);
  QCOMPARE(Q(CellRangeMessage(17, "-1", true)), english);
  QCOMPARE(Q(CellRangeMessage(255, "300", true)),
           QString::fromUtf8("Cell MAF=255 holds '300': the value is outside 0..255. "
                             "The table was not written."));

  // The refusal speaks the language it is given.
  for (const bool inEnglish : {false, true}) {
    try {
      CellByte(17, "-1", inEnglish);
      QFAIL("no refusal");
    } catch (const CellRangeError& e) {
      QCOMPARE(QString::fromUtf8(e.what()), inEnglish ? english : russian);
    }
  }
}

void TestCellText::cellByteBadTextIsConversionError() {
  // Text that is no integer is reported by the integer reader, not as a range fault.
  const char* texts[] = {"12.5", "abc", "", " 7", "99999999999"};
  for (const char* t : texts) {
    bool conversion = false;
    try {
      CellByte(5, t, false);
    } catch (const CellRangeError&) {
      QFAIL(t);
    } catch (const ConversionError& e) {
      conversion = true;
      QCOMPARE(QString::fromUtf8(e.what()),
               QString::fromUtf8("'%1' is not a valid integer value").arg(QString::fromUtf8(t)));
    }
    QVERIFY2(conversion, t);
  }
}

QTEST_APPLESS_MAIN(TestCellText)
#include "test_cell_text.moc"
