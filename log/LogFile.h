#pragma once
// .log recording files: one 8-byte record per sample, in recording order,
// no header and no trailer. Record byte k is the sample's channel k
// (converter output, marker, enrichment, MAF, VAF, channels 5 and 6, O2), so
// a record is the converter's stream frame with byte 1 replaced by the
// marker. The file of a recording of n samples is 8 x n bytes long.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace zelor {

class LogBuffer;

// Bytes of one record.
inline constexpr int kLogRecordSize = 8;

// The length of a log file: a whole number of records. Any other file opens
// only once the user has said so.
inline bool IsLogFileLength(qint64 size) { return size % kLogRecordSize == 0; }

// The name a log is saved under: the chosen name, with ".log" appended
// unless its last four characters are exactly ".log" (case-sensitive).
QString LogFileName(const QString& chosen);

// The file image of slots 0 .. count - 1 of the buffer.
QByteArray EncodeLogRecords(const LogBuffer& buffer, std::int32_t count);

// Replaces the recording with the whole records of a file's bytes: record k
// goes into slot k and the count becomes the number of records, except that
// the count stops at LogBuffer::kCapacity and every later record goes into
// slot kCapacity (the file's last record remains there). A trailing piece of
// fewer than 8 bytes is ignored; slots above the new count keep their bytes.
// Returns the new count. Only while no reader appends to the buffer.
std::int32_t SpreadLogRecords(LogBuffer& buffer, const char* bytes, qint64 size);

// Saves the recording to path: the count is read once, then its samples are
// written through SaveWholeFile (core/FileSave.h), so a failure leaves an
// older file of that name as it was. Returns nullopt when saved, otherwise
// SaveWholeFile's message.
std::optional<QString> SaveLogFile(const LogBuffer& buffer, const QString& path);

// Opens a log file: reads its records into memory in one read, then spreads
// them over the buffer with SpreadLogRecords. Of the records past the cap
// only the last is read (it is the one the cap keeps), so a huge file needs
// no more memory than a full recording. Returns nullopt when loaded; a file
// that cannot be read gives the message of CannotOpenFileMessage
// (core/FileSave.h) and leaves the buffer untouched.
std::optional<QString> OpenLogFile(LogBuffer& buffer, const QString& path);

}  // namespace zelor
