// The panel tick's plain computations: the text of a count, the O2 gauge's
// scaling, the correction-range test.

#include <QtTest>

#include <cmath>
#include <string>

#include "log/PanelText.h"

using zelor::MafInRange;
using zelor::O2GaugePosition;
using zelor::PanelText;

namespace {

// The voltage text computed the slow way, in decimal strings: v x 5 / 256
// is an exact binary fraction, so a double holds it exactly and the
// hundredths' half can be told apart.
std::string VoltsByDouble(int v, char sep) {
  const double volts = v * 5.0 / 256.0;
  const double hundredths = std::floor(volts * 100.0 + 0.5);  // v >= 0: away from zero
  const long long h = static_cast<long long>(hundredths);
  std::string cents = std::to_string(h % 100);
  if (cents.size() < 2) cents = "0" + cents;
  return std::to_string(h / 100) + sep + cents;
}

}  // namespace

class TestPanelText : public QObject {
  Q_OBJECT

 private slots:
  void knownCounts();
  void everyCountAgreesWithTheVoltage();
  void separatorIsTheOneGiven();
  void o2GaugeScaling();
  void o2GaugeAgreesWithHalfEvenRounding();
  void mafRangeIncludesBothEnds();
};

void TestPanelText::knownCounts() {
  QCOMPARE(PanelText(255, '.'), std::string("255N 4.98V"));
  QCOMPARE(PanelText(128, '.'), std::string("128N 2.50V"));
  QCOMPARE(PanelText(32, '.'), std::string("32N 0.63V"));  // 0.625 goes up
  QCOMPARE(PanelText(0, '.'), std::string("0N 0.00V"));
  QCOMPARE(PanelText(1, '.'), std::string("1N 0.02V"));      // 0.01953
  QCOMPARE(PanelText(96, '.'), std::string("96N 1.88V"));    // 1.875 goes up
  QCOMPARE(PanelText(160, '.'), std::string("160N 3.13V"));  // 3.125 goes up
}

void TestPanelText::everyCountAgreesWithTheVoltage() {
  for (int v = 0; v <= 255; ++v) {
    const std::string expected = std::to_string(v) + "N " + VoltsByDouble(v, '.') + "V";
    QCOMPARE(PanelText(v, '.'), expected);
  }
}

void TestPanelText::separatorIsTheOneGiven() {
  QCOMPARE(PanelText(255, ','), std::string("255N 4,98V"));
  QCOMPARE(PanelText(10, ','), std::string("10N 0,20V"));
  // A count outside the gauge's range is still printed faithfully.
  QCOMPARE(PanelText(512, '.'), std::string("512N 10.00V"));
  QCOMPARE(PanelText(-32, '.'), std::string("-32N -0.63V"));
}

void TestPanelText::o2GaugeScaling() {
  QCOMPARE(O2GaugePosition(10, false), 50);
  QCOMPARE(O2GaugePosition(25, false), 124);  // 124.5 goes to the even 124
  QCOMPARE(O2GaugePosition(51, false), 254);
  QCOMPARE(O2GaugePosition(52, false), 255);
  QCOMPARE(O2GaugePosition(255, false), 255);
  QCOMPARE(O2GaugePosition(0, false), 0);
  QCOMPARE(O2GaugePosition(75, false), 255);  // 373.5: clamped
  // With the wide-band sensor the gauge takes the raw count.
  QCOMPARE(O2GaugePosition(10, true), 10);
  QCOMPARE(O2GaugePosition(25, true), 25);
  QCOMPARE(O2GaugePosition(255, true), 255);
  QCOMPARE(O2GaugePosition(0, true), 0);
  // The gauge clamps anything outside 0..255.
  QCOMPARE(O2GaugePosition(300, true), 255);
  QCOMPARE(O2GaugePosition(-4, true), 0);
  QCOMPARE(O2GaugePosition(-4, false), 0);
}

void TestPanelText::o2GaugeAgreesWithHalfEvenRounding() {
  int halves = 0;
  for (int raw = 0; raw <= 255; ++raw) {
    // raw x 4.98 in hundredths is an integer: exact in a double.
    const double x = raw * 498 / 100.0;
    const double nearest = std::nearbyint(x);  // default mode: halves to even
    if (raw * 498 % 100 == 50) ++halves;
    const int expected = static_cast<int>(std::min(nearest, 255.0));
    QCOMPARE(O2GaugePosition(raw, false), expected);
  }
  QVERIFY(halves >= 2);  // the table above does meet exact halves
  QCOMPARE(O2GaugePosition(75, false), 255);
  QCOMPARE(O2GaugePosition(5, false), 25);  // 24.9
}

void TestPanelText::mafRangeIncludesBothEnds() {
  QVERIFY(MafInRange(0, 0, 0));  // both track bars at 0: only MAF 0 is inside
  QVERIFY(!MafInRange(1, 0, 0));
  QVERIFY(MafInRange(40, 40, 60));
  QVERIFY(MafInRange(60, 40, 60));
  QVERIFY(MafInRange(50, 40, 60));
  QVERIFY(!MafInRange(39, 40, 60));
  QVERIFY(!MafInRange(61, 40, 60));
  QVERIFY(!MafInRange(50, 60, 40));  // an empty range holds nothing
  QVERIFY(MafInRange(255, 0, 255));
}

QTEST_APPLESS_MAIN(TestPanelText)
#include "test_panel_text.moc"
