#include "learn/LambdaFixWindow.h"

#include <qcustomplot.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "core/MessageTexts.h"
#include "learn/Autotune.h"
#include "learn/LambdaFix.h"
#include "widgets/Named.h"

namespace zelor {
namespace {

QSpinBox* IntBox(const char* name, int min, int max, int value, int step = 1) {
  auto* box = Named(new QSpinBox, name);
  box->setRange(min, max);
  box->setSingleStep(step);
  box->setValue(value);
  return box;
}

QDoubleSpinBox* RealBox(const char* name, double min, double max, double value, int decimals,
                        double step) {
  auto* box = Named(new QDoubleSpinBox, name);
  // The user's own decimal separator, as the panel's voltages.
  box->setLocale(QLocale::system());
  box->setDecimals(decimals);
  box->setRange(min, max);
  box->setSingleStep(step);
  box->setValue(value);
  return box;
}

QCPGraph* Graph(QCustomPlot* chart, QCPAxis* value, const QColor& colour, bool line) {
  QCPGraph* graph = chart->addGraph(chart->xAxis, value);
  graph->setPen(QPen(colour, line ? 2 : 1));
  if (!line) {
    graph->setLineStyle(QCPGraph::lsNone);
    graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, colour, colour, 3));
  }
  return graph;
}

}  // namespace

LambdaFixWindow::LambdaFixWindow() : QWidget(nullptr, Qt::Window) {
  setObjectName(QStringLiteral("LambdaFixWindow"));
  resize(1240, 860);
  const LambdaSettings defaults;

  // A form row's label, captioned by ApplyCaptions.
  auto label = [this](OwnMessage text) {
    auto* caption = new QLabel;
    captions_.emplace_back(caption, static_cast<int>(text));
    return caption;
  };
  auto group = [this](const char* name, OwnMessage text) {
    auto* box = Named(new QGroupBox, name);
    captions_.emplace_back(box, static_cast<int>(text));
    return box;
  };

  // The sensor and its delay.
  wbo = Named(new QCheckBox, "WBO");
  wbo->setChecked(defaults.wideband);
  captions_.emplace_back(wbo, static_cast<int>(OwnMessage::kLambdaWbo));
  sensor = Named(new QComboBox, "Sensor");
  sensor->addItems({QStringLiteral("LC-1 / LC-2"), QStringLiteral("AEM UEGO"),
                    QStringLiteral("14Point7"), QString()});
  v1 = RealBox("V1", 0.0, 5.0, kLc1Scale.v1, 2, 0.1);
  afr1 = RealBox("AFR1", 5.0, 30.0, kLc1Scale.afr1, 2, 0.1);
  v2 = RealBox("V2", 0.0, 5.0, kLc1Scale.v2, 2, 0.1);
  afr2 = RealBox("AFR2", 5.0, 30.0, kLc1Scale.afr2, 2, 0.1);
  auto* pair = new QGridLayout;
  pair->addWidget(new QLabel(QStringLiteral("V1")), 0, 0);
  pair->addWidget(v1, 0, 1);
  pair->addWidget(new QLabel(QStringLiteral("AFR1")), 0, 2);
  pair->addWidget(afr1, 0, 3);
  pair->addWidget(new QLabel(QStringLiteral("V2")), 1, 0);
  pair->addWidget(v2, 1, 1);
  pair->addWidget(new QLabel(QStringLiteral("AFR2")), 1, 2);
  pair->addWidget(afr2, 1, 3);
  stoich = Named(new QComboBox, "Stoich");
  stoich->setEditable(true);
  stoich->setInsertPolicy(QComboBox::NoInsert);
  stoich->addItems({QString(), QString(), QString()});
  delayMode = Named(new QComboBox, "DelayMode");
  delayMode->addItems({QString(), QString(), QString()});
  delayMs = IntBox("DelayMs", 0, 2000, 0, kLambdaSampleMs);
  delayFullMs = IntBox("DelayFullMs", 0, 2000, 0, kLambdaSampleMs);
  estimateDelay = Named(new QPushButton, "EstimateDelay");
  captions_.emplace_back(estimateDelay, static_cast<int>(OwnMessage::kLambdaEstimate));
  auto* delayRow = new QHBoxLayout;
  delayRow->addWidget(delayMs, 1);
  delayRow->addWidget(new QLabel(QStringLiteral(":")));
  delayRow->addWidget(delayFullMs, 1);
  delayRow->addWidget(estimateDelay);
  delayEstimate = Named(new QLabel, "DelayEstimate");
  delayEstimate->setWordWrap(true);
  QGroupBox* sensorGroup = group("SensorGroup", OwnMessage::kLambdaSensorGroup);
  auto* sensorForm = new QFormLayout(sensorGroup);
  sensorForm->addRow(wbo);
  sensorForm->addRow(label(OwnMessage::kLambdaPreset), sensor);
  sensorForm->addRow(pair);
  sensorForm->addRow(label(OwnMessage::kLambdaStoich), stoich);
  sensorForm->addRow(label(OwnMessage::kLambdaDelay), delayMode);
  sensorForm->addRow(delayRow);
  sensorForm->addRow(delayEstimate);

  // The target.
  targetLow = RealBox("TargetLow", 0.60, 1.30, defaults.targetLow, 2, 0.01);
  targetHigh = RealBox("TargetHigh", 0.60, 1.30, defaults.targetHigh, 2, 0.01);
  targetMaf = IntBox("TargetMaf", 0, 256, defaults.targetMaf);
  inverse = Named(new QCheckBox, "Inverse");
  captions_.emplace_back(inverse, static_cast<int>(OwnMessage::kLambdaInverse));
  QGroupBox* targetGroup = group("TargetGroup", OwnMessage::kLambdaTargetGroup);
  auto* targetForm = new QFormLayout(targetGroup);
  targetForm->addRow(label(OwnMessage::kLambdaTargetLow), targetLow);
  targetForm->addRow(label(OwnMessage::kLambdaTargetHigh), targetHigh);
  targetForm->addRow(label(OwnMessage::kLambdaTargetMaf), targetMaf);
  targetForm->addRow(inverse);

  // The safeguards.
  minSamples = IntBox("MinSamples", 1, 100000, defaults.minSamples);
  capPercent = RealBox("CapPercent", 0.0, 100.0, defaults.capPercent, 1, 1.0);
  capCounts = IntBox("CapCounts", 0, 255, defaults.capCounts);
  QGroupBox* limitsGroup = group("LimitsGroup", OwnMessage::kLambdaLimitsGroup);
  auto* limitsForm = new QFormLayout(limitsGroup);
  limitsForm->addRow(label(OwnMessage::kLambdaMinSamples), minSamples);
  limitsForm->addRow(label(OwnMessage::kLambdaCapPercent), capPercent);
  limitsForm->addRow(label(OwnMessage::kLambdaCapCounts), capCounts);
  smoothCells = IntBox("SmoothCells", 0, 20, defaults.smoothCells);
  fillGapCells = IntBox("FillGapCells", 0, 50, defaults.fillGapCells);
  limitsForm->addRow(label(OwnMessage::kLambdaSmooth), smoothCells);
  limitsForm->addRow(label(OwnMessage::kLambdaFillGap), fillGapCells);

  // The filters' thresholds.
  minMaf = IntBox("MinMaf", 0, 255, defaults.minMaf);
  steadyCounts = IntBox("SteadyCounts", 0, 255, defaults.steadyCounts);
  fuelCutLambda = RealBox("FuelCutLambda", 1.00, 3.00, defaults.fuelCutLambda, 2, 0.05);
  mafFallRate = IntBox("MafFallRate", 0, 25500, defaults.mafFallPerSecond, 10);
  QGroupBox* filtersGroup = group("FiltersGroup", OwnMessage::kLambdaFiltersGroup);
  auto* filtersForm = new QFormLayout(filtersGroup);
  filtersForm->addRow(label(OwnMessage::kLambdaMinMaf), minMaf);
  filtersForm->addRow(label(OwnMessage::kLambdaSteady), steadyCounts);
  filtersForm->addRow(label(OwnMessage::kLambdaFuelCutLambda), fuelCutLambda);
  filtersForm->addRow(label(OwnMessage::kLambdaMafFall), mafFallRate);
  bandPercent = RealBox("BandPercent", 1.0, 100.0, defaults.bandPercent, 0, 1.0);
  closedLoopMaf = IntBox("ClosedLoopMaf", 0, 256, defaults.closedLoopMaf);
  filtersForm->addRow(label(OwnMessage::kLambdaBand), bandPercent);
  filtersForm->addRow(label(OwnMessage::kLambdaClosedLoopBelow), closedLoopMaf);

  // Autotune's own settings, beside those it shares with the correction.
  const AutotuneSettings autotune;
  autotuneInterval =
      RealBox("AutotuneInterval", 1.0, 60.0, autotune.pushIntervalMs / 1000.0, 1, 1.0);
  autotuneCapPercent = RealBox("AutotuneCapPercent", 0.0, 100.0, autotune.capPercent, 1, 1.0);
  autotuneCapCounts = IntBox("AutotuneCapCounts", 1, 255, autotune.capCounts);
  autotuneAuthority = RealBox("AutotuneAuthority", 0.0, 100.0, autotune.authorityPercent, 1, 1.0);
  QGroupBox* autotuneGroup = group("AutotuneGroup", OwnMessage::kAutotuneGroup);
  auto* autotuneForm = new QFormLayout(autotuneGroup);
  autotuneForm->addRow(label(OwnMessage::kAutotuneInterval), autotuneInterval);
  autotuneForm->addRow(label(OwnMessage::kAutotuneCapPercent), autotuneCapPercent);
  autotuneForm->addRow(label(OwnMessage::kAutotuneCapCounts), autotuneCapCounts);
  autotuneForm->addRow(label(OwnMessage::kAutotuneAuthority), autotuneAuthority);

  // What is analysed.
  frameOnScreen = Named(new QRadioButton, "FrameOnScreen");
  wholeRecording = Named(new QRadioButton, "WholeRecording");
  frameOnScreen->setChecked(true);
  captions_.emplace_back(frameOnScreen, static_cast<int>(OwnMessage::kLambdaFrame));
  captions_.emplace_back(wholeRecording, static_cast<int>(OwnMessage::kLambdaWhole));
  QGroupBox* scopeGroup = group("ScopeGroup", OwnMessage::kLambdaScopeGroup);
  auto* scopeRow = new QHBoxLayout(scopeGroup);
  scopeRow->addWidget(frameOnScreen);
  scopeRow->addWidget(wholeRecording);

  auto* left = new QVBoxLayout;
  for (QGroupBox* box :
       {sensorGroup, targetGroup, limitsGroup, filtersGroup, autotuneGroup, scopeGroup})
    left->addWidget(box);
  left->addStretch(1);

  // The chart: output counts on the left axis, lambda on the right; under
  // it, over the same MAF, a strip coloured by each cell's state.
  chart = Named(new QCustomPlot, "LambdaChart");
  chart->setMinimumSize(560, 380);
  chart->yAxis2->setVisible(true);
  chart->xAxis->setRange(0, 255);
  chart->yAxis->setRange(0, 260);
  chart->yAxis2->setRange(0.6, 1.5);
  chart->xAxis->setLabel(QStringLiteral("MAF"));
  rejected = Graph(chart, chart->yAxis2, QColor(200, 200, 200), false);
  accepted = Graph(chart, chart->yAxis2, QColor(70, 130, 220), false);
  targetLine = Graph(chart, chart->yAxis2, QColor(40, 160, 60), true);
  targetLine->setPen(QPen(QColor(40, 160, 60), 1, Qt::DashLine));
  // The table under the proposal, wider, so that both show where they agree.
  tableCurve = Graph(chart, chart->yAxis, QColor(30, 30, 30), true);
  tableCurve->setPen(QPen(QColor(30, 30, 30), 4));
  proposalCurve = Graph(chart, chart->yAxis, QColor(230, 40, 30), true);
  for (QCPGraph* graph : {rejected, accepted}) graph->setAdaptiveSampling(true);
  chart->legend->setVisible(true);
  chart->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
  chart->setMouseTracking(true);
  stateStrip = new QCPAxisRect(chart);
  chart->plotLayout()->addElement(1, 0, stateStrip);
  chart->plotLayout()->setRowStretchFactor(1, 0.001);
  stateStrip->setMinimumSize(0, 16);
  stateStrip->setMaximumSize(QWIDGETSIZE_MAX, 16);
  stateStrip->setAutoMargins(QCP::msLeft | QCP::msRight);
  stateStrip->setMargins(QMargins(0, 2, 0, 6));
  auto* margins = new QCPMarginGroup(chart);
  chart->axisRect()->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
  stateStrip->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
  QCPAxis* stripX = stateStrip->axis(QCPAxis::atBottom);
  QCPAxis* stripY = stateStrip->axis(QCPAxis::atLeft);
  stripX->setRange(chart->xAxis->range());
  stripY->setRange(0, 1);
  for (QCPAxis* axis : {stripX, stripY}) {
    axis->setTicks(false);
    axis->setTickLabels(false);
    axis->grid()->setVisible(false);
  }
  QObject::connect(chart->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), stripX,
                   qOverload<const QCPRange&>(&QCPAxis::setRange));
  for (int state = 0; state < kLambdaStripBands; ++state) {
    QCPBars* bars = new QCPBars(stripX, stripY);
    bars->setWidth(1.0);
    bars->setPen(Qt::NoPen);
    bars->setBrush(StateColour(state));
    bars->removeFromLegend();
    stateBars[static_cast<std::size_t>(state)] = bars;
  }
  stateLegend = Named(new QLabel, "StateLegend");
  stateLegend->setWordWrap(true);

  // The delay over MAF: the curve in use, the estimate's bands and how sure
  // each is.
  delayChart = Named(new QCustomPlot, "DelayChart");
  delayChart->setMinimumSize(300, 150);
  delayChart->setMaximumWidth(380);
  delayChart->xAxis->setRange(0, 255);
  delayChart->xAxis->setLabel(QStringLiteral("MAF"));
  delayChart->yAxis->setRange(0, 800);
  delayChart->yAxis2->setVisible(true);
  delayChart->yAxis2->setRange(0, 100);
  for (QCPAxis* axis : {delayChart->xAxis, delayChart->yAxis, delayChart->yAxis2}) {
    QFont small = axis->tickLabelFont();
    // A font given in pixels has no point size.
    if (small.pointSizeF() > 0)
      small.setPointSizeF(small.pointSizeF() * 0.85);
    else if (small.pixelSize() > 0)
      small.setPixelSize(std::max(1, small.pixelSize() * 85 / 100));
    axis->setTickLabelFont(small);
    axis->setLabelFont(small);
  }
  delaySure = new QCPBars(delayChart->xAxis, delayChart->yAxis2);
  delaySure->setWidth(6);
  delaySure->setPen(Qt::NoPen);
  delaySure->setBrush(QColor(240, 190, 90, 150));
  delayCurve = delayChart->addGraph(delayChart->xAxis, delayChart->yAxis);
  delayCurve->setPen(QPen(QColor(70, 130, 220), 2));
  delayPoints = delayChart->addGraph(delayChart->xAxis, delayChart->yAxis);
  delayPoints->setLineStyle(QCPGraph::lsNone);
  delayPoints->setScatterStyle(
      QCPScatterStyle(QCPScatterStyle::ssDisc, QColor(30, 30, 30), QColor(30, 30, 30), 6));
  auto* delayCaption = new QLabel;
  delayCaption->setWordWrap(true);
  captions_.emplace_back(delayCaption, static_cast<int>(OwnMessage::kLambdaDelayChart));

  cellHint = Named(new QLabel, "CellHint");
  cellHint->setWordWrap(true);
  summary = Named(new QLabel, "Summary");
  summary->setWordWrap(true);
  summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary->setMinimumHeight(80);
  summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  apply = Named(new QPushButton, "ApplyLambda");
  applySelected = Named(new QPushButton, "ApplySelected");
  captions_.emplace_back(apply, static_cast<int>(OwnMessage::kLambdaApply));
  captions_.emplace_back(applySelected, static_cast<int>(OwnMessage::kLambdaApplySelected));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(applySelected);
  buttons->addWidget(apply);

  auto* delayColumn = new QVBoxLayout;
  delayColumn->addWidget(delayChart, 1);
  delayColumn->addWidget(delayCaption);
  auto* below = new QHBoxLayout;
  below->addWidget(summary, 1);
  below->addLayout(delayColumn);

  auto* right = new QVBoxLayout;
  right->addWidget(chart, 1);
  right->addWidget(stateLegend);
  right->addWidget(cellHint);
  right->addLayout(below);
  right->addLayout(buttons);

  // The settings scroll where the window is lower than they are.
  auto* leftPane = new QWidget;
  leftPane->setLayout(left);
  auto* leftScroll = Named(new QScrollArea, "Settings");
  leftScroll->setWidget(leftPane);
  leftScroll->setWidgetResizable(true);
  leftScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  leftScroll->setFrameShape(QFrame::NoFrame);
  leftScroll->setFixedWidth(390);
  auto* whole = new QHBoxLayout(this);
  whole->addWidget(leftScroll);
  whole->addLayout(right, 1);

  ApplyCaptions(MessageTexts());
}

void LambdaFixWindow::ApplyCaptions(const MessageTexts& messages) {
  setWindowTitle(messages.Own(OwnMessage::kLambdaFixCaption));
  for (const auto& [control, text] : captions_) {
    const QString caption = messages.Own(static_cast<OwnMessage>(text));
    if (auto* box = qobject_cast<QGroupBox*>(control)) {
      box->setTitle(caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      button->setText(caption);
    } else if (auto* text = qobject_cast<QLabel*>(control)) {
      text->setText(caption);
    }
  }
  sensor->setItemText(static_cast<int>(LambdaPreset::kCustom),
                      messages.Own(OwnMessage::kLambdaCustom));
  delayMode->setItemText(static_cast<int>(DelayMode::kAuto),
                         messages.Own(OwnMessage::kLambdaDelayAuto));
  delayMode->setItemText(static_cast<int>(DelayMode::kOne),
                         messages.Own(OwnMessage::kLambdaDelayOne));
  delayMode->setItemText(static_cast<int>(DelayMode::kIdleFull),
                         messages.Own(OwnMessage::kLambdaDelayIdleFull));
  for (QSpinBox* box : {smoothCells, fillGapCells})
    box->setSpecialValueText(messages.Own(OwnMessage::kLambdaNone));
  closedLoopMaf->setSpecialValueText(messages.Own(OwnMessage::kLambdaOff));
  // The states' colours, named.
  QStringList states;
  for (int state = 0; state < kLambdaStripBands; ++state) {
    const OwnMessage name =
        state == kLambdaStripFilled
            ? OwnMessage::kLambdaStripFilled
            : static_cast<OwnMessage>(static_cast<int>(OwnMessage::kLambdaStateNoData) + state);
    states << QStringLiteral("<span style=\"color:%1\">&#9632;</span>&nbsp;%2")
                  .arg(StateColour(state).name(), messages.Own(name).toHtmlEscaped());
  }
  stateLegend->setText(states.join(QStringLiteral(" &nbsp; ")));
  // The items keep their numbers; a value typed into the box stays as typed.
  const QString shown = stoich->currentText();
  const bool typed =
      stoich->currentIndex() < 0 || shown != stoich->itemText(stoich->currentIndex());
  stoich->setItemText(0, QStringLiteral("14.7"));
  stoich->setItemText(1, QStringLiteral("15.5 (%1)").arg(messages.Own(OwnMessage::kLambdaLpg)));
  stoich->setItemText(2, QStringLiteral("9.8 (E85)"));
  if (typed) stoich->setEditText(shown);
  tableCurve->setName(messages.Own(OwnMessage::kLambdaSeriesTable));
  proposalCurve->setName(messages.Own(OwnMessage::kLambdaSeriesProposal));
  accepted->setName(messages.Own(OwnMessage::kLambdaSeriesAccepted));
  rejected->setName(messages.Own(OwnMessage::kLambdaSeriesRejected));
  targetLine->setName(messages.Own(OwnMessage::kLambdaSeriesTarget));
  chart->yAxis->setLabel(messages.Own(OwnMessage::kLambdaAxisOutput));
  chart->yAxis2->setLabel(
      messages.Own(wbo->isChecked() ? OwnMessage::kLambdaAxisLambda : OwnMessage::kLambdaAxisO2));
  delayChart->yAxis->setLabel(messages.Own(OwnMessage::kLambdaAxisDelay));
  delayChart->yAxis2->setLabel(messages.Own(OwnMessage::kLambdaAxisSure));
  chart->replot(QCustomPlot::rpQueuedReplot);
  delayChart->replot(QCustomPlot::rpQueuedReplot);
}

QColor LambdaFixWindow::StateColour(int state) {
  // By LambdaCellState: no data, too few, unsteady, right, changed, closed
  // loop, locked; then filled.
  static const QColor kColours[kLambdaStripBands] = {
      QColor(225, 225, 225), QColor(250, 200, 90), QColor(235, 120, 40),  QColor(90, 180, 90),
      QColor(220, 50, 40),   QColor(150, 90, 200), QColor(110, 110, 110), QColor(240, 150, 150)};
  return kColours[std::clamp(state, 0, kLambdaStripBands - 1)];
}

bool LambdaFixWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) emit activated();
  return QWidget::event(event);
}

double LambdaFixWindow::StoichShown() const {
  static const QRegularExpression kNumber(QStringLiteral("^\\s*([0-9]+(?:[.,][0-9]*)?)"));
  const QRegularExpressionMatch match = kNumber.match(stoich->currentText());
  if (!match.hasMatch()) return 0.0;
  bool ok = false;
  const double value = match.captured(1).replace(',', '.').toDouble(&ok);
  return ok ? value : 0.0;
}

}  // namespace zelor
