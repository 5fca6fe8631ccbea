// The TableImage: encoding of cells and settings, reading of whole, short,
// long and comparison-window files, the rounding of the per-cent settings,
// and the settings' ranges.

#include <QtTest>

#include <array>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "table/TableFileName.h"
#include "table/TableImage.h"
#include "table/TableSettings.h"

using namespace zelor;

namespace {

using Cells = std::array<std::uint8_t, kCellCount>;

const std::array<std::uint8_t, 6> kDefaultSettingBytes{0x04, 0x05, 0x80, 0x40, 0x80, 0x80};

Cells IdentityCells() {
  Cells cells{};
  for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<std::uint8_t>(i);
  return cells;
}

template <std::size_t N>
std::vector<std::uint8_t> ToVector(const std::array<std::uint8_t, N>& a) {
  return std::vector<std::uint8_t>(a.begin(), a.end());
}

bool IsDefault(const TableSettings& s) {
  return s.Sample_Time == 4 && s.Porog == 5 && s.Enrichment == 0 && s.Enrichment_decr == 50 &&
         s.Smooth_MAF == 100 && s.Smooth_VAF == 100;
}

// Decodes a file holding identity cells and `byte` at the offset of setting `index`.
int LoadSettingByte(int index, std::uint8_t byte) {
  std::vector<std::uint8_t> file = ToVector(IdentityCells());
  for (int s = 0; s < kSettingCount; ++s)
    file.push_back(kDefaultSettingBytes[static_cast<std::size_t>(s)]);
  file[kCellCount + static_cast<std::size_t>(index)] = byte;
  return DecodeTableImage(file).settings.Get(index);
}

}  // namespace

class TestTableImage : public QObject {
  Q_OBJECT

 private slots:
  void settingsDefaultsAndRanges();
  void settingsClampAndIndex();
  void roundHalfEvenExact();
  void roundHalfEvenAtTheEndsOfTheRange();
  void startupImage();
  void identityImage();
  void imageCarriesSettings();
  void loadWholeFile();
  void loadShortFiles();
  void loadLongFileIgnoresTail();
  void loadComparisonFile();
  void comparisonImage();
  void enrichment144();
  void halfwayBytesRoundToEven();
  void everyInRangeValueRoundTrips();
  void outOfRangeBytesClampOnLoad();
  void encodeClampsOutOfRangeValues();
  void tabExtensionFollowsTheNamesCase();
};

void TestTableImage::settingsDefaultsAndRanges() {
  const TableSettings d = Defaults();
  QVERIFY(IsDefault(d));
  QVERIFY(d == TableSettings{});
  const int expected[6] = {4, 5, 0, 50, 100, 100};
  for (int s = 0; s < kSettingCount; ++s) QCOMPARE(d.Get(s), expected[s]);

  const int mins[6] = {1, 1, 0, 1, 1, 1};
  const int maxs[6] = {100, 100, 99, 99, 100, 100};
  for (int s = 0; s < kSettingCount; ++s) {
    QCOMPARE(kSettingRanges[static_cast<std::size_t>(s)].min, mins[s]);
    QCOMPARE(kSettingRanges[static_cast<std::size_t>(s)].max, maxs[s]);
    // Every default lies in its range.
    QVERIFY(expected[s] >= mins[s] && expected[s] <= maxs[s]);
  }
}

void TestTableImage::settingsClampAndIndex() {
  QCOMPARE(ClampSetting(0, 0), 1);
  QCOMPARE(ClampSetting(0, 101), 100);
  QCOMPARE(ClampSetting(0, 55), 55);
  QCOMPARE(ClampSetting(2, -5), 0);
  QCOMPARE(ClampSetting(2, 100), 99);
  QCOMPARE(ClampSetting(3, 0), 1);
  QCOMPARE(ClampSetting(3, 1000), 99);
  QCOMPARE(ClampSetting(5, -2147483647 - 1), 1);
  QCOMPARE(ClampSetting(5, 2147483647), 100);
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, ClampSetting(-1, 5));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, ClampSetting(6, 5));

  TableSettings s;
  s.Set(0, 0);
  s.Set(1, 200);
  s.Set(2, 42);
  s.Set(3, 0);
  s.Set(4, 77);
  s.Set(5, 101);
  QCOMPARE(s.Sample_Time, 1);
  QCOMPARE(s.Porog, 100);
  QCOMPARE(s.Enrichment, 42);
  QCOMPARE(s.Enrichment_decr, 1);
  QCOMPARE(s.Smooth_MAF, 77);
  QCOMPARE(s.Smooth_VAF, 100);
  QCOMPARE(s.Get(2), 42);
  QCOMPARE(s.Get(4), 77);
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.Get(6));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, s.Set(-1, 3));
  QVERIFY(!(s == Defaults()));
}

void TestTableImage::roundHalfEvenExact() {
  QCOMPARE(RoundHalfEven(5, 2), std::int64_t(2));
  QCOMPARE(RoundHalfEven(7, 2), std::int64_t(4));
  QCOMPARE(RoundHalfEven(1, 2), std::int64_t(0));
  QCOMPARE(RoundHalfEven(3, 2), std::int64_t(2));
  QCOMPARE(RoundHalfEven(-1, 2), std::int64_t(0));
  QCOMPARE(RoundHalfEven(-3, 2), std::int64_t(-2));
  QCOMPARE(RoundHalfEven(-5, 2), std::int64_t(-2));
  QCOMPARE(RoundHalfEven(1, 3), std::int64_t(0));
  QCOMPARE(RoundHalfEven(2, 3), std::int64_t(1));
  QCOMPARE(RoundHalfEven(-1, 3), std::int64_t(0));
  QCOMPARE(RoundHalfEven(-2, 3), std::int64_t(-1));
  QCOMPARE(RoundHalfEven(5, -2), std::int64_t(-2));
  QCOMPARE(RoundHalfEven(-7, -2), std::int64_t(4));
  QCOMPARE(RoundHalfEven(10, 5), std::int64_t(2));
  QCOMPARE(RoundHalfEven(0, 7), std::int64_t(0));
  // 12 x 32/25 = 15.36 and 143.36 after the offset; 1.28 as a double would
  // not always land on the same side of a half.
  QCOMPARE(RoundHalfEven(12 * 32, 25), std::int64_t(15));
  QCOMPARE(RoundHalfEven(16 * 25, 32), std::int64_t(12));  // 12.5 -> 12
  QCOMPARE(RoundHalfEven(48 * 25, 32), std::int64_t(38));  // 37.5 -> 38
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument, RoundHalfEven(1, 0));
}

void TestTableImage::roundHalfEvenAtTheEndsOfTheRange() {
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  // Known by hand: exact, a half up to even, a half down to even.
  QCOMPARE(RoundHalfEven(kMin, 2), kMin / 2);
  QCOMPARE(RoundHalfEven(kMax, 2), std::int64_t{1} << 62);         // 2^62 - 0.5
  QCOMPARE(RoundHalfEven(kMin + 1, 2), -(std::int64_t{1} << 62));  // -2^62 + 0.5
  QCOMPARE(RoundHalfEven(kMin, kMin), std::int64_t{1});
  QCOMPARE(RoundHalfEven(kMax, kMin), std::int64_t{-1});
  QCOMPARE(RoundHalfEven(kMin / 2, kMin), std::int64_t{0});  // +0.5 -> 0
  QCOMPARE(RoundHalfEven(kMin, kMax), std::int64_t{-1});
  // The one quotient that does not fit.
  QVERIFY_THROWS_EXCEPTION(std::overflow_error, RoundHalfEven(kMin, -1));
#ifdef __SIZEOF_INT128__
  // Every pair of the ends and their neighbours against wide integers.
  const std::int64_t nums[] = {kMin, kMin + 1, kMin + 2, kMin / 2, kMin / 2 + 1, -3,       -1,
                               0,    1,        3,        kMax / 2, kMax - 2,     kMax - 1, kMax};
  const std::int64_t dens[] = {kMin, kMin + 1, kMin / 2, -3,       -2,       -1,
                               1,    2,        3,        kMax / 2, kMax - 1, kMax};
  for (const std::int64_t num : nums) {
    for (const std::int64_t den : dens) {
      __int128 n = num;
      __int128 d = den;
      if (d < 0) {
        n = -n;
        d = -d;
      }
      __int128 q = n / d;
      __int128 r = n % d;
      if (r < 0) {
        q -= 1;
        r += d;
      }
      if (2 * r > d || (2 * r == d && q % 2 != 0)) q += 1;
      const QByteArray where =
          QByteArray::number(qlonglong(num)) + " / " + QByteArray::number(qlonglong(den));
      if (q > kMax) {
        QVERIFY_THROWS_EXCEPTION(std::overflow_error, RoundHalfEven(num, den));
      } else {
        QVERIFY2(RoundHalfEven(num, den) == static_cast<std::int64_t>(q), where.constData());
      }
    }
  }
#endif
}

void TestTableImage::startupImage() {
  const auto image = EncodeTableImage(Cells{}, Defaults());
  QCOMPARE(image.size(), std::size_t(262));
  for (std::size_t i = 0; i < kCellCount; ++i) QCOMPARE(image[i], std::uint8_t(0));
  for (std::size_t s = 0; s < 6; ++s) QCOMPARE(image[kCellCount + s], kDefaultSettingBytes[s]);
}

void TestTableImage::identityImage() {
  const auto image = EncodeTableImage(IdentityCells(), Defaults());
  for (std::size_t i = 0; i < kCellCount; ++i) QCOMPARE(int(image[i]), int(i));
  for (std::size_t s = 0; s < 6; ++s) QCOMPARE(image[kCellCount + s], kDefaultSettingBytes[s]);

  // And back: the same cells and the defaults.
  const DecodedTable t = DecodeTableImage(ToVector(image));
  QVERIFY(t.cells == IdentityCells());
  QVERIFY(IsDefault(t.settings));
}

void TestTableImage::imageCarriesSettings() {
  TableSettings s;
  s.Sample_Time = 100;
  s.Porog = 1;
  s.Enrichment = 99;
  s.Enrichment_decr = 1;
  s.Smooth_MAF = 1;
  s.Smooth_VAF = 37;
  Cells cells{};
  cells[0] = 7;
  cells[255] = 200;
  const auto image = EncodeTableImage(cells, s);
  QCOMPARE(int(image[0]), 7);
  QCOMPARE(int(image[255]), 200);
  QCOMPARE(int(image[256]), 100);
  QCOMPARE(int(image[257]), 1);
  QCOMPARE(int(image[258]), 255);  // 99 x 1.28 + 128 = 254.72
  QCOMPARE(int(image[259]), 1);    // 1.28
  QCOMPARE(int(image[260]), 1);
  QCOMPARE(int(image[261]), 47);  // 37 x 1.28 = 47.36
  const DecodedTable t = DecodeTableImage(ToVector(image));
  QVERIFY(t.settings == s);
  QVERIFY(t.cells == cells);
}

void TestTableImage::loadWholeFile() {
  // 256 bytes: a table without settings.
  Cells cells{};
  for (std::size_t i = 0; i < kCellCount; ++i) cells[i] = static_cast<std::uint8_t>(255 - i);
  TableSettings odd;
  odd.Sample_Time = 9;
  odd.Enrichment = 30;
  const auto full = EncodeTableImage(cells, odd);
  std::vector<std::uint8_t> file(full.begin(), full.begin() + 256);
  const DecodedTable t = DecodeTableImage(file);
  QVERIFY(t.cells == cells);
  QVERIFY(IsDefault(t.settings));

  // 259 bytes: the first three settings present, the rest default.
  file.assign(full.begin(), full.begin() + 259);
  const DecodedTable p = DecodeTableImage(file);
  QCOMPARE(p.settings.Sample_Time, 9);
  QCOMPARE(p.settings.Porog, 5);
  QCOMPARE(p.settings.Enrichment, 30);
  QCOMPARE(p.settings.Enrichment_decr, 50);
  QCOMPARE(p.settings.Smooth_MAF, 100);
  QCOMPARE(p.settings.Smooth_VAF, 100);
}

void TestTableImage::loadShortFiles() {
  // Ten bytes: cells 0..9 from the file, the rest repeat the tenth byte.
  const std::vector<std::uint8_t> ten{3, 1, 4, 1, 5, 9, 2, 6, 5, 35};
  const DecodedTable t = DecodeTableImage(ten);
  for (std::size_t i = 0; i < 10; ++i) QCOMPARE(t.cells[i], ten[i]);
  for (std::size_t i = 10; i < kCellCount; ++i) QCOMPARE(int(t.cells[i]), 35);
  QVERIFY(IsDefault(t.settings));

  // One byte: every cell holds it.
  const DecodedTable one = DecodeTableImage({200});
  for (std::size_t i = 0; i < kCellCount; ++i) QCOMPARE(int(one.cells[i]), 200);

  // Empty: every cell 0, default settings.
  const DecodedTable empty = DecodeTableImage({});
  for (std::size_t i = 0; i < kCellCount; ++i) QCOMPARE(int(empty.cells[i]), 0);
  QVERIFY(IsDefault(empty.settings));
}

void TestTableImage::loadLongFileIgnoresTail() {
  TableSettings s;
  s.Porog = 64;
  s.Smooth_VAF = 3;
  const auto image = EncodeTableImage(IdentityCells(), s);
  std::vector<std::uint8_t> file = ToVector(image);
  file.resize(400, 0xEE);
  const DecodedTable t = DecodeTableImage(file);
  QVERIFY(t.cells == IdentityCells());
  QVERIFY(t.settings == s);
}

void TestTableImage::loadComparisonFile() {
  Cells cells = IdentityCells();
  cells[17] = 99;
  const auto compare = EncodeCompareImage(cells);
  const DecodedTable t = DecodeTableImage(ToVector(compare));
  QVERIFY(t.cells == cells);
  QCOMPARE(t.settings.Sample_Time, 1);
  QCOMPARE(t.settings.Porog, 5);
  QCOMPARE(t.settings.Enrichment, 0);
  QCOMPARE(t.settings.Enrichment_decr, 50);
  QCOMPARE(t.settings.Smooth_MAF, 100);
  QCOMPARE(t.settings.Smooth_VAF, 100);
}

void TestTableImage::comparisonImage() {
  Cells cells{};
  for (std::size_t i = 0; i < kCellCount; ++i) cells[i] = static_cast<std::uint8_t>((i * 7) % 256);
  const auto image = EncodeCompareImage(cells);
  QCOMPARE(image.size(), std::size_t(257));
  for (std::size_t i = 0; i < kCellCount; ++i) QCOMPARE(image[i], cells[i]);
  QCOMPARE(int(image[256]), 1);

  // Its reader takes only the cells, of any file.
  QVERIFY(DecodeCompareImage(ToVector(image)) == cells);
  QVERIFY(DecodeCompareImage(ToVector(EncodeTableImage(cells, Defaults()))) == cells);
  const Cells shortRead = DecodeCompareImage({10, 20, 30});
  QCOMPARE(int(shortRead[0]), 10);
  QCOMPARE(int(shortRead[1]), 20);
  for (std::size_t i = 2; i < kCellCount; ++i) QCOMPARE(int(shortRead[i]), 30);
  const Cells none = DecodeCompareImage({});
  QVERIFY(none == Cells{});
}

void TestTableImage::enrichment144() {
  QCOMPARE(LoadSettingByte(2, 144), 12);
  QCOMPARE(int(EncodeSetting(2, 12)), 143);
  TableSettings s;
  s.Enrichment = LoadSettingByte(2, 144);
  QCOMPARE(int(EncodeTableImage(Cells{}, s)[258]), 143);
}

void TestTableImage::halfwayBytesRoundToEven() {
  const int bytes[8] = {16, 48, 80, 112, 144, 176, 208, 240};
  const int values[8] = {12, 38, 62, 88, 112, 138, 162, 188};
  for (int s = 3; s <= 5; ++s) {
    for (int k = 0; k < 8; ++k) {
      // Decoding before clamping: the exact quotient halves to even.
      QCOMPARE(RoundHalfEven(std::int64_t(bytes[k]) * 25, 32), std::int64_t(values[k]));
      const int expected = std::min(values[k], kSettingRanges[static_cast<std::size_t>(s)].max);
      QCOMPARE(DecodeSetting(s, static_cast<std::uint8_t>(bytes[k])), expected);
      QCOMPARE(LoadSettingByte(s, static_cast<std::uint8_t>(bytes[k])), expected);
    }
  }
  // Enrichment's halves sit 16 above a multiple of 32 after the offset.
  QCOMPARE(DecodeSetting(2, 144), 12);
  QCOMPARE(DecodeSetting(2, 176), 38);
  QCOMPARE(DecodeSetting(2, 208), 62);
  QCOMPARE(DecodeSetting(2, 240), 88);
}

void TestTableImage::everyInRangeValueRoundTrips() {
  for (int s = 0; s < kSettingCount; ++s) {
    const SettingRange r = kSettingRanges[static_cast<std::size_t>(s)];
    int previousByte = -1;
    for (int v = r.min; v <= r.max; ++v) {
      const std::uint8_t b = EncodeSetting(s, v);
      QVERIFY2(int(b) > previousByte, "stored bytes rise with the value");
      previousByte = b;
      QCOMPARE(DecodeSetting(s, b), v);

      TableSettings settings;
      settings.Set(s, v);
      const auto image = EncodeTableImage(IdentityCells(), settings);
      QCOMPARE(image[kCellCount + static_cast<std::size_t>(s)], b);
      QCOMPARE(DecodeTableImage(ToVector(image)).settings.Get(s), v);
    }
  }
  // The stored ranges.
  QCOMPARE(int(EncodeSetting(0, 1)), 1);
  QCOMPARE(int(EncodeSetting(0, 100)), 100);
  QCOMPARE(int(EncodeSetting(2, 0)), 128);
  QCOMPARE(int(EncodeSetting(2, 99)), 255);
  QCOMPARE(int(EncodeSetting(3, 1)), 1);
  QCOMPARE(int(EncodeSetting(3, 99)), 127);
  QCOMPARE(int(EncodeSetting(4, 100)), 128);
  QCOMPARE(int(EncodeSetting(5, 1)), 1);
}

void TestTableImage::outOfRangeBytesClampOnLoad() {
  QCOMPARE(LoadSettingByte(0, 0), 1);
  QCOMPARE(LoadSettingByte(0, 255), 100);
  QCOMPARE(LoadSettingByte(1, 101), 100);
  QCOMPARE(LoadSettingByte(2, 127), 0);
  QCOMPARE(LoadSettingByte(2, 0), 0);
  QCOMPARE(LoadSettingByte(3, 0), 1);
  QCOMPARE(LoadSettingByte(3, 255), 99);
  QCOMPARE(LoadSettingByte(3, 128), 99);  // 100 % is above its range
  QCOMPARE(LoadSettingByte(4, 255), 100);
  QCOMPARE(LoadSettingByte(4, 0), 1);
  QCOMPARE(LoadSettingByte(5, 129), 100);  // 100.78 -> 101 -> 100
  // Every possible byte loads into range.
  for (int s = 0; s < kSettingCount; ++s) {
    const SettingRange r = kSettingRanges[static_cast<std::size_t>(s)];
    for (int b = 0; b <= 255; ++b) {
      const int v = DecodeSetting(s, static_cast<std::uint8_t>(b));
      QVERIFY(v >= r.min && v <= r.max);
    }
  }
}

void TestTableImage::encodeClampsOutOfRangeValues() {
  // A value outside its range is stored as the nearest end, never wrapped.
  QCOMPARE(int(EncodeSetting(0, 300)), 100);
  QCOMPARE(int(EncodeSetting(0, -4)), 1);
  QCOMPARE(int(EncodeSetting(2, 150)), 255);
  QCOMPARE(int(EncodeSetting(2, -10)), 128);
  QCOMPARE(int(EncodeSetting(4, 1000)), 128);
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, EncodeSetting(6, 1));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, DecodeSetting(-1, 1));
}

// ".tab" ends a name as the file system compares names: exactly on Linux,
// in any case on Windows.
void TestTableImage::tabExtensionFollowsTheNamesCase() {
  const NameCase exact = NameCase::kSensitive;
  const NameCase any = NameCase::kInsensitive;
  const struct {
    const char* name;
    NameCase names;
    const char* saved;
  } cases[] = {
      {"table", exact, "table.tab"},         {"table.tab", exact, "table.tab"},
      {"table.TAB", exact, "table.TAB.tab"}, {"table.TAB", any, "table.TAB"},
      {"table.Tab", any, "table.Tab"},       {"tab", any, "tab.tab"},
      {"x.tabs", any, "x.tabs.tab"},         {"Таблица.TAB", any, "Таблица.TAB"},
  };
  for (const auto& c : cases)
    QCOMPARE(QString::fromStdString(TableFileName(c.name, c.names)), QString::fromUtf8(c.saved));
}

QTEST_APPLESS_MAIN(TestTableImage)
#include "test_table_image.moc"
