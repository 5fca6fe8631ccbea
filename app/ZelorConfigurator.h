#pragma once
// The main window: the index of its handlers (their files: app/handlers/,
// one per subsystem; a handler reads controls, calls the logic or forwards
// to its subsystem's controller, and writes controls).
//
// It owns all the state of a run, each piece in one place:
//   the table's cells and settings      table_ (TableModel), the only store;
//                                       the grid and its boxes show them
//   the TableMirror, ComPort1, whether  transfer_ (TransferController's
//   a port was chosen, the write's      ConverterTransfer)
//   ticks, whether the converter's
//   table is known on the port
//   the converter's copy of the table   the grid page's CellMarks, mirrored
//   and the cells' marks against it     by the cells' backgrounds
//   the current table and log files     files_ (OpenFiles)
//   the LogBuffer, the stream flags,    run_ (RunController's StreamRun;
//   the run's reader, beeper and tone   declared last, released first),
//   output, whether the reader ended    with the recording's journal and
//   by a port choice                    whether the recording is unsaved
//   the learned cells, their lock, the  logChart_ (LogChartController's
//   learn request, MafConstCount, the   FrameLearner and LogChartPage; the
//   log chart's frame                   lock and mode mirrored by menu marks)
//   the charts' drags                   tableChart_ and logChart_ (PointDrag)
//   the undo history                    history_ (TableHistoryController)
//   the correction range and step       the panel's correction controls,
//                                       worked by correction_
//   the lambda correction's settings    the controls of its window, and
//   and its last analysis               lambdaFix_
//   the recording's coverage, the       tools_ (TableToolsController); the
//   tools' last amounts                 coverage view: its item's check
//   the session's journal files         journal_ (SessionJournal)
//   the messages' language              messages_ (MessageTexts)
//   the file dialogs' remembered names  FileOpenDLG, FileSaveDLG, and
//                                       CsvSaveDLG for the CSV export (its
//                                       own, so that the shared dialogs'
//                                       filter and name stay the .log and
//                                       table saves')
// Nothing is stored between runs but the files the user saves, the
// journal's files of a program that did not end normally and the unsaved
// recordings kept.

#include <exception>
#include <memory>
#include <optional>

#include "app/MainWindowParts.h"
#include "core/MessageTexts.h"
#include "ui/WindowShell.h"

class QKeyEvent;
class QMouseEvent;

namespace zelor {

class AutotuneController;
class ConverterTransfer;
class CorrectionController;
class GridPage;
class LambdaFixController;
class LogChartController;
class PanelPage;
struct LinkStatus;
class RunController;
class SessionJournal;
class StreamRun;
class TableChart;
class TableChartController;
class TableHistoryController;
class TableModel;
class TableToolsController;
class TransferController;

class TForm1 : public WindowShell {
  Q_OBJECT
 public:
  // Runs FormCreate; extraPorts join the system's ports (the command line).
  explicit TForm1(const QStringList& extraPorts = {}, QWidget* parent = nullptr);
  ~TForm1() override;
  void SetCompareWindow(TForm2* form2) { windows_.compare = form2; }
  void SetProgressWindow(TForm3* form3) { windows_.progress = form3; }

  // --- Shell handlers -------------------------------------------------------
  void FormCreate();
  void COMChange();
  void Label7Click();
  void TabSheet1Show();
  void TabSheet4Show();
  void N19Click();
  void N20Click();
  void N22Click();
  // --- The session's journal (JournalCommands) -------------------------------
  // At start-up: offers what programs that ended without asking left.
  void OfferLeftWork();
  // The system's request to end (a signal): closes the window without a
  // question; what would be lost stays in the journal for the next start.
  void EndAtSystemRequest();
  // Before the focused control sees the key; true when taken (swallowed).
  bool FormKeyDown(QKeyEvent* key);
  bool FormKeyUp(QKeyEvent* key);

  // --- Table (TableCommands, TableFileCommands, TableChartCommands) --------
  void N14Click();
  void N112Click();
  void TabTableGraphShow();
  void RefreshInsertCellChart();
  void StringGrid1MouseMove(const QPoint& viewportPos);
  void TabSheet3MouseMove();
  void N12Click();
  void N13Click();
  void TableChartMouseDown(QMouseEvent* event);
  void TableChartMouseMove(QMouseEvent* event);
  void TableChartMouseUp();
  void TableChartDblClick();
  // The history (TableHistoryCommands): a whole-table command runs under a
  // TableStepScope; a drag or a live-learning run commits at its start and end.
  void UndoTableClick();
  void RedoTableClick();
  void CommitTableStep();  // the changes since the last commit, if any

  // --- Converter transfer (TransferCommands) -------------------------------
  void N7Click();
  void N8Click();
  // The write's verification tick (TransferController::Tick, which closes
  // the progress window by a scope guard as soon as the read-back is over,
  // also when a serial error ends it: no message comes up under it).
  void Timer2Timer();

  // --- Live stream and the panel's tick (StreamCommands) -------------------
  void ButtonStartClick();
  void ButtonStopClick();
  void Timer1Timer();

  // --- Log recording and files (LogRecordCommands) -------------------------
  void N3Click();
  void N4Click();
  void ExportCsvClick();  // "Экспорт CSV", refused as N4Click refuses
  // "Несохранённые записи" opens: an item for each kept recording, which
  // opens it as N3Click opens a .log file.
  void UnsavedRecordingsShow();

  // --- Log chart (LogChartCommands) ----------------------------------------
  void TabSheet2Show();
  void ZakrepitRazreshenieClick();
  void N0011Click();
  void N011Click();
  void N0251Click();
  void N051Click();
  void N110Click();
  void LogChartZoom();
  void LogChartUndoZoom();
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

  // --- Learning from the log frame (FrameLearningCommands) -----------------
  void N16Click();
  void N21Click();
  void N15Click();
  void N3MAFConst1Click();
  void N4MAFConst1Click();
  void N5MAFConst1Click();
  void LearnedCellsLockClick();
  void ResetAllLearnedCellsClick();
  void LogChartDblClick();

  // --- The correction by lambda (LambdaFixCommands) ------------------------
  void LambdaFixClick();  // "Коррекция по лямбде": its window

  // --- Autotune by lambda (AutotuneCommands) --------------------------------
  void AutotuneClick(bool on);   // "Автонастройка по лямбде"
  void AutotuneRollbackClick();  // "Откатить"

  // --- The guide (GuideCommands) -------------------------------------------
  void GuideClick();  // "Руководство": the tuner's guide of the interface's language

  // --- Manual correction and the beeper (CorrectionCommands) ---------------
  void TrackBarMafNachChange();
  void TrackBarMafKonChange();
  void EditCorrectionChange();
  void Button1Click();
  void EditCorrectionKeyPress(QChar key);
  void BeepCheckBoxClick();
  bool CorrectionKeyDown(QKeyEvent* key);  // FormKeyDown's correction keys

  // --- The subsystems' state, and controls that tests and other windows read
  ConverterTransfer& Converter();
  StreamRun& Stream();
  const TableHistoryController& History() const { return *history_; }
  const OpenFiles& CurrentFiles() const { return files_; }
  SessionJournal& Journal() { return *journal_; }
  MessageTexts& Messages() { return messages_; }
  TableModel& Table() { return *table_; }
  GridPage& Grid() { return *grid_; }
  PanelPage& Panel() { return *panel_; }
  TableChart& Chart();
  const TableChartController& ChartControl() const { return *tableChart_; }
  LogChartController& LogChartControl() { return *logChart_; }  // the page, the learning
  LambdaFixController& LambdaFix() { return *lambdaFix_; }      // its window, its last analysis
  AutotuneController& AutotuneControl() { return *autotune_; }
  StatusBlock& Status() { return *port_.status; }  // below the port box
  QTabWidget* PageControl1() const { return shell_.pageControl1; }
  QWidget* TabSheet(const char* name) const;

  // --- Captions (the language file's in app/MainCaptions.h) and messages --
  void ApplyOwnCaptions();  // the program's own items', in the messages' language
  // "ZelorConfigurator " + the file's path, spelled as the system spells paths
  void ShowFileCaption(const QString& fileName);
  void Message(const QString& text);  // over the progress window while shown

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Asks first when the recording or the table would be lost (not at the
  // system's request); No keeps the window.
  void closeEvent(QCloseEvent* event) override;

 private:
  bool ConfirmClose();                           // the close question, when one is due
  void LoadTableImage(const QByteArray& image);  // into the grid, as "Открыть" reads a file
  // The tab "Таблица Замены" brought forward with the cell selected that an
  // error of the table's cells is about; other errors change nothing.
  void ShowBadCell(const std::exception& error);
  void BuildPortTab(QWidget* page);
  LinkStatus StatusNow() const;  // what the status block shows
  void ConnectHandlers();
  void ConnectControllers();  // what the controllers tell, to those who follow it

  // Declared first: it outlives everything that keeps files in it.
  std::unique_ptr<SessionJournal> journal_;
  // The table every view and controller shows and edits.
  std::unique_ptr<TableModel> table_;
  bool endBySystem_ = false;  // the system asked the program to end
  MainShell shell_;
  MainMenuItems menu_;
  PortTab port_;
  std::unique_ptr<GridPage> grid_;
  std::unique_ptr<PanelPage> panel_;
  std::unique_ptr<TableChartController> tableChart_;  // the chart, its drag
  std::unique_ptr<LogChartController> logChart_;      // the log chart and its learning
  OtherWindows windows_;
  std::unique_ptr<TransferController> transfer_;  // the converter on the port chosen
  OpenFiles files_;
  std::unique_ptr<TableToolsController> tools_;  // the tuner's tools, the coverage view
  std::unique_ptr<CorrectionController> correction_;
  std::unique_ptr<LambdaFixController> lambdaFix_;  // its window, the analysis, the apply
  std::unique_ptr<AutotuneController> autotune_;    // autotune by lambda on the panel
  std::unique_ptr<TableHistoryController> history_;
  MessageTexts messages_;
  // Declared last: the run's reader, which reads the port, goes first.
  std::unique_ptr<RunController> run_;  // the run, the panel's tick, the recording's files
};

}  // namespace zelor
