#pragma once
// CSV export of a recording, for spreadsheets and log viewers: a header line,
// then one row per sample in recording order. Fields are parted by commas,
// decimals use a point and every line ends with CR LF; no field ever needs
// quoting.
//
// A row holds the values the log chart plots for the sample, which are the
// values its hint shows: the time in seconds with two decimals (sample i at
// i x 10 ms), MAF, VAF and converter output as recorded, the table value of
// the sample's MAF (the grid cell read as an integer, as the chart reads it),
// lambda as recorded (the raw O2 byte), the enrichment in per cent
// (EnrichmentPercent), the marker (0 or 128), and the two further stream
// bytes, channels 5 and 6, which the chart does not show. A cell whose text
// is not an integer leaves the table field empty.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "link/LogSample.h"

namespace zelor {

class LogBuffer;

// The header line, its line end included.
inline constexpr std::string_view kLogCsvHeader =
    "Time_s,MAF,VAF,Output,Table,Lambda,Enrichment_pct,Marker,Ch5,Ch6\r\n";

// The longest row, line end included: a time of an int32 index
// ("21474836.47"), seven bytes, a table value of int32 ("-2147483648"), an
// enrichment ("-100"), nine commas and CR LF.
inline constexpr std::size_t kLogCsvRowMax = 11 + 7 * 3 + 11 + 4 + 9 + 2;

// The table field's value of each MAF value, read from its cell as the log
// chart reads it (IntegerOf, table/CellText); nullopt leaves the field empty.
using LogCsvTable = std::array<std::optional<int>, 256>;

// Writes the row of sample `index` (index >= 0) at out, which has room for
// kLogCsvRowMax bytes; returns the end of the row.
char* WriteLogCsvRow(char* out, std::int32_t index, const LogSample& sample,
                     const LogCsvTable& table);

// The header and the rows of slots 0 .. count - 1 of the buffer, formatted
// into one buffer allocated once.
QByteArray EncodeLogCsv(const LogBuffer& buffer, std::int32_t count, const LogCsvTable& table);

// The name an export is saved under: the chosen name, with ".csv" appended
// unless it ends in ".csv" in any case.
QString LogCsvFileName(const QString& chosen);

// Saves the recording as CSV to path: the count is read once, and the text
// is written through SaveWholeFile (core/FileSave.h) in one write, so a
// failure leaves an older file of that name as it was. Returns nullopt when
// saved, otherwise SaveWholeFile's message.
std::optional<QString> SaveLogCsvFile(const LogBuffer& buffer, const QString& path,
                                      const LogCsvTable& table);

}  // namespace zelor
