#pragma once
// The main window. It owns every piece of state of a run and hosts the five
// tabs, the main menu, the status bar, the two timers and the serial port.
// Its handlers are grouped by subsystem: the shell's here and in
// ZelorConfigurator.cpp, the table's in table/TableCommands.cpp, the
// converter transfer's in link/TransferCommands.cpp, the log's in
// log/LogRecordCommands.cpp and log/LogChartCommands.cpp, the learning's and
// correction's in learn/FrameLearningCommands.cpp and
// learn/CorrectionCommands.cpp, the table history's in
// table/TableHistoryCommands.cpp.

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "app/MessageTexts.h"
#include "learn/BeepThread.h"
#include "learn/FrameLearning.h"
#include "learn/ToneOutput.h"
#include "link/LogBuffer.h"
#include "link/ReadlLogThread.h"
#include "link/SerialPort.h"
#include "link/StreamFlags.h"
#include "table/TableChartDrag.h"
#include "table/TableHistory.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QStatusBar;
class QTabWidget;
class QTimer;
class QCustomPlot;
class QKeyEvent;
class QMouseEvent;

namespace zelor {

class CaptionLines;
class FileDialog;
class GridPage;
class LogChartPage;
class PanelPage;
class PortComboBox;
class StatusBlock;
struct LinkStatus;
class TableChart;
class TableToolsController;
class TForm2;
class TForm3;

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  // Creates the window and runs its creation handler. extraPorts are port
  // names added to the port box after the system's own (the command line).
  explicit TForm1(const QStringList& extraPorts = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  // The comparison window, once it exists (the scaling commands scale it too).
  void SetCompareWindow(TForm2* form2) { form2_ = form2; }
  // The write-progress window, once it exists.
  void SetProgressWindow(TForm3* form3) { form3_ = form3; }

  // --- Shell handlers -------------------------------------------------------
  void FormCreate();
  void COMChange();
  void Label7Click();
  void TabSheet1Show();
  void TabSheet4Show();
  void N19Click();
  void N20Click();
  void N22Click();
  // Window-level key handlers, called before the focused control sees the
  // key; true when the key was taken (swallowed).
  bool FormKeyDown(QKeyEvent* key);
  bool FormKeyUp(QKeyEvent* key);

  // --- Table handlers (table/TableCommands.cpp) -----------------------------
  void N14Click();
  void N112Click();
  void TabTableGraphShow();
  void RefreshInsertCellChart();
  void StringGrid1MouseMove(const QPoint& viewportPos);
  void TabSheet3MouseMove();
  // Table files (table/TableFileCommands.cpp).
  void N12Click();
  void N13Click();
  // Table chart editing (table/TableChartCommands.cpp).
  void TableChartMouseDown(QMouseEvent* event);
  void TableChartMouseMove(QMouseEvent* event);
  void TableChartMouseUp();
  void TableChartDblClick();
  const TableChartDrag& ChartDrag() const { return drag_; }
  // The table history (table/TableHistoryCommands.cpp): "Отменить" and
  // "Вернуть" of the menu "Таблица Замены". Every command that changes the
  // table as a whole is one step: it runs under a TableStep, and the spans
  // (a drag, a live-learning run) commit at their start and end.
  void UndoTableClick();
  void RedoTableClick();
  // Records the changes since the last commit as one step, if there are any.
  void CommitTableStep();
  const TableHistory& History() const { return history_; }

  // --- Converter transfer handlers (link/TransferCommands.cpp) --------------
  void N7Click();
  void N8Click();
  void Timer2Timer();

  // --- Live stream (link/StreamCommands.cpp) and panel tick (log/PanelTick.cpp)
  void ButtonStartClick();
  void ButtonStopClick();
  void Timer1Timer();
  // The stream failure routine: shows the reader's message, then performs
  // "Стоп". Runs on the window's thread while the reader waits.
  void StreamFailure(const std::string& message);
  // Stops a running stream as "Стоп" does and waits for its reader to end.
  void EndStream();

  // --- Log recording and files (log/LogRecordCommands.cpp) -----------------
  void N3Click();
  void N4Click();
  // "Экспорт CSV": the recording as a CSV file (log/LogCsv.h), refused as
  // N4Click refuses a short recording; its own save dialog.
  void ExportCsvClick();
  // The log marker, on while the space bar is held.
  void SetLogMarker(bool on);

  // --- Log chart (log/LogChartCommands.cpp) ---------------------------------
  void RedrawLogChart(int step);
  void SetAutoResolution(std::int64_t frameLength);
  void TabSheet2Show();
  void ZakrepitRazreshenieClick();
  void N0011Click();
  void N011Click();
  void N0251Click();
  void N051Click();
  void N110Click();
  void LogChartZoom();
  void LogChartUndoZoom();
  // Interaction.
  void LogChartMouseDown(QMouseEvent* event);
  void LogChartMouseMove(QMouseEvent* event);
  void LogChartMouseUp();
  void N26Click();
  void N10Click();
  void MAF1Click();
  void VAF1Click();
  void N23Click();
  void N24Click();
  void N25Click();
  void N27Click();
  void N28Click();

  // --- Learning from the log frame (learn/FrameLearningCommands.cpp) -------
  void N16Click();
  void N21Click();
  void N15Click();
  void N3MAFConst1Click();
  void N4MAFConst1Click();
  void N5MAFConst1Click();
  void LearnedCellsLockClick();
  void ResetAllLearnedCellsClick();
  void LogChartDblClick();

  // --- Manual correction and the beeper (learn/CorrectionCommands.cpp) -----
  void TrackBarMafNachChange();
  void TrackBarMafKonChange();
  void EditCorrectionChange();
  void Button1Click();
  void EditCorrectionKeyPress(QChar key);
  void BeepCheckBoxClick();
  // Steps 2 to 7 of FormKeyDown: the correction keys; true when taken.
  bool CorrectionKeyDown(QKeyEvent* key);

  // --- State and controls that tests and the other windows read ------------
  bool PortChosen() const { return portChosen_; }
  const QString& CurrentTableFile() const { return currentTableFile_; }
  const QString& CurrentLogFile() const { return currentLogFile_; }
  // The table as last received from or sent to the converter.
  std::span<const std::uint8_t, 256> TableMirror() const {
    return std::span<const std::uint8_t, 256>(receiveBuffer_.data(), 256);
  }
  MessageTexts& Messages() { return messages_; }
  SerialPort& ComPort1() { return comPort1_; }
  GridPage& Grid() { return *grid_; }
  PanelPage& Panel() { return *panel_; }
  TableChart& Chart() { return *tableChart_; }
  LogChartPage& LogPage() { return *logChart_; }
  // The first tab's status block below the port box.
  StatusBlock& Status() { return *status_; }
  QTabWidget* PageControl1() const { return pageControl1_; }
  QWidget* TabSheet(const char* name) const;
  QLabel* HintPanel() const { return hintPanel_; }
  FileDialog* FileOpenDLG() const { return fileOpenDLG_; }
  FileDialog* FileSaveDLG() const { return fileSaveDLG_; }
  QTimer* Timer1() const { return timer1_; }
  QTimer* Timer2() const { return timer2_; }
  int LogPointsPerFrame() const;
  LogBuffer& Log() { return *logBuffer_; }
  StreamFlags& Flags() { return flags_; }
  bool Streaming() const { return flags_.Streaming.load(std::memory_order_relaxed); }
  // True while a reader thread of the last run is still running.
  bool ReaderRunning() const { return reader_ && !reader_->Finished(); }
  // The run's reader has ended on a serial error while the stream still
  // counts as running (until "Стоп"): the panel keeps its last sample and
  // live learning writes nothing.
  bool ReaderLost() const { return Streaming() && reader_ && reader_->Finished(); }
  // The run's converter was lost (a hang-up, an unplugged adapter): its
  // reader ended by itself, not because another port was chosen. The panel
  // marks it until "Стоп".
  bool LinkLost() const { return ReaderLost() && !readerLeftByPortChange_; }
  // True while the beeper of the last run is still running.
  bool BeeperRunning() const { return beeper_ && !beeper_->Finished(); }
  // Replaces where the beeper's tones go (by default the audio output, made
  // at the first "Старт"). A running beeper ends; the next "Старт" starts
  // one on the new output.
  void SetToneOutput(std::unique_ptr<ToneOutput> tones);
  bool LogChartDrawn() const;
  int LogFrameStart() const;
  int LogFrameEnd() const;
  int LogStep() const;
  // The learned-cell flags, by MAF value.
  const LearnedCellFlags& LearnedCells() const { return learnedCells_; }
  // Fewer samples than this leave the log chart undrawn at "Стоп".
  static constexpr int kMinimumFramedSamples = 119;
  int ScalePercent() const { return scalePercent_; }

  // --- Captions the language file replaces (app/MainCaptions.cpp) ----------
  // Lines 1 to 70 of its targets, in its order: labels, tab headers, axis
  // titles, message texts 1 to 6, group boxes, check boxes, the learning
  // choices, buttons, popup and menu items.
  static constexpr int kCaptionLineCount = 70;
  QString CaptionOfLine(int line) const;
  void SetCaptionOfLine(int line, const QString& caption);
  // Gives lines first..last the next caption lines in turn; once the caption
  // lines have run out, the rest keep their captions.
  void ApplyCaptions(int first, int last, CaptionLines& captions);
  // The web-address label's address, with its hint.
  void SetWebAddress(const QString& address);
  // (Re)applies the captions of the program's own menu items (the CSV
  // export, the table history's) in the messages' current language; the
  // language switch calls it after the message texts.
  void ApplyOwnCaptions();

  // Caption rule: "ZelorConfigurator " followed by the file name.
  void ShowFileCaption(const QString& fileName);

  // Shows a message through the program's message seam, over the progress
  // window while that is shown.
  void Message(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenu();
  void BuildPortTab(QWidget* page);
  // What the status block shows, as the window has it now.
  LinkStatus StatusNow() const;
  void ConnectHandlers();
  void ConnectTableHistory();
  void FitWindowToClient();
  void ScaleClient(int multiplier, int divisor);
  void SetGridCells(int columnWidth, int rowHeight);
  QAction* MenuItem(QMenu* menu, const char* name, const char* caption);
  // Runs a handler under the default error handler.
  template <class Handler>
  void Run(Handler&& handler);

  // Log chart helpers: the whole recording framed and drawn; a fixed
  // resolution; the resolution label; a series switch; the hint of a point;
  // the handlers' connections.
  void FrameWholeRecording();
  void SetFixedResolution(int step, const char* caption);
  void ShowResolution(const QString& text);
  void ToggleLogSeries(int series);
  void ShowLogHint(int index);
  void ConnectLogChart();
  // Learning helpers (learn/FrameLearningCommands.cpp): the frame-learning
  // step for plotted sample i of a redraw with step, which writes the grid
  // cell and gives the value written; a learning mode's choice; whether the
  // lock protects the cell of MAF value maf.
  std::optional<int> LearnFrameSample(std::int32_t i, int step);
  void ChooseMafConstCount(int n);
  bool CellLocked(int maf) const;
  // Sends a frame's command byte, then its data in a second write.
  void SendFrame(std::span<const std::uint8_t> frame);
  // A port is left during a run: its converter is told to stop streaming.
  void StopConverterLeft();
  // Converter transfer helpers.
  void ShowReadFailure(const char* code, int received);
  // While the stream runs, shows why the table transfer is refused; true then.
  bool RefuseWhileStreaming();
  // Table history helpers: the table as the grid shows it; a state written
  // back with the refreshes the table commands make; the items' states.
  TableState TableNow() const;
  void ShowTable(const TableState& state);
  // Undo or redo: commits, moves, shows the state moved to.
  void MoveInHistory(std::optional<TableState> (TableHistory::*move)());
  void UpdateHistoryItems();
  // What a command changes in the table while one lives is one step; changes
  // made before it (a live-learning run so far) are committed first.
  class TableStep {
   public:
    explicit TableStep(TForm1& form) : form_(form) { form_.CommitTableStep(); }
    ~TableStep() { form_.CommitTableStep(); }
    TableStep(const TableStep&) = delete;
    TableStep& operator=(const TableStep&) = delete;

   private:
    TForm1& form_;
  };

  QStringList extraPorts_;
  TForm2* form2_ = nullptr;
  TForm3* form3_ = nullptr;

  // Controls.
  QWidget* client_ = nullptr;
  QTabWidget* pageControl1_ = nullptr;
  PortComboBox* com_ = nullptr;
  StatusBlock* status_ = nullptr;
  QLabel* label7_ = nullptr;
  QStatusBar* statusBar1_ = nullptr;
  QLabel* hintPanel_ = nullptr;
  std::unique_ptr<GridPage> grid_;
  std::unique_ptr<PanelPage> panel_;
  TableChart* tableChart_ = nullptr;
  std::unique_ptr<LogChartPage> logChart_;
  // The tuner's tools and the coverage view (table/TableToolsController).
  std::unique_ptr<TableToolsController> tools_;
  QAction* n19_ = nullptr;
  QAction* n20_ = nullptr;
  QAction* undoTable_ = nullptr;
  QAction* redoTable_ = nullptr;
  FileDialog* fileOpenDLG_ = nullptr;
  FileDialog* fileSaveDLG_ = nullptr;
  QAction* exportCsv_ = nullptr;
  FileDialog* csvSaveDLG_ = nullptr;  // the CSV export's, apart from the shared ones
  QTimer* timer1_ = nullptr;
  QTimer* timer2_ = nullptr;

  // State of the run.
  bool portChosen_ = false;
  SerialPort comPort1_;
  std::array<std::uint8_t, 257> receiveBuffer_{};  // first 256: the TableMirror
  std::uint8_t verifyTicks_ = 0;
  // The converter's table has been read from the port chosen, or a write to
  // it verified, since that port was chosen; until then a write asks first.
  bool converterTableKnown_ = false;
  QString currentTableFile_;
  QString currentLogFile_;
  LearnedCellFlags learnedCells_{};
  bool learnedCellsLock_ = false;  // mirrored by LearnedCellsLock and Label10
  // A frame-learning request the next redraw carries out, and how many
  // plotted samples in a row must share their MAF value to be learned.
  bool learnRequest_ = false;
  int mafConstCount_ = 1;
  TableChartDrag drag_;
  TableHistory history_;
  MessageTexts messages_;
  int scalePercent_ = 100;

  // The live stream. Declared last so that the reader, which uses the port,
  // the buffer and the flags, and the beeper, which uses the flags and the
  // tone output, are gone before any of them.
  StreamFlags flags_;
  std::unique_ptr<LogBuffer> logBuffer_ = std::make_unique<LogBuffer>();
  std::unique_ptr<TThreadLog> reader_;
  // The run's reader was still reading when another port was chosen, and
  // ended because its port was closed; reset by "Старт".
  bool readerLeftByPortChange_ = false;
  std::unique_ptr<ToneOutput> tones_;
  std::unique_ptr<TBeepThread> beeper_;
};

}  // namespace zelor
