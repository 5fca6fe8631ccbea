#include "app/ZelorConfigurator.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include "app/FileDialog.h"
#include "app/HandlerGuard.h"
#include "app/KeyPreview.h"
#include "app/PortComboBox.h"
#include "app/Scaling.h"
#include "app/Unit3.h"
#include "app/WindowScaling.h"
#include "compare/CompareTables.h"
#include "link/PortList.h"
#include "link/Protocol.h"
#include "link/SerialPortError.h"
#include "link/StatusBlock.h"
#include "log/LogChartPage.h"
#include "log/PanelPage.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "table/TableGrid.h"
#include "table/TableToolsController.h"

namespace zelor {
namespace {

constexpr int kClientWidth = 971;
constexpr int kClientHeight = 539;
constexpr int kStatusBarHeight = 20;
const char kWebAddress[] = "www.zelor.example";
const char kCaption[] = "ZelorConfigurator ";

QWidget* MakeTab(QTabWidget* tabs, const char* name, const char* header) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  tabs->addTab(page, QString::fromUtf8(header));
  return page;
}

}  // namespace

template <class Handler>
void TForm1::Run(Handler&& handler) {
  Guarded(this, std::forward<Handler>(handler));
}

TForm1::TForm1(const QStringList& extraPorts, QWidget* parent)
    : QMainWindow(parent), extraPorts_(extraPorts) {
  setObjectName(QStringLiteral("TForm1"));
  setWindowTitle(QStringLiteral("Zelor Configurator "));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  setFont(font);

  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("ClientArea"));
  client_->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client_);

  pageControl1_ = new QTabWidget(client_);
  pageControl1_->setObjectName(QStringLiteral("PageControl1"));
  pageControl1_->setGeometry(0, 0, 969, 513);
  pageControl1_->setTabPosition(QTabWidget::South);
  pageControl1_->tabBar()->setExpanding(false);
  QFont headerFont = font;
  headerFont.setBold(true);
  pageControl1_->tabBar()->setFont(headerFont);

  QWidget* tabSheet1 = MakeTab(pageControl1_, "TabSheet1", "");
  QWidget* tabTableGraph = MakeTab(pageControl1_, "TabTableGraph", "График таблицы ");
  QWidget* tabSheet3 = MakeTab(pageControl1_, "TabSheet3", "Таблица Замены");
  QWidget* tabSheet2 = MakeTab(pageControl1_, "TabSheet2", "Графики Лога");
  QWidget* tabSheet4 = MakeTab(pageControl1_, "TabSheet4", "Панель приборов");

  BuildPortTab(tabSheet1);
  tableChart_ = new TableChart(tabTableGraph);
  tableChart_->setGeometry(0, 0, 961, 485);
  grid_ = std::make_unique<GridPage>(tabSheet3);
  tabSheet3->setMouseTracking(true);
  logChart_ = std::make_unique<LogChartPage>(tabSheet2);
  panel_ = std::make_unique<PanelPage>(tabSheet4);

  statusBar1_ = new QStatusBar(client_);
  statusBar1_->setObjectName(QStringLiteral("StatusBar1"));
  statusBar1_->setSizeGripEnabled(false);
  statusBar1_->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
  auto* firstPanel = new QLabel(statusBar1_);
  firstPanel->setObjectName(QStringLiteral("StatusBar1Panel0"));
  firstPanel->setFixedWidth(175);
  hintPanel_ = new QLabel(statusBar1_);
  hintPanel_->setObjectName(QStringLiteral("StatusBar1Panel1"));
  hintPanel_->setMinimumWidth(50);
  statusBar1_->addWidget(firstPanel);
  statusBar1_->addWidget(hintPanel_, 1);

  BuildMenu();

  fileOpenDLG_ = new FileDialog(FileDialogKind::Open, QStringLiteral("FileOpenDLG"), this);
  fileSaveDLG_ = new FileDialog(FileDialogKind::Save, QStringLiteral("FileSaveDLG"), this);
  for (FileDialog* dialog : {fileOpenDLG_, fileSaveDLG_})
    dialog->SetFilter(QStringLiteral("Файлы таблицы замены|*.tab|Все файлы|*.*"));
  csvSaveDLG_ = new FileDialog(FileDialogKind::Save, QStringLiteral("CsvSaveDLG"), this);
  csvSaveDLG_->SetFilter(QStringLiteral("CSV Files|*.csv|All|*.*"));
  tools_ = std::make_unique<TableToolsController>(
      *grid_, *tableChart_, messages_,
      TableToolsHooks{this, [this] { CommitTableStep(); },
                      [this] {
                        TabTableGraphShow();
                        RefreshInsertCellChart();
                        if (LogChartDrawn() && !learnRequest_) RedrawLogChart(LogStep());
                      },
                      [firstPanel](const QString& text) { firstPanel->setText(text); }});
  ApplyOwnCaptions();

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(10);
  timer1_->setTimerType(Qt::PreciseTimer);
  timer2_ = new QTimer(this);
  timer2_->setObjectName(QStringLiteral("Timer2"));
  timer2_->setInterval(100);
  timer2_->setTimerType(Qt::PreciseTimer);  // 60 ticks are the 6 s of the write

  FitWindowToClient();
  ConnectHandlers();
  new KeyPreview(
      this, [this](QKeyEvent* key) { return FormKeyDown(key); },
      [this](QKeyEvent* key) { return FormKeyUp(key); });

  Run([this] { FormCreate(); });
  pageControl1_->setCurrentWidget(tabSheet4);
}

TForm1::~TForm1() {
  // No thread outlives the window: the beeper and the reader end before the
  // port, the recording and the flags are released.
  flags_.Streaming.store(false, std::memory_order_relaxed);
  beeper_.reset();
  reader_.reset();
}

bool TForm1::FormKeyDown(QKeyEvent* key) {
  // Step 1: the space bar holds the log marker.
  if (key->key() == Qt::Key_Space) {
    SetLogMarker(true);
    return true;
  }
  // Steps 2 to 7: the correction keys.
  return CorrectionKeyDown(key);
}

bool TForm1::FormKeyUp(QKeyEvent* key) {
  if (key->key() == Qt::Key_Space) {
    // A held key repeats as release and press pairs: only the real release
    // ends the marker.
    if (!key->isAutoRepeat()) SetLogMarker(false);
    return true;
  }
  return false;
}

void TForm1::closeEvent(QCloseEvent* event) {
  EndStream();
  QMainWindow::closeEvent(event);
  // The main window's end is the program's end, whatever else is open.
  QCoreApplication::quit();
}

void TForm1::BuildPortTab(QWidget* page) {
  auto* label1 = new QLabel(QStringLiteral("Порт"), page);
  label1->setObjectName(QStringLiteral("Label1"));
  label1->setGeometry(16, 19, 34, 17);
  // The system's ports, then those of the command line; read again each
  // time the box opens.
  com_ = new PortComboBox(
      [this] {
        std::vector<std::string> extra;
        for (const QString& name : extraPorts_) extra.push_back(name.toStdString());
        QStringList names;
        for (const std::string& name : ListPorts(extra)) names.append(QString::fromStdString(name));
        return names;
      },
      page);
  com_->setObjectName(QStringLiteral("COM"));
  com_->setGeometry(56, 16, 73, 22);
  com_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  // The box cuts most names; its tooltip and the status block below it
  // give the whole one.
  connect(com_, &QComboBox::currentTextChanged, com_,
          [this](const QString& name) { com_->setToolTip(name); });
  status_ = new StatusBlock([this] { return StatusNow(); }, messages_, page);
  status_->setGeometry(16, 52, 250, 150);

  auto* label6 = new QLabel(QStringLiteral("Zelor"), page);
  label6->setObjectName(QStringLiteral("Label6"));
  QFont big(QStringLiteral("Arial"));
  big.setPixelSize(96);
  big.setBold(true);
  big.setItalic(true);
  label6->setFont(big);
  label6->setGeometry(280, 140, 420, 120);
  label6->setAlignment(Qt::AlignCenter);

  label7_ = new QLabel(QString::fromLatin1(kWebAddress), page);
  label7_->setObjectName(QStringLiteral("Label7"));
  QFont link(QStringLiteral("Arial"));
  link.setPixelSize(32);
  label7_->setFont(link);
  label7_->setStyleSheet(QStringLiteral("color: blue"));
  label7_->setCursor(Qt::PointingHandCursor);
  label7_->setToolTip(label7_->text());
  label7_->setGeometry(230, 280, 520, 40);
  label7_->setAlignment(Qt::AlignCenter);
  label7_->installEventFilter(this);

  auto* label17 = new QLabel(QStringLiteral("V3.2"), page);
  label17->setObjectName(QStringLiteral("Label17"));
  label17->setGeometry(8, 462, 60, 17);
}

LinkStatus TForm1::StatusNow() const {
  LinkStatus status;
  if (comPort1_.IsOpen()) status.port = QString::fromStdString(comPort1_.PortName());
  // The firmware label's caption without its fixed start ("FirmWare:  V_3.2"
  // or, when the converter did not answer, "FirmWare:  V1.00").
  if (grid_ && !grid_->VersionLabel()->isHidden()) {
    static const QRegularExpression prefix(QStringLiteral("^FirmWare:\\s*V_?"));
    status.firmware = grid_->VersionLabel()->text().remove(prefix);
  }
  status.streaming = Streaming();
  status.readerLost = ReaderLost();
  status.portLeft = status.readerLost && !LinkLost();
  if (grid_) {
    const CellMarks& marks = grid_->Marks();
    status.haveCopy = marks.HasCopy();
    status.differing = marks.Count(CellMark::kDiffers);
    status.invalid = marks.Count(CellMark::kInvalid);
  }
  return status;
}

QAction* TForm1::MenuItem(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

void TForm1::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  auto submenu = [](QMenu* parent, QMenuBar* top, const char* name, const char* caption) {
    QMenu* menu = parent ? parent->addMenu(QString::fromUtf8(caption))
                         : top->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
  };
  QMenu* n1 = submenu(nullptr, bar, "N1", "Лог");
  QMenu* n2 = submenu(n1, bar, "N2", "Файл");
  MenuItem(n2, "N3", "Открыть");
  MenuItem(n2, "N4", "Сохранить");
  exportCsv_ = MenuItem(n2, "ExportCsv", "");
  QMenu* n5 = submenu(nullptr, bar, "N5", "Таблица Замены");
  QMenu* n9 = submenu(n5, bar, "N9", "Файл");
  MenuItem(n9, "N12", "Открыть");
  MenuItem(n9, "N13", "Сохранить");
  QMenu* n11 = submenu(n5, bar, "N11", "Обнулить");
  MenuItem(n11, "N14", "Я подтверждаю обнуление!");
  QMenu* n111 = submenu(n5, bar, "N111", "Замена 1:1");
  MenuItem(n111, "N112", "Я подтверждаю замену 1:1");
  n5->addSeparator();
  n5->addActions(grid_->ContextMenu()->actions());  // the tuner's tools and the coverage view
  n5->addSeparator();
  undoTable_ = MenuItem(n5, "UndoTable", "");
  redoTable_ = MenuItem(n5, "RedoTable", "");
  QMenu* n6 = submenu(nullptr, bar, "N6", "Конвертер");
  MenuItem(n6, "N7", "Считать таблицу из конвертера");
  MenuItem(n6, "N8", "Записать таблицу в конвертер");
  QMenu* n18 = submenu(nullptr, bar, "N18", "Окно");
  n19_ = MenuItem(n18, "N19", "Адаптировать под разрешение экрана ");
  n20_ = MenuItem(n18, "N20", "Исходный вид ");
  n20_->setEnabled(false);
  QAction* n22 = bar->addAction(QStringLiteral("Утилита сравнения таблиц"));
  n22->setObjectName(QStringLiteral("N22"));
}

void TForm1::ApplyOwnCaptions() {
  exportCsv_->setText(messages_.Own(OwnMessage::kExportCsvCaption));
  undoTable_->setText(messages_.Own(OwnMessage::kUndoTableCaption));
  redoTable_->setText(messages_.Own(OwnMessage::kRedoTableCaption));
  tools_->ApplyOwnCaptions();
}

QWidget* TForm1::TabSheet(const char* name) const {
  return pageControl1_->findChild<QWidget*>(QString::fromLatin1(name));
}

void TForm1::ConnectHandlers() {
  auto onMenu = [this](const char* name, void (TForm1::*handler)()) {
    QAction* action = findChild<QAction*>(QString::fromLatin1(name));
    Q_ASSERT(action);
    connect(action, &QAction::triggered, this,
            [this, handler] { Run([&] { (this->*handler)(); }); });
  };
  onMenu("N7", &TForm1::N7Click);
  onMenu("N8", &TForm1::N8Click);
  onMenu("N12", &TForm1::N12Click);
  onMenu("N13", &TForm1::N13Click);
  onMenu("N14", &TForm1::N14Click);
  onMenu("N112", &TForm1::N112Click);
  onMenu("N19", &TForm1::N19Click);
  onMenu("N20", &TForm1::N20Click);
  onMenu("N22", &TForm1::N22Click);

  connect(com_, qOverload<int>(&QComboBox::activated), this,
          [this](int) { Run([this] { COMChange(); }); });
  connect(tableChart_, &QCustomPlot::mousePress, this,
          [this](QMouseEvent* event) { Run([&] { TableChartMouseDown(event); }); });
  connect(tableChart_, &QCustomPlot::mouseMove, this,
          [this](QMouseEvent* event) { Run([&] { TableChartMouseMove(event); }); });
  connect(tableChart_, &QCustomPlot::mouseRelease, this,
          [this](QMouseEvent*) { Run([&] { TableChartMouseUp(); }); });
  connect(tableChart_, &QCustomPlot::mouseDoubleClick, this,
          [this](QMouseEvent*) { Run([&] { TableChartDblClick(); }); });
  connect(panel_->TrackBarMafNach, &QSlider::valueChanged, this,
          [this](int) { Run([this] { TrackBarMafNachChange(); }); });
  connect(panel_->TrackBarMafKon, &QSlider::valueChanged, this,
          [this](int) { Run([this] { TrackBarMafKonChange(); }); });
  connect(panel_->EditCorrection, &QLineEdit::textChanged, this,
          [this](const QString&) { Run([this] { EditCorrectionChange(); }); });
  connect(panel_->EditCorrection, &QLineEdit::returnPressed, this,
          [this] { Run([this] { EditCorrectionKeyPress(QChar(13)); }); });
  connect(panel_->Button1, &QPushButton::clicked, this,
          [this] { Run([this] { Button1Click(); }); });
  connect(panel_->BeepCheckBox, &QCheckBox::toggled, this,
          [this] { Run([this] { BeepCheckBoxClick(); }); });
  connect(panel_->ButtonStart, &QPushButton::clicked, this,
          [this] { Run([this] { ButtonStartClick(); }); });
  connect(panel_->ButtonStop, &QPushButton::clicked, this,
          [this] { Run([this] { ButtonStopClick(); }); });
  connect(timer1_, &QTimer::timeout, this, [this] { Run([this] { Timer1Timer(); }); });
  connect(timer2_, &QTimer::timeout, this, [this] { Run([this] { Timer2Timer(); }); });

  connect(pageControl1_, &QTabWidget::currentChanged, this, [this](int index) {
    // A hint tells of something on the tab left behind.
    hintPanel_->clear();
    const QString name = pageControl1_->widget(index)->objectName();
    Run([&] {
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

  ConnectLogChart();
  ConnectTableHistory();
  grid_->Grid()->viewport()->installEventFilter(this);
  TabSheet("TabSheet3")->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove:
      if (watched == grid_->Grid()->viewport()) {
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        Run([&] { StringGrid1MouseMove(pos); });
      } else if (watched == TabSheet("TabSheet3")) {
        Run([&] { TabSheet3MouseMove(); });
      }
      break;
    case QEvent::MouseButtonRelease:
      if (watched == label7_) Run([this] { Label7Click(); });
      break;
    default: break;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::FitWindowToClient() {
  setFixedSize(client_->width(), client_->height() + menuBar()->sizeHint().height());
}

void TForm1::FormCreate() {
  portChosen_ = false;
  com_->clear();
  com_->Reread();
  com_->setCurrentIndex(-1);
  N14Click();
  logChart_->Frame().pointsPerFrame = kPointsPerFrame;
  learnedCells_.fill(0);
  currentTableFile_.clear();
  currentLogFile_.clear();
}

void TForm1::ShowFileCaption(const QString& fileName) {
  setWindowTitle(QString::fromLatin1(kCaption) + fileName);
}

void TForm1::Message(const QString& text) {
  // While the progress window is up, a message belongs to it: a box under
  // the main window would open behind that always-on-top window.
  QWidget* owner = form3_ && form3_->isVisible() ? static_cast<QWidget*>(form3_) : this;
  Dialogs().ShowMessage(owner, text);
}

void TForm1::COMChange() {
  // The firmware shown is that of the converter on the port left: it goes
  // until this port's read succeeds (its open may fail, or the read be
  // refused during a run).
  grid_->VersionLabel()->hide();
  converterTableKnown_ = false;
  // Nor is the table of that converter what the grid is compared with.
  grid_->ForgetConverterCopy();
  if (portChosen_) {
    if (Streaming()) {
      // The reader ends as its port closes: no loss of the converter.
      readerLeftByPortChange_ = reader_ && !reader_->Finished();
      StopConverterLeft();
    }
    comPort1_.Close();
    // A run's reader ends on the closed port, silently; it is waited for,
    // so that from here on the run counts as one whose reader is lost.
    if (reader_) reader_->Join();
  }
  if (com_->currentIndex() >= 0) comPort1_.SetPortName(com_->currentText().toStdString());
  comPort1_.Open();
  portChosen_ = true;
  N7Click();
}

void TForm1::StopConverterLeft() {
  // A converter left streaming would still be streaming when the user comes
  // back to it, and its frames would be taken for the table. It may be gone
  // already (a reason to leave it), so a failing write keeps no one on its
  // port.
  try {
    comPort1_.Write(protocol::kStreamStop.data(), static_cast<int>(protocol::kStreamStop.size()));
  } catch (const SerialPortError&) {
  }
}

void TForm1::Label7Click() {
  label7_->setToolTip(label7_->text());
  Dialogs().OpenAddress(label7_->toolTip());
}

void TForm1::TabSheet1Show() {
  if (pageControl1_->currentWidget() == TabSheet("TabSheet1")) {
    setWindowTitle(QStringLiteral("ZelorConfigurator"));
  } else {
    ShowFileCaption(currentTableFile_);
  }
}

void TForm1::TabSheet4Show() {
  panel_->InsertCellChart->setVisible(true);
  RefreshInsertCellChart();
}

void TForm1::N22Click() {
  if (!form2_) return;
  form2_->show();
  form2_->raise();
}

void TForm1::SetGridCells(int columnWidth, int rowHeight) {
  SetDefaultCells(grid_->Grid(), columnWidth, rowHeight);
}

void TForm1::ScaleClient(int multiplier, int divisor) {
  QFont windowFont = font();
  windowFont.setPixelSize(MulDiv(windowFont.pixelSize(), multiplier, divisor));
  setFont(windowFont);
  ScaleWidgetTree(client_, multiplier, divisor);
  FitWindowToClient();
}

void TForm1::N19Click() {
  const QSize screen = QGuiApplication::primaryScreen()->size();
  const int p = ScreenScalePercent(screen.width(), screen.height());
  if (p <= 0) return;
  ScaleClient(p, 100);
  QTableWidget* grid = grid_->Grid();
  SetGridCells(ScaledColumnWidth(grid->height()), ScaledRowHeight(grid->width()));
  if (form2_) form2_->ScaleBy(p, 100);
  scalePercent_ = p;
  n20_->setEnabled(true);
  n19_->setEnabled(false);
}

void TForm1::N20Click() {
  const QSize screen = QGuiApplication::primaryScreen()->size();
  const int p = ScreenScalePercent(screen.width(), screen.height());
  if (p <= 0) return;
  ScaleClient(100, p);
  SetGridCells(kTableCellWidth, kTableCellHeight);
  if (form2_) form2_->UnscaleBy(p);
  scalePercent_ = 100;
  n20_->setEnabled(false);
  n19_->setEnabled(true);
}

}  // namespace zelor
