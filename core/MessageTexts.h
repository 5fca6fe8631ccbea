#pragma once
// The eighteen message texts of the main window, numbered 1..18, with their
// Russian defaults. The language file switches texts 7..18 to English and
// replaces texts 1..6 with lines of its own.
//
// This is the one owner of the messages' language: every message the program
// builds elsewhere (a cell's range refusal, for one) is given English() by its
// caller, so that no message stays Russian after the switch.

#include <QString>
#include <array>

namespace zelor {

// The program's own messages beyond the eighteen (refusals and the messages
// of mended faults). Each has a Russian text and an English twin, and follows
// the language switch with texts 7..18. Append new ones at the end.
enum class OwnMessage {
  kConverterKeepsTalking,  // the table read's drain ran out of time
  // The table read or write asked for while the live stream runs.
  kStreamRunning,
  // "Старт" pressed while a written table waits for its read-back.
  kVerifyPending,
  kLogOpenWhileStreaming,  // a log is opened while the stream runs
  kExportCsvCaption,  // the caption of the menu item "Лог" > "Файл" > "Экспорт CSV"
  // Captions of the table history's items in the menu "Таблица Замены".
  kUndoTableCaption,
  kRedoTableCaption,
  // The lines of the first tab's status block and their parts.
  kStatusPort,
  kStatusNoPort,
  kStatusFirmware,
  kStatusNotRead,
  kStatusStreamRuns,
  kStatusStreamStopped,
  kStatusStreamLost,
  kStatusDiffering,
  kStatusCellsWord,
  kStatusNoCopy,
  kStatusInvalid,
  // The mark over the panel's gauges once the converter is lost during a run.
  kLinkLost,
  // The question before a table write to a converter whose table was not read.
  kWriteUnreadTable,
  // The status block's stream line once another port was chosen during a run.
  kStatusStreamPortLeft,
  // The tuner's tools: their items on the grid's menu and in the menu
  // "Таблица Замены", the coverage view's switch, the amount dialogs of
  // "Прибавить…" and "Умножить…", and the count the status bar shows after
  // a tool or a learning pass (%1: the number of cells).
  kInterpolateCaption,
  kSmoothCaption,
  kAddCaption,
  kScaleCaption,
  kFillGapsCaption,
  kCoverageCaption,
  kAddTitle,
  kAddPrompt,
  kScaleTitle,
  kScalePrompt,
  kCellsChanged,
  // The correction by lambda: the item of "Лог" and of the grid's menu, which
  // is also its window's caption, the window's controls, chart and summary
  // (%n as each text says), and its refusals.
  kLambdaFixCaption,
  kLambdaSensorGroup,
  kLambdaWbo,
  kLambdaPreset,
  kLambdaCustom,
  kLambdaStoich,
  kLambdaLpg,
  kLambdaDelay,
  kLambdaEstimate,
  kLambdaEstimateShown,  // %1 ms, %2 confidence %, %3 steps
  kLambdaEstimateNone,
  kLambdaTargetGroup,
  kLambdaTargetLow,
  kLambdaTargetHigh,
  kLambdaTargetMaf,
  kLambdaInverse,
  kLambdaLimitsGroup,
  kLambdaMinSamples,
  kLambdaCapPercent,
  kLambdaCapCounts,
  kLambdaFiltersGroup,
  kLambdaMinMaf,
  kLambdaSteady,
  kLambdaFuelCutLambda,
  kLambdaMafFall,
  kLambdaScopeGroup,
  kLambdaFrame,
  kLambdaWhole,
  kLambdaApply,
  kLambdaApplySelected,
  kLambdaSeriesTable,
  kLambdaSeriesProposal,
  kLambdaSeriesAccepted,
  kLambdaSeriesRejected,
  kLambdaSeriesTarget,
  kLambdaAxisOutput,
  kLambdaAxisLambda,
  kLambdaAxisO2,
  kLambdaSummaryUsed,        // %1 accepted, %2 samples, %3 delay ms (or "idle…full")
  kLambdaSummaryRejected,    // %1 .. %9: the filters' counts
  kLambdaSummaryClosedLoop,  // %1 cells, %2 their MAF ranges
  kLambdaSummaryError,       // %1 before, %2 expected after
  kLambdaSummaryRich,        // %1 the rich share's distance from 50 %
  // %1 MAF, %2 state, %3 n, %4 hits, %5 median lambda, %6 spread, %7 old, %8 new
  kLambdaCellHint,
  kLambdaCellHintRich,  // %1 MAF, %2 state, %3 n, %4 rich share %, %5 old, %6 new
  kLambdaCellEmpty,     // %1 MAF, %2 state
  kLambdaStreaming,
  kLambdaTooShort,
  kLambdaBadScale,
  kLambdaBadStoich,
  // The correction refused for a cell outside 0..255 (%1: its MAF index,
  // %2: its text).
  kCorrectionCellOutOfRange,
  // The start-up's questions about what a program that ended without asking
  // left in its journal (%1: seconds, %2: the recording's start; %1: when
  // the table was kept), and the close question's parts.
  kLeftRecordingQuestion,
  kLeftTableQuestion,
  kCloseRecordingUnsaved,
  kCloseTableUnwritten,
  kCloseAnyway,
  // "Лог" > "Несохранённые записи": the submenu, its item while it holds none,
  // and a recording's item (%1: its start, %2: its length in seconds).
  kUnsavedRecordingsCaption,
  kUnsavedRecordingsNone,
  kUnsavedRecordingItem,
  // The status block's line while the journal cannot be written, and once it
  // is written again.
  kStatusJournalFailing,
  kStatusJournalAgain,
  // The guide: the item of "Окно", which is also its window's caption, and
  // the message when it is not found (%1: the folders looked in, a line each).
  kGuideCaption,
  kGuideMissing,
  // The status bar after a table read that had to stop a converter still
  // streaming, and after a table write that did not end verified; the status
  // block's cells line's ending for the latter two.
  kStreamStoppedBeforeRead,
  kWriteFailedStatus,
  kWriteUnverifiedStatus,
  kStatusWriteFailed,
  kStatusWriteUnverified,
  // The question before a file is opened whose length is not a table file's
  // (256, 257 or 262 bytes), or not a whole number of a log's records (%1:
  // the file's name, %2: its length in bytes).
  kNotTableFile,
  kNotLogFile,
  // The status bar after a .log opened that is too short to draw (%1: its
  // records).
  kLogTooShortToDraw,
  // The correction by lambda's delay: its modes, the small chart's caption
  // and axes; the settings of the proposal (0 of a box reads kLambdaNone or
  // kLambdaOff); the cells' states and their marks in the hint (%1 MAF, %2
  // the state, %3 old, %4 new for a cell filled without readings of its
  // own); the summary's advice (%1 the cells, or their MAF ranges).
  kLambdaDelayAuto,
  kLambdaDelayOne,
  kLambdaDelayIdleFull,
  kLambdaDelayChart,
  kLambdaAxisDelay,
  kLambdaAxisSure,
  kLambdaSmooth,
  kLambdaFillGap,
  kLambdaBand,
  kLambdaClosedLoopBelow,
  kLambdaOff,
  kLambdaNone,
  kLambdaStateNoData,
  kLambdaStateTooFew,
  kLambdaStateUnsteady,
  kLambdaStateRight,
  kLambdaStateChanged,
  kLambdaStateClosedLoop,
  kLambdaStateLocked,
  kLambdaStateFilled,
  kLambdaStateTwoGroups,
  kLambdaCellHintFilled,
  kLambdaSummaryTwoGroups,
  kLambdaSummaryUnsteady,
  kLambdaSummaryTooFew,
  // The strip's band of the cells changed by a factor filled across a gap.
  kLambdaStripFilled,
  // The status bar's first panel is narrow: its short words for the three
  // outcomes above, whose whole text goes to the panel's tooltip.
  kStreamStoppedShort,
  kWriteFailedShort,
  kWriteUnverifiedShort,
  // Autotune by lambda: the panel's switch and "Откатить", the cells' states
  // (in the order of their enum), the status line (%1 cells, %2 seconds or
  // kAutotuneNoPushYet; %1 the delay in ms), a cell's hint (%1 MAF, %2 hits,
  // %3 median lambda or "—", %4 snapshot, %5 now, %6 its state), the
  // refusals, the ends (%1 cells changed; %1 the failure's text), and the
  // lambda window's group of its settings.
  kAutotuneCaption,
  kAutotuneRollback,
  kAutotuneCollecting,
  kAutotuneReady,
  kAutotuneChanged,
  kAutotuneAtLimit,
  kAutotuneClosedLoop,
  kAutotuneLocked,
  kAutotuneStatus,
  kAutotuneNoPushYet,
  kAutotuneDelay,
  kAutotuneCellHint,
  kAutotuneNoStream,
  kAutotuneNoO2,
  kAutotuneLearning,
  kAutotuneEnded,
  kAutotuneLinkLost,
  kAutotuneSendFailed,
  kAutotuneGroup,
  kAutotuneInterval,
  kAutotuneCapPercent,
  kAutotuneCapCounts,
  kAutotuneAuthority,
  kCount  // keep last
};

class MessageTexts {
 public:
  // All eighteen at their Russian defaults.
  MessageTexts();

  // Text number n (1..18).
  const QString& Text(int n) const { return texts_.at(n); }
  void SetText(int n, const QString& text) { texts_.at(n) = text; }

  // Replaces texts 7..17 with their English versions and builds text 18 from
  // the English text 13, as the language switch does.
  void SwitchToEnglish();
  // True once SwitchToEnglish() ran: the program's own extra messages and
  // every message built outside this class follow it.
  bool English() const { return english_; }

  // Own message m in the current language.
  QString Own(OwnMessage m) const;
  // The question kNotTableFile or kNotLogFile about the file at path, size
  // bytes long, naming the file without its folder.
  QString FileQuestion(OwnMessage question, const QString& path, qint64 size) const;

  // The Russian default and the English replacement of text n (7..18).
  static QString RussianDefault(int n);
  static QString EnglishText(int n);

 private:
  std::array<QString, 19> texts_;  // index 0 unused
  bool english_ = false;
};

// Names for the numbers, as the handlers use them.
enum MessageNumber {
  kOutputValueCaption = 1,
  kSecondsWord = 2,
  kResolutionWord = 3,
  kTableWord = 4,
  kLambdaWord = 5,
  kEnrichmentWord = 6,
  kNoPortChosen = 7,
  kLogTooShort = 8,
  kErrorWord = 9,
  kReceivedBytes = 10,
  kRequiredBytes = 11,
  kCannotReadTable = 12,
  kCheckSupply = 13,
  kVerificationError = 14,
  kArrayIndex = 15,
  kTableNotWritten = 16,
  kWriteSucceeded = 17,
  kStreamAbsent = 18,
};

}  // namespace zelor
