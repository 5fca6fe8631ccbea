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
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>

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
  resize(1180, 700);
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
  delayMs = IntBox("DelayMs", 0, 2000, 0, kLambdaSampleMs);
  estimateDelay = Named(new QPushButton, "EstimateDelay");
  captions_.emplace_back(estimateDelay, static_cast<int>(OwnMessage::kLambdaEstimate));
  auto* delayRow = new QHBoxLayout;
  delayRow->addWidget(delayMs, 1);
  delayRow->addWidget(estimateDelay);
  delayEstimate = Named(new QLabel, "DelayEstimate");
  delayEstimate->setWordWrap(true);
  QGroupBox* sensorGroup = group("SensorGroup", OwnMessage::kLambdaSensorGroup);
  auto* sensorForm = new QFormLayout(sensorGroup);
  sensorForm->addRow(wbo);
  sensorForm->addRow(label(OwnMessage::kLambdaPreset), sensor);
  sensorForm->addRow(pair);
  sensorForm->addRow(label(OwnMessage::kLambdaStoich), stoich);
  sensorForm->addRow(label(OwnMessage::kLambdaDelay), delayRow);
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

  // The chart: output counts on the left axis, lambda on the right.
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

  cellHint = Named(new QLabel, "CellHint");
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

  auto* right = new QVBoxLayout;
  right->addWidget(chart, 1);
  right->addWidget(cellHint);
  right->addWidget(summary);
  right->addLayout(buttons);

  auto* whole = new QHBoxLayout(this);
  auto* leftPane = new QWidget;
  leftPane->setLayout(left);
  leftPane->setFixedWidth(370);
  // The settings scroll on a screen too low for all of them.
  auto* leftScroll = Named(new QScrollArea, "SettingsScroll");
  leftScroll->setWidgetResizable(true);
  leftScroll->setWidget(leftPane);
  leftScroll->setFrameShape(QFrame::NoFrame);
  leftScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  leftScroll->setFixedWidth(370 + leftScroll->verticalScrollBar()->sizeHint().width());
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
  chart->replot(QCustomPlot::rpQueuedReplot);
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
