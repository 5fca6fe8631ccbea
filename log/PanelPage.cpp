#include "log/PanelPage.h"

#include <qcustomplot.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "core/DecimalSeparator.h"
#include "link/LogBuffer.h"
#include "log/PanelText.h"
#include "table/TableModel.h"
#include "widgets/BarGauge.h"
#include "widgets/CellCurve.h"
#include "widgets/Named.h"
#include "widgets/UpDown.h"

namespace zelor {
namespace {

QLabel* MakeLabel(const char* name, const char* text, QWidget* parent, QRect geometry) {
  auto* label = Named(new QLabel(QString::fromUtf8(text), parent), name);
  label->setGeometry(geometry);
  return label;
}

QLineEdit* MakeReadingBox(const char* name, const QColor& color, QWidget* parent, QRect geometry) {
  auto* box = Named(new QLineEdit(QStringLiteral("255N 5.00V"), parent), name);
  box->setReadOnly(true);
  box->setGeometry(geometry);
  // A plain black display: the style's rounded frame would be redrawn with
  // every reading, a hundred times a second.
  box->setFrame(false);
  QFont font = box->font();
  font.setBold(true);
  box->setFont(font);
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, Qt::black);
  palette.setColor(QPalette::Text, color);
  palette.setColor(QPalette::Disabled, QPalette::Text, BarGauge::kGreyedColor);
  box->setPalette(palette);
  return box;
}

QCPGraph* AddSeries(QCustomPlot* chart, const char* name, const QPen& pen, QCPScatterStyle scatter,
                    QCPGraph::LineStyle line) {
  QCPGraph* graph = chart->addGraph();
  graph->setObjectName(QString::fromLatin1(name));
  graph->setName(QString::fromLatin1(name));
  graph->setPen(pen);
  graph->setScatterStyle(scatter);
  graph->setLineStyle(line);
  return graph;
}

}  // namespace

PanelPage::PanelPage(QWidget* parent) : page(parent) {
  BuildGauges();
  BuildChart();
  BuildRunControls();
  BuildCorrection();
  BuildMarker();
  BuildAutotune();
  Connect();
}

void PanelPage::Connect() {
  connect(ButtonStart, &QPushButton::clicked, this, &PanelPage::StartClicked);
  connect(ButtonStop, &QPushButton::clicked, this, &PanelPage::StopClicked);
  connect(TrackBarMafNach, &QSlider::valueChanged, this, &PanelPage::RangeBeginMoved);
  connect(TrackBarMafKon, &QSlider::valueChanged, this, &PanelPage::RangeEndMoved);
  connect(EditCorrection, &QLineEdit::textChanged, this, &PanelPage::StepTextChanged);
  connect(EditCorrection, &QLineEdit::returnPressed, this, &PanelPage::StepEntered);
  connect(Button1, &QPushButton::clicked, this, &PanelPage::ApplyClicked);
  connect(BeepCheckBox, &QCheckBox::toggled, this, &PanelPage::BeeperToggled);
  connect(WBO, &QCheckBox::toggled, this, &PanelPage::WboToggled);
  connect(AutotuneBox, &QCheckBox::clicked, this, &PanelPage::AutotuneToggled);
  connect(AutotuneRollback, &QPushButton::clicked, this, &PanelPage::RollbackClicked);
  connect(InsertCellChart, &QCustomPlot::mouseMove, this, [this](QMouseEvent* event) {
    emit ChartPointerMoved(InsertCellChart->xAxis->pixelToCoord(event->position().x()));
  });
}

void PanelPage::BuildGauges() {
  struct GaugeSpec {
    const char* gauge;
    const char* box;
    const char* labelName;
    const char* label;
    QColor color;
  };
  const GaugeSpec gauges[4] = {
      {"MAF", "MAFTextBox", "Label2", "MAF", QColor(0, 128, 255)},
      {"VAF", "VAFTextBox", "Label3", "VAF", QColor(154, 54, 255)},
      {"Konv", "KonvTextBox", "Label4", "Конв", QColor(255, 139, 83)},
      {"O2", "O2TextBox", "Label5", "O2", QColor(0, 221, 0)},
  };
  BarGauge* made[4];
  QLineEdit* boxes[4];
  for (int k = 0; k < 4; ++k) {
    const int x = 12 + k * 100;
    MakeLabel(gauges[k].labelName, gauges[k].label, page, QRect(x, 8, 90, 17));
    made[k] = new BarGauge(QString::fromLatin1(gauges[k].gauge), gauges[k].color, page);
    made[k]->setGeometry(x + 20, 28, 50, 300);
    made[k]->SetProgress(128);
    boxes[k] = MakeReadingBox(gauges[k].box, gauges[k].color, page, QRect(x, 334, 90, 22));
  }
  MAF = made[0];
  VAF = made[1];
  Konv = made[2];
  O2 = made[3];
  MAFTextBox = boxes[0];
  VAFTextBox = boxes[1];
  KonvTextBox = boxes[2];
  O2TextBox = boxes[3];

  // Across the gauges, above them and their boxes; hidden until the
  // converter is lost during a run.
  LinkLostMark = Named(new QLabel(page), "LinkLostMark");
  LinkLostMark->setGeometry(12, 150, 390, 64);
  LinkLostMark->setAlignment(Qt::AlignCenter);
  LinkLostMark->setWordWrap(true);
  QFont markFont = LinkLostMark->font();
  markFont.setPixelSize(20);
  markFont.setBold(true);
  LinkLostMark->setFont(markFont);
  LinkLostMark->setStyleSheet(
      QStringLiteral("QLabel { color: #ff4040; background-color: rgba(0, 0, 0, 215); "
                     "border: 2px solid #ff4040; border-radius: 4px; padding: 4px; }"));
  LinkLostMark->hide();

  WBO = Named(new QCheckBox(QStringLiteral("ШЛЗ"), page), "WBO");
  WBO->setGeometry(312, 360, 90, 20);
}

void PanelPage::BuildChart() {
  InsertCellChart = Named(new QCustomPlot(page), "InsertCellChart");
  InsertCellChart->setGeometry(415, 4, 545, 300);
  InsertCellChart->xAxis->setLabel(QStringLiteral("MAF"));
  InsertCellChart->yAxis->setLabel(QStringLiteral("VAF"));
  InsertCellChart->xAxis->setRange(0, 260);
  InsertCellChart->yAxis->setRange(1, 300);
  InsertCellChart->legend->setVisible(false);
  // The 2-pixel table curve drawn segment by segment, without the joins'
  // geometry.
  InsertCellChart->setPlottingHint(QCP::phFastPolylines, true);
  const QCPScatterStyle none(QCPScatterStyle::ssNone);
  Tab = AddSeries(InsertCellChart, "Tab", QPen(Qt::red, 2), none, QCPGraph::lsLine);
  Tab->setAntialiased(false);  // 256 points redrawn many times a second
  VAF_MAF = AddSeries(InsertCellChart, "VAF_MAF", QPen(Qt::green),
                      QCPScatterStyle(QCPScatterStyle::ssSquare, Qt::green, Qt::green, 8),
                      QCPGraph::lsNone);
  Konv_MAF =
      AddSeries(InsertCellChart, "Konv_MAF", QPen(Qt::red),
                QCPScatterStyle(QCPScatterStyle::ssSquare, Qt::red, Qt::red, 8), QCPGraph::lsNone);
  CorrBeg = AddSeries(InsertCellChart, "CorrBeg", QPen(Qt::blue, 2), none, QCPGraph::lsLine);
  CorrEnd = AddSeries(InsertCellChart, "CorrEnd", QPen(Qt::blue, 2), none, QCPGraph::lsLine);
  // The table curve and the two live points are drawn on a layer of their
  // own, above the rest, with a buffer of its own: a tick's changes redraw
  // that layer alone, not the axes, grid and labels, and showing the chart
  // composes just two buffers (the overlay layer, unused here, shares the
  // buffer of the layers below).
  InsertCellChart->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
  InsertCellChart->addLayer(QStringLiteral("live"),
                            InsertCellChart->layer(QStringLiteral("overlay")));
  liveLayer_ = InsertCellChart->layer(QStringLiteral("live"));
  liveLayer_->setMode(QCPLayer::lmBuffered);
  for (QCPGraph* graph : {Tab, VAF_MAF, Konv_MAF}) graph->setLayer(liveLayer_);

  CheckBoxInsertCell = Named(new QCheckBox(QStringLiteral("VAF-MAF"), page), "CheckBoxInsertCell");
  CheckBoxInsertCell->setGeometry(420, 308, 90, 20);
  CheckBoxInsertCell->setStyleSheet(QStringLiteral("color: green"));
  CheckBoxKonvMaf = Named(new QCheckBox(QStringLiteral("Сonv-MAF"), page), "CheckBoxKonvMaf");
  CheckBoxKonvMaf->setGeometry(520, 308, 90, 20);
  CheckBoxKonvMaf->setStyleSheet(QStringLiteral("color: red"));
  CheckBoxKonvMaf->setChecked(true);

  frameTimer_ = new QTimer(page);
  frameTimer_->setObjectName(QStringLiteral("PanelFrame"));
  frameTimer_->setSingleShot(true);
  frameTimer_->setInterval(kFrameMs);
  frameTimer_->setTimerType(Qt::PreciseTimer);
  connect(frameTimer_, &QTimer::timeout, this, [this] { ShowFrame(); });
}

void PanelPage::BuildRunControls() {
  ButtonStart = Named(new QPushButton(QStringLiteral("Старт"), page), "ButtonStart");
  ButtonStart->setGeometry(12, 392, 90, 30);
  ButtonStop = Named(new QPushButton(QStringLiteral("Стоп"), page), "ButtonStop");
  ButtonStop->setGeometry(112, 392, 90, 30);
  CheckBoxLearnTable =
      Named(new QCheckBox(QStringLiteral("Обучение Таблицы"), page), "CheckBoxLearnTable");
  CheckBoxLearnTable->setGeometry(12, 430, 190, 20);

  ObuchenieRadioButtons = Named(new QGroupBox(page), "ObuchenieRadioButtons");
  ObuchenieRadioButtons->setGeometry(210, 386, 190, 70);
  ObuchenieChoices = new QButtonGroup(ObuchenieRadioButtons);
  const char* choices[2] = {"Быстро но грубо ", "Медленно но точно"};
  for (int id = 0; id < 2; ++id) {
    auto* radio = new QRadioButton(QString::fromUtf8(choices[id]), ObuchenieRadioButtons);
    radio->setObjectName(QStringLiteral("ObuchenieRadioButtons_%1").arg(id));
    radio->setGeometry(8, 12 + id * 26, 175, 20);
    ObuchenieChoices->addButton(radio, id);
  }
  ObuchenieChoices->button(0)->setChecked(true);
}

void PanelPage::BuildCorrection() {
  GroupBox1 = Named(new QGroupBox(QStringLiteral("Коррекция"), page), "GroupBox1");
  GroupBox1->setGeometry(415, 332, 400, 150);
  MakeLabel("Label11", "MAFнач.", GroupBox1, QRect(8, 20, 60, 17));
  MakeLabel("Label12", "MAFкон.", GroupBox1, QRect(8, 50, 60, 17));
  TrackBarMafNach = Named(new QSlider(Qt::Horizontal, GroupBox1), "TrackBarMafNach");
  TrackBarMafKon = Named(new QSlider(Qt::Horizontal, GroupBox1), "TrackBarMafKon");
  EditMafNach = Named(new QLineEdit(QStringLiteral("0"), GroupBox1), "EditMafNach");
  EditMafKon = Named(new QLineEdit(QStringLiteral("0"), GroupBox1), "EditMafKon");
  QSlider* bars[2] = {TrackBarMafNach, TrackBarMafKon};
  QLineEdit* edits[2] = {EditMafNach, EditMafKon};
  for (int k = 0; k < 2; ++k) {
    bars[k]->setRange(0, 255);
    bars[k]->setTickInterval(10);
    bars[k]->setTickPosition(QSlider::TicksBelow);
    bars[k]->setGeometry(70, 16 + k * 30, 260, 26);
    edits[k]->setReadOnly(true);
    edits[k]->setGeometry(336, 18 + k * 30, 50, 22);
  }
  EditCorrection = Named(new QLineEdit(QStringLiteral("0"), GroupBox1), "EditCorrection");
  EditCorrection->setGeometry(70, 84, 50, 22);
  UpDown1 = new UpDown(QStringLiteral("UpDown1"), -255, 255, 0, GroupBox1);
  UpDown1->setGeometry(120, 84, 17, 22);
  UpDown1->SetBuddy(EditCorrection);
  Button1 = Named(new QPushButton(QStringLiteral("Внести в таблицу"), GroupBox1), "Button1");
  Button1->setGeometry(150, 82, 150, 26);
  GroupBox1->setEnabled(false);
  // The beeper's switch stands beside the correction group, not in it: the
  // group is disabled for good, and the switch must stay the user's.
  BeepCheckBox = Named(new QCheckBox(QStringLiteral("Бипер ЛЗ"), page), "BeepCheckBox");
  BeepCheckBox->setGeometry(825, 424, 135, 20);
}

void PanelPage::BuildMarker() {
  GroupBox3 = Named(new QGroupBox(QStringLiteral("Маркер лога"), page), "GroupBox3");
  GroupBox3->setGeometry(825, 332, 135, 80);
  MakeLabel("Label18", "Нажмите пробел", GroupBox3, QRect(8, 20, 120, 17));
  Marker_Edit = Named(new QLineEdit(GroupBox3), "Marker_Edit");
  Marker_Edit->setReadOnly(true);
  Marker_Edit->setGeometry(8, 42, 118, 22);
  QPalette markerPalette = Marker_Edit->palette();
  markerPalette.setColor(QPalette::Base, Qt::black);
  Marker_Edit->setPalette(markerPalette);
}

void PanelPage::BuildAutotune() {
  O2Lambda = MakeLabel("O2Lambda", "", page, QRect(180, 360, 128, 20));
  O2Lambda->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QFont lambdaFont = O2Lambda->font();
  lambdaFont.setBold(true);
  O2Lambda->setFont(lambdaFont);
  O2Lambda->setStyleSheet(QStringLiteral("color: #008800"));
  O2Lambda->hide();

  AutotuneBox = Named(new QCheckBox(QStringLiteral("Автонастройка по лямбде"), page), "Autotune");
  AutotuneBox->setGeometry(12, 460, 195, 20);
  AutotuneRollback = Named(new QPushButton(QStringLiteral("Откатить"), page), "AutotuneRollback");
  AutotuneRollback->setGeometry(210, 458, 90, 24);
  AutotuneRollback->setEnabled(false);
  AutotuneStatus = MakeLabel("AutotuneStatus", "", page, QRect(615, 304, 345, 30));
  AutotuneStatus->setWordWrap(true);
  AutotuneStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QFont statusFont = AutotuneStatus->font();
  if (statusFont.pointSizeF() > 0) {
    statusFont.setPointSizeF(statusFont.pointSizeF() * 0.85);
  } else {
    statusFont.setPixelSize(std::max(8, statusFont.pixelSize() * 85 / 100));
  }
  AutotuneStatus->setFont(statusFont);

  // The states' marks lie over the table curve on a buffered layer of their
  // own below the live one: redrawn once a second, they never make the
  // tick's frames redraw more than the live layer.
  InsertCellChart->addLayer(QStringLiteral("autotune"), liveLayer_, QCustomPlot::limBelow);
  autotuneLayer_ = InsertCellChart->layer(QStringLiteral("autotune"));
  autotuneLayer_->setMode(QCPLayer::lmBuffered);
  shownMarks_.fill(-1);
  const std::array<QColor, 6> colors = {
      QColor(150, 150, 150),  // collecting
      QColor(255, 170, 0),    // ready
      QColor(0, 170, 0),      // changed
      QColor(220, 0, 220),    // at its limit
      QColor(0, 150, 255),    // closed loop
      QColor(40, 40, 40),     // locked
  };
  for (std::size_t k = 0; k < stateGraphs_.size(); ++k) {
    QCPGraph* graph = AddSeries(InsertCellChart, "AutotuneState", QPen(colors[k]),
                                QCPScatterStyle(QCPScatterStyle::ssDisc, colors[k], colors[k], 6),
                                QCPGraph::lsNone);
    graph->setObjectName(QStringLiteral("AutotuneState%1").arg(k));
    graph->setLayer(autotuneLayer_);
    stateGraphs_[k] = graph;
  }
  // The legend names the states alone.
  for (QCPGraph* graph : {Tab, VAF_MAF, Konv_MAF, CorrBeg, CorrEnd}) graph->removeFromLegend();
  InsertCellChart->legend->setFont(statusFont);
  InsertCellChart->legend->setRowSpacing(-3);
  InsertCellChart->legend->setBrush(QColor(255, 255, 255, 210));
  InsertCellChart->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
  InsertCellChart->setMouseTracking(true);
}

void PanelPage::ShowO2Lambda(const QString& text) {
  if (O2Lambda->text() == text && O2Lambda->isVisible() == !text.isEmpty()) return;
  Changing(O2Lambda);
  O2Lambda->setText(text);
  O2Lambda->setVisible(!text.isEmpty());
  ChangesDone();
}

bool PanelPage::AutotuneOn() const { return AutotuneBox->isChecked(); }

void PanelPage::SetAutotuneOn(bool on) {
  const QSignalBlocker blocker(AutotuneBox);
  AutotuneBox->setChecked(on);
}

void PanelPage::SetAutotuneRunning(bool running) {
  AutotuneRollback->setEnabled(running);
  InsertCellChart->legend->setVisible(running);
  InsertCellChart->replot(QCustomPlot::rpQueuedReplot);
}

void PanelPage::ShowAutotuneStatus(const QString& text, const QString& detail) {
  AutotuneStatus->setText(text);
  AutotuneStatus->setToolTip(detail);
}

void PanelPage::ShowAutotuneCells(const std::array<AutotuneCell, 256>& cells) {
  // Each cell's mark (its state and value, or -1 unmarked): the layer is
  // redrawn only when one of them moved.
  std::array<int, 256> marks{};
  for (std::size_t m = 0; m < cells.size(); ++m) {
    const AutotuneCell& cell = cells[m];
    const bool unmarked =
        cell.state == AutotuneState::kCollecting && cell.n == 0 && cell.now == cell.snapshot;
    marks[m] = unmarked ? -1 : static_cast<int>(cell.state) * 256 + cell.now;
  }
  if (marks == shownMarks_) return;
  shownMarks_ = marks;
  std::array<QVector<double>, 6> keys, values;
  for (std::size_t m = 0; m < marks.size(); ++m) {
    if (marks[m] < 0) continue;
    keys[static_cast<std::size_t>(marks[m] / 256)].push_back(static_cast<double>(m));
    values[static_cast<std::size_t>(marks[m] / 256)].push_back(marks[m] % 256);
  }
  for (std::size_t k = 0; k < stateGraphs_.size(); ++k)
    stateGraphs_[k]->setData(keys[k], values[k], true);
  autotuneLayer_->replot();
}

void PanelPage::ClearAutotuneCells() {
  shownMarks_.fill(-1);
  for (QCPGraph* graph : stateGraphs_) graph->data()->clear();
  autotuneLayer_->replot();
}

void PanelPage::ApplyAutotuneCaptions(const QString& autotune, const QString& rollback,
                                      const std::array<QString, 6>& states) {
  AutotuneBox->setText(autotune);
  AutotuneRollback->setText(rollback);
  for (std::size_t k = 0; k < stateGraphs_.size(); ++k) stateGraphs_[k]->setName(states[k]);
}

void PanelPage::ShowSample(const LogSample& sample) {
  const int maf = sample.Maf();
  const int vaf = sample.Vaf();
  const int output = sample.Output();
  const int o2 = sample.O2();
  if (CheckBoxInsertCell->isChecked() && MovePoint(VAF_MAF, maf, vaf)) chartChanged_ = true;
  if (CheckBoxKonvMaf->isChecked() && MovePoint(Konv_MAF, maf, output)) chartChanged_ = true;
  ShowReading(Konv, KonvTextBox, output, output);
  ShowReading(MAF, MAFTextBox, maf, maf);
  ShowReading(VAF, VAFTextBox, vaf, vaf);
  ShowReading(O2, O2TextBox, O2GaugePosition(o2, WBO->isChecked()), o2);
  changed_ = changed_ || chartChanged_;
  ChangesDone();
}

void PanelPage::ShowLearnedCell(int m, int v) {
  if (!CheckBoxInsertCell->isChecked() || m >= Tab->dataCount()) return;
  auto point = Tab->data()->begin() + m;
  if (point->key != m || point->value == v) return;
  point->value = v;
  chartChanged_ = changed_ = true;
  ChangesDone();
}

void PanelPage::ShowReading(BarGauge* gauge, QLineEdit* box, int position, int value) {
  static const char separator = UserDecimalSeparator();
  if (gauge->Progress() != std::clamp(position, BarGauge::kMinimum, BarGauge::kMaximum)) {
    Changing(gauge);
    gauge->SetProgress(position);
  }
  const QString text = QString::fromStdString(PanelText(value, separator));
  if (box->text() != text) {
    Changing(box);
    box->setText(text);
  }
}

bool PanelPage::MovePoint(QCPGraph* graph, int x, int y) {
  if (graph->dataCount() == 1) {
    const auto point = graph->data()->constBegin();
    if (point->key == x && point->value == y) return false;
  }
  graph->setData({double(x)}, {double(y)}, true);
  return true;
}

void PanelPage::Changing(QWidget* widget) {
  changed_ = true;
  if (FrameDue() || !widget->updatesEnabled()) return;
  widget->setUpdatesEnabled(false);
  held_.push_back(widget);
}

void PanelPage::ChangesDone() {
  if (!changed_) return;
  if (FrameDue()) {
    ShowFrame();
  } else if (!frameTimer_->isActive()) {
    frameTimer_->start();
  }
}

bool PanelPage::FrameDue() const {
  return !lastFrame_.isValid() || lastFrame_.elapsed() >= kFrameMs;
}

bool PanelPage::FramePending() const { return changed_; }

void PanelPage::ShowFrame() {
  frameTimer_->stop();
  lastFrame_.start();
  changed_ = false;
  // Turning a widget's updates back on repaints it.
  for (QWidget* widget : held_) widget->setUpdatesEnabled(true);
  held_.clear();
  // The layer redraws the whole chart instead when the buffers are not set
  // up yet (first showing, new size).
  if (std::exchange(chartChanged_, false)) liveLayer_->replot();
}

void PanelPage::SetLinkLost(bool lost, const QString& text) {
  linkLostShown_ = lost;
  for (QWidget* reading : std::initializer_list<QWidget*>{MAF, VAF, Konv, O2, MAFTextBox,
                                                          VAFTextBox, KonvTextBox, O2TextBox})
    reading->setEnabled(!lost);
  if (lost) {
    LinkLostMark->setText(text);
    LinkLostMark->raise();
  }
  LinkLostMark->setVisible(lost);
}

int PanelPage::O2Position() const { return O2->Progress(); }

void PanelPage::SetRunning(bool running) {
  ButtonStart->setEnabled(!running);
  CheckBoxLearnTable->setEnabled(!running);
}

bool PanelPage::LearningOn() const { return CheckBoxLearnTable->isChecked(); }

int PanelPage::LearningMode() const {
  const int id = ObuchenieChoices->checkedId();
  return id < 0 ? 0 : id;
}

void PanelPage::ShowMarker(bool on) {
  QPalette palette = Marker_Edit->palette();
  palette.setColor(QPalette::Base, on ? QColor(255, 0, 0) : QColor(Qt::black));
  Marker_Edit->setPalette(palette);
}

void PanelPage::ClearTableCurve() { Tab->data()->clear(); }

void PanelPage::ShowChart() { InsertCellChart->setVisible(true); }

int PanelPage::RangeBegin() const { return TrackBarMafNach->value(); }

int PanelPage::RangeEnd() const { return TrackBarMafKon->value(); }

void PanelPage::SetRangeBegin(int begin) { TrackBarMafNach->setValue(begin); }

void PanelPage::SetRangeEnd(int end) { TrackBarMafKon->setValue(end); }

void PanelPage::ShowRangeBegin(int begin) {
  EditMafNach->setText(QString::number(begin));
  CorrBeg->setData({double(begin), double(begin)}, {0.0, 300.0}, true);
  InsertCellChart->replot(QCustomPlot::rpQueuedReplot);
}

void PanelPage::ShowRangeEnd(int end) {
  EditMafKon->setText(QString::number(end));
  CorrEnd->setData({double(end), double(end)}, {0.0, 300.0}, true);
  InsertCellChart->replot(QCustomPlot::rpQueuedReplot);
}

int PanelPage::Step() const { return UpDown1->Position(); }

void PanelPage::SetStep(int step) { UpDown1->SetPosition(step); }

QString PanelPage::StepText() const { return EditCorrection->text(); }

bool PanelPage::BeeperOn() const { return BeepCheckBox->isChecked(); }

bool PanelPage::WboOn() const { return WBO->isChecked(); }

void PanelPage::SetWboOn(bool on) { WBO->setChecked(on); }

void PanelPage::RefreshInsertCellChart(const TableModel& table) {
  VAF_MAF->setData({0.0}, {0.0});
  Konv_MAF->setData({0.0}, {0.0});
  const double begin = TrackBarMafNach->value();
  const double end = TrackBarMafKon->value();
  CorrBeg->setData({begin, begin}, {0.0, 300.0}, true);
  CorrEnd->setData({end, end}, {0.0, 300.0}, true);
  DrawCellCurve(Tab, [&](int index) { return table.CellNumber(index); });
}

}  // namespace zelor
