#include "app/ZelorConfigurator.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include "app/MainMenu.h"
#include "app/Unit3.h"
#include "compare/CompareTables.h"
#include "core/Scaling.h"
#include "core/SessionJournal.h"
#include "link/ConverterTransfer.h"
#include "link/PortList.h"
#include "link/Protocol.h"
#include "link/SerialPortError.h"
#include "link/StatusBlock.h"
#include "link/TransferController.h"
#include "log/AutotuneController.h"
#include "log/CorrectionController.h"
#include "log/LambdaFixController.h"
#include "log/LogChartController.h"
#include "log/LogChartPage.h"
#include "log/PanelPage.h"
#include "log/RunController.h"
#include "log/StreamRun.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "table/TableChartController.h"
#include "table/TableGrid.h"
#include "table/TableHistoryController.h"
#include "table/TableModel.h"
#include "table/TableToolsController.h"
#include "ui/HandlerGuard.h"
#include "widgets/FileDialog.h"
#include "widgets/KeyPreview.h"
#include "widgets/PortComboBox.h"
#include "widgets/UpDown.h"

namespace zelor {
namespace {

const char kWebAddress[] = "www.zelor.example";
const char kCaption[] = "ZelorConfigurator ";

QWidget* MakeTab(QTabWidget* tabs, const char* name, const char* header) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  tabs->addTab(page, QString::fromUtf8(header));
  return page;
}

}  // namespace

TForm1::TForm1(const QStringList& extraPorts, QWidget* parent)
    : WindowShell("TForm1", QSize(971, 539), "StatusBar1", parent),
      journal_(std::make_unique<SessionJournal>(JournalFolder())),
      table_(std::make_unique<TableModel>()) {
  port_.extraPorts = extraPorts;
  setWindowTitle(QStringLiteral("Zelor Configurator "));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  shell_.pageControl1 = new QTabWidget(Client());
  shell_.pageControl1->setObjectName(QStringLiteral("PageControl1"));
  shell_.pageControl1->setGeometry(0, 0, 969, 513);
  shell_.pageControl1->setTabPosition(QTabWidget::South);
  shell_.pageControl1->tabBar()->setExpanding(false);
  QFont headerFont = font();
  headerFont.setBold(true);
  shell_.pageControl1->tabBar()->setFont(headerFont);

  QWidget* tabSheet1 = MakeTab(shell_.pageControl1, "TabSheet1", "");
  QWidget* tabTableGraph = MakeTab(shell_.pageControl1, "TabTableGraph", "График таблицы ");
  QWidget* tabSheet3 = MakeTab(shell_.pageControl1, "TabSheet3", "Таблица Замены");
  QWidget* tabSheet2 = MakeTab(shell_.pageControl1, "TabSheet2", "Графики Лога");
  QWidget* tabSheet4 = MakeTab(shell_.pageControl1, "TabSheet4", "Панель приборов");

  BuildPortTab(tabSheet1);
  grid_ = std::make_unique<GridPage>(tabSheet3, *table_);
  shell_.timer2 = new QTimer(this);
  shell_.timer2->setObjectName(QStringLiteral("Timer2"));
  shell_.timer2->setInterval(protocol::kVerifyTickMs);
  shell_.timer2->setTimerType(Qt::PreciseTimer);  // 60 ticks are the 6 s of the write
  tabSheet3->setMouseTracking(true);
  panel_ = std::make_unique<PanelPage>(tabSheet4);

  BuildMenu(kMainMenu);
  menu_ = {.n19 = Action("N19"),
           .n20 = Action("N20"),
           .undoTable = Action("UndoTable"),
           .redoTable = Action("RedoTable"),
           .exportCsv = Action("ExportCsv"),
           .unsavedRecordings = findChild<QMenu*>(QStringLiteral("UnsavedRecordings")),
           .lambdaFix = Action("LambdaFix"),
           .guide = Action("Guide")};

  shell_.fileOpenDLG = new FileDialog(FileDialogKind::Open, QStringLiteral("FileOpenDLG"), this);
  shell_.fileSaveDLG = new FileDialog(FileDialogKind::Save, QStringLiteral("FileSaveDLG"), this);
  for (FileDialog* dialog : {shell_.fileOpenDLG, shell_.fileSaveDLG})
    dialog->SetFilter(QStringLiteral("Файлы таблицы замены|*.tab|Все файлы|*.*"));
  shell_.csvSaveDLG = new FileDialog(FileDialogKind::Save, QStringLiteral("CsvSaveDLG"), this);
  shell_.csvSaveDLG->SetFilter(QStringLiteral("CSV Files|*.csv|All|*.*"));

  // Every controller first; what they tell each other is wired below.
  transfer_ = std::make_unique<TransferController>(
      *grid_, *shell_.timer2, messages_, this,
      TransferHooks{
          [this] { return windows_.progress; }, [this] { return run_->Stream().Streaming(); },
          [this] { run_->Stream().AwaitStreamEnd(); }, [this] { run_->Stream().LeavePort(); }});
  tableChart_ = std::make_unique<TableChartController>(tabTableGraph, *table_, messages_);
  tools_ = std::make_unique<TableToolsController>(*grid_, Chart(), messages_, this);
  run_ = std::make_unique<RunController>(
      transfer_->Converter(), *panel_, *table_, messages_,
      RecordingDialogs{shell_.fileOpenDLG, shell_.fileSaveDLG, shell_.csvSaveDLG}, *journal_, this,
      RunHooks{.resetCorrection = [this] { correction_->ResetForStart(); },
               .verifyPending = [this] { return shell_.timer2->isActive(); }});
  logChart_ =
      std::make_unique<LogChartController>(tabSheet2, run_->Stream(), *table_, *tools_, messages_);
  correction_ = std::make_unique<CorrectionController>(*panel_, *table_, transfer_->Converter(),
                                                       run_->Stream(), messages_, this);
  lambdaFix_ = std::make_unique<LambdaFixController>(
      *grid_, run_->Stream(), *logChart_, messages_,
      LambdaFixHooks{.panelWbo = [this] { return panel_->WboOn(); },
                     .narrowStep = [this] { return panel_->Step(); }});
  autotune_ =
      std::make_unique<AutotuneController>(*panel_, *table_, run_->Stream(), transfer_->Converter(),
                                           *correction_, *lambdaFix_, messages_);
  history_ = std::make_unique<TableHistoryController>(
      *grid_, logChart_->Learner(),
      TableHistoryItems{menu_.undoTable, menu_.redoTable, findChild<QMenu*>(QStringLiteral("N5"))},
      this, journal_.get());
  ApplyOwnCaptions();

  FitWindowToClient();
  ConnectHandlers();
  ConnectControllers();
  // Whichever window's handler met the table's bad cell, the grid shows it.
  ShowErrorPlaces(this, [this](const std::exception& error) { ShowBadCell(error); });
  new KeyPreview(
      this, [this](QKeyEvent* key) { return FormKeyDown(key); },
      [this](QKeyEvent* key) { return FormKeyUp(key); });

  Guarded(this, [this] { FormCreate(); });
  shell_.pageControl1->setCurrentWidget(tabSheet4);
}

TForm1::~TForm1() {
  // No thread outlives the window: the beeper and the reader end before the
  // port, the recording and the flags are released.
  run_.reset();
}

StreamRun& TForm1::Stream() { return run_->Stream(); }
TableChart& TForm1::Chart() { return tableChart_->Chart(); }

ConverterTransfer& TForm1::Converter() { return transfer_->Converter(); }

bool TForm1::FormKeyDown(QKeyEvent* key) {
  // The space bar holds the log marker.
  if (key->key() == Qt::Key_Space) {
    run_->SetMarker(true);
    return true;
  }
  // Then the correction keys.
  return CorrectionKeyDown(key);
}

bool TForm1::FormKeyUp(QKeyEvent* key) {
  if (key->key() == Qt::Key_Space) {
    // A held key repeats as release and press pairs: only the real release
    // ends the marker.
    if (!key->isAutoRepeat()) run_->SetMarker(false);
    return true;
  }
  return false;
}

void TForm1::BuildPortTab(QWidget* page) {
  auto* label1 = new QLabel(QStringLiteral("Порт"), page);
  label1->setObjectName(QStringLiteral("Label1"));
  label1->setGeometry(16, 19, 34, 17);
  // The system's ports, then those of the command line; read again each
  // time the box opens.
  port_.com = new PortComboBox(
      [this] {
        std::vector<std::string> extra;
        for (const QString& name : port_.extraPorts) extra.push_back(name.toStdString());
        QStringList names;
        for (const std::string& name : ListPorts(extra)) names.append(QString::fromStdString(name));
        return names;
      },
      page);
  port_.com->setObjectName(QStringLiteral("COM"));
  port_.com->setGeometry(56, 16, 73, 22);
  port_.com->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  // Windows names most ports "COM" and a number: the adapter's name tells
  // the converter's from the others.
  port_.com->SetDescriptions([] {
    QHash<QString, QString> described;
    for (const auto& [name, adapter] : SystemPortDescriptions())
      described.insert(QString::fromStdString(name), QString::fromStdString(adapter));
    return described;
  });
  // The box widens to show the name chosen; its tooltip and the status
  // block below it give the whole name too, the tooltip with its adapter's.
  connect(port_.com, &QComboBox::currentTextChanged, port_.com, [this](const QString& name) {
    const QString adapter = port_.com->currentData(Qt::ToolTipRole).toString();
    port_.com->setToolTip(adapter.isEmpty() ? name : name + QStringLiteral(": ") + adapter);
  });
  port_.status = new StatusBlock([this] { return StatusNow(); }, messages_, page);
  port_.status->setGeometry(16, 52, 250, 150);

  auto* label6 = new QLabel(QStringLiteral("Zelor"), page);
  label6->setObjectName(QStringLiteral("Label6"));
  QFont big(QStringLiteral("Arial"));
  big.setPixelSize(96);
  big.setBold(true);
  big.setItalic(true);
  label6->setFont(big);
  label6->setGeometry(280, 140, 420, 120);
  label6->setAlignment(Qt::AlignCenter);

  port_.label7 = new QLabel(QString::fromLatin1(kWebAddress), page);
  port_.label7->setObjectName(QStringLiteral("Label7"));
  QFont link(QStringLiteral("Arial"));
  link.setPixelSize(32);
  port_.label7->setFont(link);
  port_.label7->setStyleSheet(QStringLiteral("color: blue"));
  port_.label7->setCursor(Qt::PointingHandCursor);
  port_.label7->setToolTip(port_.label7->text());
  port_.label7->setGeometry(230, 280, 520, 40);
  port_.label7->setAlignment(Qt::AlignCenter);
  port_.label7->installEventFilter(this);

  auto* label17 = new QLabel(QStringLiteral("V3.2"), page);
  label17->setObjectName(QStringLiteral("Label17"));
  label17->setGeometry(8, 462, 60, 17);
}

LinkStatus TForm1::StatusNow() const {
  LinkStatus status = transfer_ ? transfer_->Status() : LinkStatus{};
  const StreamRun& stream = run_->Stream();
  status.streaming = stream.Streaming();
  status.readerLost = stream.ReaderLost();
  status.portLeft = status.readerLost && !stream.LinkLost();
  status.journal = journal_->Health();
  return status;
}

void TForm1::ApplyOwnCaptions() {
  menu_.exportCsv->setText(messages_.Own(OwnMessage::kExportCsvCaption));
  menu_.unsavedRecordings->setTitle(messages_.Own(OwnMessage::kUnsavedRecordingsCaption));
  menu_.undoTable->setText(messages_.Own(OwnMessage::kUndoTableCaption));
  menu_.redoTable->setText(messages_.Own(OwnMessage::kRedoTableCaption));
  menu_.lambdaFix->setText(messages_.Own(OwnMessage::kLambdaFixCaption));
  menu_.guide->setText(messages_.Own(OwnMessage::kGuideCaption));
  tools_->ApplyOwnCaptions();
  lambdaFix_->ApplyOwnCaptions();
  autotune_->ApplyOwnCaptions();
}

QWidget* TForm1::TabSheet(const char* name) const {
  return shell_.pageControl1->findChild<QWidget*>(QString::fromLatin1(name));
}

void TForm1::ConnectHandlers() {
  Bind("N3", &TForm1::N3Click);
  Bind("N4", &TForm1::N4Click);
  Bind("ExportCsv", &TForm1::ExportCsvClick);
  connect(menu_.unsavedRecordings, &QMenu::aboutToShow, this,
          [this] { Guarded(this, [this] { UnsavedRecordingsShow(); }); });
  Bind("LambdaFix", &TForm1::LambdaFixClick);
  Bind("LambdaFixCells", &TForm1::LambdaFixClick);
  Bind("N7", &TForm1::N7Click);
  Bind("N8", &TForm1::N8Click);
  Bind("N12", &TForm1::N12Click);
  Bind("N13", &TForm1::N13Click);
  Bind("N14", &TForm1::N14Click);
  Bind("N112", &TForm1::N112Click);
  Bind("N19", &TForm1::N19Click);
  Bind("N20", &TForm1::N20Click);
  Bind("N22", &TForm1::N22Click);
  Bind("Guide", &TForm1::GuideClick);
  Bind("UndoTable", &TForm1::UndoTableClick);
  Bind("RedoTable", &TForm1::RedoTableClick);
  // The log chart's popup: its handlers turn their items' marks themselves.
  const std::pair<const char*, void (TForm1::*)()> logChartItems[] = {
      {"N26", &TForm1::N26Click},
      {"N10", &TForm1::N10Click},
      {"ZakrepitRazreshenie", &TForm1::ZakrepitRazreshenieClick},
      {"N0011", &TForm1::N0011Click},
      {"N011", &TForm1::N011Click},
      {"N0251", &TForm1::N0251Click},
      {"N051", &TForm1::N051Click},
      {"N110", &TForm1::N110Click},
      {"MAF1", &TForm1::MAF1Click},
      {"VAF1", &TForm1::VAF1Click},
      {"N23", &TForm1::N23Click},
      {"N24", &TForm1::N24Click},
      {"N25", &TForm1::N25Click},
      {"N27", &TForm1::N27Click},
      {"N28", &TForm1::N28Click},
      {"N16", &TForm1::N16Click},
      {"N21", &TForm1::N21Click},
      {"N15", &TForm1::N15Click},
      {"N3MAFConst1", &TForm1::N3MAFConst1Click},
      {"N4MAFConst1", &TForm1::N4MAFConst1Click},
      {"N5MAFConst1", &TForm1::N5MAFConst1Click},
      {"LearnedCellsLock", &TForm1::LearnedCellsLockClick},
      {"ResetAllLearnedCells", &TForm1::ResetAllLearnedCellsClick}};
  for (const auto& [name, handler] : logChartItems) BindOwnMark(name, handler);

  connect(port_.com, qOverload<int>(&QComboBox::activated), this,
          [this](int) { Guarded(this, [this] { COMChange(); }); });
  connect(&Chart(), &QCustomPlot::mousePress, this,
          [this](QMouseEvent* event) { Guarded(this, [&] { TableChartMouseDown(event); }); });
  connect(&Chart(), &QCustomPlot::mouseMove, this,
          [this](QMouseEvent* event) { Guarded(this, [&] { TableChartMouseMove(event); }); });
  connect(&Chart(), &QCustomPlot::mouseRelease, this,
          [this](QMouseEvent*) { Guarded(this, [&] { TableChartMouseUp(); }); });
  connect(&Chart(), &QCustomPlot::mouseDoubleClick, this,
          [this](QMouseEvent*) { Guarded(this, [&] { TableChartDblClick(); }); });
  LogChart* logChart = logChart_->Page().Chart();
  connect(logChart, &QCustomPlot::mousePress, this,
          [this](QMouseEvent* event) { Guarded(this, [&] { LogChartMouseDown(event); }); });
  connect(logChart, &QCustomPlot::mouseMove, this,
          [this](QMouseEvent* event) { Guarded(this, [&] { LogChartMouseMove(event); }); });
  connect(logChart, &QCustomPlot::mouseRelease, this,
          [this](QMouseEvent*) { Guarded(this, [&] { LogChartMouseUp(); }); });
  connect(logChart, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Guarded(this, [this] { LogChartDblClick(); });
  });
  connect(logChart, &LogChart::zoomed, this, [this] { Guarded(this, [this] { LogChartZoom(); }); });
  connect(logChart, &LogChart::zoomUndone, this,
          [this] { Guarded(this, [this] { LogChartUndoZoom(); }); });
  PanelPage* panel = panel_.get();
  connect(panel, &PanelPage::RangeBeginMoved, this,
          [this] { Guarded(this, [this] { TrackBarMafNachChange(); }); });
  connect(panel, &PanelPage::RangeEndMoved, this,
          [this] { Guarded(this, [this] { TrackBarMafKonChange(); }); });
  connect(panel, &PanelPage::StepTextChanged, this,
          [this] { Guarded(this, [this] { EditCorrectionChange(); }); });
  connect(panel, &PanelPage::StepEntered, this,
          [this] { Guarded(this, [this] { EditCorrectionKeyPress(QChar(13)); }); });
  connect(panel, &PanelPage::ApplyClicked, this,
          [this] { Guarded(this, [this] { Button1Click(); }); });
  connect(panel, &PanelPage::BeeperToggled, this,
          [this] { Guarded(this, [this] { BeepCheckBoxClick(); }); });
  connect(panel, &PanelPage::StartClicked, this,
          [this] { Guarded(this, [this] { ButtonStartClick(); }); });
  connect(panel, &PanelPage::StopClicked, this,
          [this] { Guarded(this, [this] { ButtonStopClick(); }); });
  connect(panel, &PanelPage::WboToggled, lambdaFix_.get(), &LambdaFixController::PanelWboToggled);
  connect(panel, &PanelPage::AutotuneToggled, this,
          [this](bool on) { Guarded(this, [&] { AutotuneClick(on); }); });
  connect(panel, &PanelPage::RollbackClicked, this,
          [this] { Guarded(this, [this] { AutotuneRollbackClick(); }); });
  connect(&run_->Timer1(), &QTimer::timeout, this,
          [this] { Guarded(this, [this] { Timer1Timer(); }); });
  connect(shell_.timer2, &QTimer::timeout, this,
          [this] { Guarded(this, [this] { Timer2Timer(); }); });

  connect(shell_.pageControl1, &QTabWidget::currentChanged, this, [this](int index) {
    // A hint tells of something on the tab left behind.
    HintPanel()->clear();
    const QString name = shell_.pageControl1->widget(index)->objectName();
    Guarded(this, [&] {
      if (name == QLatin1String("TabSheet1") || name == QLatin1String("TabSheet3")) {
        TabSheet1Show();
      } else if (name == QLatin1String("TabTableGraph")) {
        TabTableGraphShow();
      } else if (name == QLatin1String("TabSheet2")) {
        TabSheet2Show();
      } else if (name == QLatin1String("TabSheet4")) {
        TabSheet4Show();
      }
    });
  });

  grid_->Grid()->viewport()->installEventFilter(this);
  TabSheet("TabSheet3")->installEventFilter(this);
}

void TForm1::ConnectControllers() {
  // A slot is a handler's boundary: what it raises is shown there.
  auto guarded = [this](auto&& work) {
    return [this, work](auto&&... args) { Guarded(this, [&] { work(args...); }); };
  };
  auto message = guarded([this](const QString& text) { Message(text); });
  auto commit = guarded([this] { CommitTableStep(); });
  auto hint = [this](const QString& text) { HintPanel()->setText(text); };
  auto status = [this](const QString& text) { FirstPanel()->setText(text); };

  // Each command's step of the history.
  connect(transfer_.get(), &TransferController::TableStepCommitted, this, commit);
  connect(tableChart_.get(), &TableChartController::TableStepCommitted, this, commit);
  connect(tools_.get(), &TableToolsController::TableStepCommitted, this, commit);
  connect(run_.get(), &RunController::TableStepCommitted, this, commit);
  connect(logChart_.get(), &LogChartController::TableStepCommitted, this, commit);
  connect(correction_.get(), &CorrectionController::TableStepCommitted, this, commit);
  connect(lambdaFix_.get(), &LambdaFixController::TableStepCommitted, this, commit);
  connect(autotune_.get(), &AutotuneController::TableStepCommitted, this, commit);

  // The charts follow the table only after the commands that rework it, each
  // in its own order; the grid, the marks and the history follow every change
  // through the model.
  connect(transfer_.get(), &TransferController::TableReworked, this, guarded([this] {
            RefreshInsertCellChart();
            TabTableGraphShow();
          }));
  connect(tableChart_.get(), &TableChartController::TableReworked, this,
          guarded([this] { TabTableGraphShow(); }));
  connect(tools_.get(), &TableToolsController::TableReworked, this, guarded([this] {
            TabTableGraphShow();
            RefreshInsertCellChart();
            logChart_->Refresh();
          }));
  connect(correction_.get(), &CorrectionController::TableReworked, this,
          guarded([this] { RefreshInsertCellChart(); }));
  connect(lambdaFix_.get(), &LambdaFixController::TableReworked, this, guarded([this] {
            Chart().HintLabel()->hide();
            TabTableGraphShow();
            RefreshInsertCellChart();
            logChart_->Refresh();
          }));
  connect(autotune_.get(), &AutotuneController::TableReworked, this, guarded([this] {
            RefreshInsertCellChart();
            TabTableGraphShow();
          }));
  // Every push is in the journal at once: a crash mid-drive loses none.
  connect(autotune_.get(), &AutotuneController::TablePushed, this,
          guarded([this] { history_->KeepShown(); }));
  connect(history_.get(), &TableHistoryController::TableReworked, this, guarded([this] {
            // The table chart's hint may still tell a value the table no
            // longer holds.
            Chart().HintLabel()->hide();
            RefreshInsertCellChart();
            TabTableGraphShow();
            // A drawn log chart shows the table line again; a pending
            // learning request waits for a redraw of its own.
            logChart_->Refresh();
          }));
  // The session's journal keeps no table the converter holds.
  grid_->OnConverterCopy(
      [this](std::span<const std::uint8_t, 256> copy) { journal_->SetConverterCells(copy); });
  // The status block's count of the cells the converter does not hold.
  connect(table_.get(), &TableModel::CellsChanged, port_.status, [this] {
    if (port_.status->isVisible()) port_.status->Refresh();
  });

  // Messages, hints and the status bar.
  connect(transfer_.get(), &TransferController::Message, this, message);
  connect(transfer_.get(), &TransferController::StatusChanged, this,
          guarded([this](const QString& text, const QString& detail) {
            FirstPanel()->setText(text);
            FirstPanel()->setToolTip(detail);
            port_.status->Refresh();
          }));
  connect(run_.get(), &RunController::Message, this, message);
  connect(autotune_.get(), &AutotuneController::Message, this, message);
  connect(autotune_.get(), &AutotuneController::HintChanged, this, hint);
  connect(tableChart_.get(), &TableChartController::HintChanged, this, hint);
  connect(logChart_.get(), &LogChartController::HintChanged, this, hint);
  connect(tools_.get(), &TableToolsController::StatusChanged, this, status);
  connect(lambdaFix_.get(), &LambdaFixController::StatusChanged, this, status);
  connect(run_.get(), &RunController::StatusChanged, this, status);

  // The run, the recording and those who follow them.
  RunController* run = run_.get();
  connect(run, &RunController::RunStarted, tools_.get(), &TableToolsController::RunStarted);
  connect(run, &RunController::RunStopped, this, guarded([this] {
            autotune_->RunStopped();
            logChart_->RunStopped();
            lambdaFix_->RecordingChanged();
          }));
  connect(run, &RunController::RecordingChanged, tools_.get(),
          &TableToolsController::RecordingChanged);
  connect(run, &RunController::RecordingAboutToBeReplaced, logChart_.get(),
          &LogChartController::ForgetDrawing);
  connect(run, &RunController::RecordingReplaced, this, guarded([this] {
            logChart_->FrameWholeRecording();
            lambdaFix_->RecordingChanged();
          }));
  connect(run, &RunController::LogFileChosen, this, [this](const QString& name) {
    files_.log = name;
    ShowFileCaption(files_.log);
  });
  connect(run, &RunController::ConverterLost, port_.status, &StatusBlock::Refresh);
  connect(lambdaFix_.get(), &LambdaFixController::WboChosen, panel_.get(), &PanelPage::SetWboOn);

  // Autotune follows the panel's tick (after the run's), its "ШЛЗ" and the
  // mouse over its chart.
  connect(&run_->Timer1(), &QTimer::timeout, this,
          [this] { Guarded(this, [this] { autotune_->Tick(); }); });
  connect(panel_.get(), &PanelPage::WboToggled, this,
          guarded([this](bool on) { autotune_->WboToggled(on); }));
  connect(panel_.get(), &PanelPage::ChartPointerMoved, this,
          guarded([this](double maf) { autotune_->PointerMoved(maf); }));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove:
      if (watched == grid_->Grid()->viewport()) {
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        Guarded(this, [&] { StringGrid1MouseMove(pos); });
      } else if (watched == TabSheet("TabSheet3")) {
        Guarded(this, [&] { TabSheet3MouseMove(); });
      }
      break;
    case QEvent::MouseButtonRelease:
      if (watched == port_.label7) Guarded(this, [this] { Label7Click(); });
      break;
    default: break;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::FormCreate() {
  port_.com->clear();
  port_.com->Reread();
  port_.com->setCurrentIndex(-1);
  N14Click();
  logChart_->Page().Frame().pointsPerFrame = kPointsPerFrame;
  logChart_->Learner().ResetAll();
  files_.table.clear();
  files_.log.clear();
}

void TForm1::ShowFileCaption(const QString& fileName) {
  setWindowTitle(QString::fromLatin1(kCaption) + QDir::toNativeSeparators(fileName));
}

void TForm1::Message(const QString& text) {
  // Over the progress window while that is up (see KeepBoxesAbove).
  Dialogs().ShowMessage(this, text);
}

void TForm1::COMChange() {
  transfer_->ChoosePort(port_.com->currentIndex() >= 0 ? port_.com->currentText().toStdString()
                                                       : std::string());
}

void TForm1::Label7Click() {
  port_.label7->setToolTip(port_.label7->text());
  Dialogs().OpenAddress(port_.label7->toolTip());
}

void TForm1::TabSheet1Show() {
  if (shell_.pageControl1->currentWidget() == TabSheet("TabSheet1")) {
    setWindowTitle(QStringLiteral("ZelorConfigurator"));
  } else {
    ShowFileCaption(files_.table);
  }
}

void TForm1::TabSheet4Show() {
  panel_->ShowChart();
  RefreshInsertCellChart();
}

void TForm1::N22Click() {
  if (!windows_.compare) return;
  windows_.compare->show();
  windows_.compare->raise();
}

void TForm1::N19Click() {
  const QSize screen = QGuiApplication::primaryScreen()->size();
  const int p = ScreenScalePercent(screen.width(), screen.height());
  if (p <= 0) return;
  ScaleClient(p, 100);
  QTableWidget* grid = grid_->Grid();
  SetDefaultCells(grid, ScaledColumnWidth(grid->height()), ScaledRowHeight(grid->width()));
  if (windows_.compare) windows_.compare->ScaleBy(p, 100);
  menu_.n20->setEnabled(true);
  menu_.n19->setEnabled(false);
}

void TForm1::N20Click() {
  const QSize screen = QGuiApplication::primaryScreen()->size();
  const int p = ScreenScalePercent(screen.width(), screen.height());
  if (p <= 0) return;
  ScaleClient(100, p);
  SetDefaultCells(grid_->Grid(), kTableCellWidth, kTableCellHeight);
  if (windows_.compare) windows_.compare->UnscaleBy(p);
  menu_.n20->setEnabled(false);
  menu_.n19->setEnabled(true);
}

}  // namespace zelor
