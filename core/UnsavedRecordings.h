#pragma once
// The recordings the tuner never saved, kept in the journals' folder rather
// than thrown away: a new "Старт" (or an opened log) that replaces an unsaved
// recording, and a left recording refused at start-up, move it here. "Лог" →
// "Несохранённые записи" lists them with their length and start, each to be
// opened as a .log file is.
//
//   unsaved-<start, ms since the epoch>.log   a .log file, 8 bytes a record
//
// The newest kUnsavedKeptAtLeast always stay; older ones stay while there are
// fewer than kUnsavedKeptAtMost and all of them together hold at most
// kUnsavedKeptBytes; the oldest go first.

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <vector>

namespace zelor {

class MessageTexts;

inline constexpr int kUnsavedKeptAtLeast = 5;
inline constexpr int kUnsavedKeptAtMost = 10;
inline constexpr std::int64_t kUnsavedKeptBytes = std::int64_t{32} << 20;

struct UnsavedRecording {
  QString path;
  std::int64_t samples = 0;  // 100 a second
  QDateTime start;
};

// The kept recordings in folder, the newest first.
std::vector<UnsavedRecording> UnsavedRecordings(const QString& folder);

// A name in folder, not yet taken, for a recording that started at start
// (the folder is made); empty when the folder cannot be made.
QString UnsavedRecordingPath(const QString& folder, const QDateTime& start);

// Moves file (a recording's journal) into folder as the recording that
// started at start, then drops the oldest beyond the bounds (but spare, a
// kept one about to be opened); false when it could not be moved (it stays
// where it was).
bool KeepUnsavedRecording(const QString& folder, const QString& file, const QDateTime& start,
                          const QString& spare = {});

// Drops the oldest kept recordings beyond the bounds, all but spare.
void TrimUnsavedRecordings(const QString& folder, const QString& spare = {});

// A recording's item in the menu: its start and its length in whole seconds,
// in the messages' language.
QString UnsavedRecordingCaption(const MessageTexts& messages, const UnsavedRecording& recording);

}  // namespace zelor
