#include "log/LogHint.h"

#include <QLocale>

namespace zelor {
namespace {

const QString kLineEnd = QStringLiteral("\n\r");

}  // namespace

QString LogHintText(const std::array<bool, kLogSeriesCount>& shown,
                    const std::array<double, kLogSeriesCount>& values, const LogHintWords& words) {
  struct Line {
    LogSeries series;
    QString word;
  };
  const Line lines[] = {
      {kMafSeries, QStringLiteral("MAF")}, {kVafSeries, QStringLiteral("VAF")},
      {kConvSeries, words.output},         {kTabSeries, words.table},
      {kO2Series, words.lambda},           {kEnrichmentSeries, words.enrichment},
  };
  QString text;
  for (const Line& line : lines) {
    if (!shown[line.series]) continue;
    text += line.word + QLatin1Char('=') +
            QString::number(values[line.series], 'g', QLocale::FloatingPointShortest);
    if (line.series != kEnrichmentSeries) text += kLineEnd;
  }
  return text;
}

QString LogHintStatusText(const QString& hint) {
  QString text = hint;
  return text.replace(kLineEnd, QStringLiteral("   "));
}

}  // namespace zelor
