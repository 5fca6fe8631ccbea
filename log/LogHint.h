#pragma once
// The hint of the log chart: the values of one plotted point, a line per
// series whose popup item is checked, for the floating label and the status
// bar.

#include <QString>
#include <array>

#include "log/LogFrame.h"

namespace zelor {

// The words of the hint lines that the language file may replace: the
// converter output (message text 1), the table (4), lambda (5) and
// enrichment (6).
struct LogHintWords {
  QString output;
  QString table;
  QString lambda;
  QString enrichment;
};

// The hint text of a point: for each series shown (by its index), in series
// order, "MAF=", "VAF=", the output, table, lambda or enrichment word and
// "=", then the series' value in the shortest decimal form. Every line but
// the enrichment line ends with a line feed and a carriage return (bytes
// 10, 13); the marker series has no line. Nothing shown: empty text.
QString LogHintText(const std::array<bool, kLogSeriesCount>& shown,
                    const std::array<double, kLogSeriesCount>& values, const LogHintWords& words);

// The hint as the status bar shows it: every line feed + carriage return
// pair replaced by three spaces.
QString LogHintStatusText(const QString& hint);

}  // namespace zelor
