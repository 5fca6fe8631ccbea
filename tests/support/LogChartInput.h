#pragma once
// Recordings made up for the log chart, and mouse events sent to it as the
// user makes them.

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "link/LogBuffer.h"

namespace zelor::testing {

// A sample from its channels in frame order (byte 1 is the marker).
inline LogSample Sample(int output, int marker, int enrichment, int maf, int vaf, int o2) {
  const int channels[kLogChannelCount] = {output, marker, enrichment, maf, vaf, 0, 0, o2};
  LogSample s;
  for (int c = 0; c < kLogChannelCount; ++c) s.bytes[c] = std::uint8_t(channels[c]);
  return s;
}

// Replaces the recording by n samples, sample k given by channels(k).
inline void Record(LogBuffer& log, std::int32_t n,
                   const std::function<LogSample(std::int32_t)>& channels) {
  for (std::int32_t k = 0; k < n; ++k) log.Store(k, channels(k));
  log.SetCount(n);
}

inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(pos), widget->mapToGlobal(QPointF(pos)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

}  // namespace zelor::testing
