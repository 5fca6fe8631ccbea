#include "log/LogCsv.h"

#include <charconv>
#include <cstring>
#include <span>

#include "core/FileSave.h"
#include "link/LogBuffer.h"
#include "log/LogFrame.h"

namespace zelor {
namespace {

// Every number of a row fits an int; to_chars never runs out of room here.
char* Number(char* out, int value) { return std::to_chars(out, out + 11, value).ptr; }

char* Field(char* out, int value) {
  out = Number(out, value);
  *out = ',';
  return out + 1;
}

}  // namespace

char* WriteLogCsvRow(char* out, std::int32_t index, const LogSample& sample,
                     const LogCsvTable& table) {
  // Seconds with two decimals straight from the index: 10 ms is 0.01 s.
  out = Number(out, index / 100);
  const int hundredths = index % 100;
  *out++ = '.';
  *out++ = static_cast<char>('0' + hundredths / 10);
  *out++ = static_cast<char>('0' + hundredths % 10);
  *out++ = ',';
  out = Field(out, sample.Maf());
  out = Field(out, sample.Vaf());
  out = Field(out, sample.Output());
  if (const std::optional<int>& cell = table[sample.Maf()]) out = Number(out, *cell);
  *out++ = ',';
  out = Field(out, sample.O2());
  out = Field(out, EnrichmentPercent(sample.Enrichment()));
  out = Field(out, sample.Marker());
  out = Field(out, sample[LogChannel::Channel5]);
  out = Number(out, sample[LogChannel::Channel6]);
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

QByteArray EncodeLogCsv(const LogBuffer& buffer, std::int32_t count, const LogCsvTable& table) {
  const std::size_t rows = count > 0 ? static_cast<std::size_t>(count) : 0;
  QByteArray text(static_cast<qsizetype>(kLogCsvHeader.size() + rows * kLogCsvRowMax),
                  Qt::Uninitialized);
  char* const begin = text.data();
  std::memcpy(begin, kLogCsvHeader.data(), kLogCsvHeader.size());
  char* out = begin + kLogCsvHeader.size();
  for (std::int32_t slot = 0; slot < count; ++slot)
    out = WriteLogCsvRow(out, slot, buffer.SampleAt(slot), table);
  text.truncate(out - begin);
  return text;
}

QString LogCsvFileName(const QString& chosen) {
  if (chosen.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) return chosen;
  return chosen + QLatin1String(".csv");
}

std::optional<QString> SaveLogCsvFile(const LogBuffer& buffer, const QString& path,
                                      const LogCsvTable& table) {
  const QByteArray text = EncodeLogCsv(buffer, buffer.Count(), table);
  return SaveWholeFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.constData()),
                                       static_cast<std::size_t>(text.size())));
}

}  // namespace zelor
