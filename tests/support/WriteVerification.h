#pragma once
// A table write and its read-back against the simulator, with the 60
// verification ticks run by hand rather than waited for.

#include <QList>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <cstddef>

#include "app/Unit3.h"
#include "app/ZelorConfigurator.h"
#include "link/Protocol.h"
#include "support/SimProcess.h"
#include "ui/HandlerGuard.h"

namespace zelor::testing {

// Waits until the converter has taken the whole write frame sent after
// `before` received bytes. Started with "--flash-ms 0", it then holds the
// new table for the read-back that follows.
inline bool WriteFrameTaken(const SimProcess& sim, std::size_t before) {
  return QTest::qWaitFor(
      [&] { return sim.Received().size() >= before + protocol::kTableWriteSize; }, 10000);
}

// Runs the 60 verification ticks by hand, each under the default error
// handler as the timer runs it; returns the bar after each.
inline QList<int> RunVerificationTicks(TForm1& form, TForm3& form3) {
  form.findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
  QList<int> progress;
  for (int tick = 0; tick < protocol::kVerifyTicks; ++tick) {
    Guarded(&form, [&] { form.Timer2Timer(); });
    progress << form3.ProgressBar1()->value();
  }
  return progress;
}

}  // namespace zelor::testing
