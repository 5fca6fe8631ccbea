#include "log/LogChartPage.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <cmath>
#include <limits>

#include "widgets/BreakingLabel.h"

namespace zelor {
namespace {

struct SeriesLook {
  const char* name;
  const char* item;
  const char* caption;
  QColor color;
  QCPScatterStyle::ScatterShape marker;
};

// In series order.
const SeriesLook kSeries[kLogSeriesCount] = {
    {"MAFSeries", "MAF1", "MAF", QColor(0x00, 0x80, 0xFF), QCPScatterStyle::ssCircle},
    {"VAFSeries", "VAF1", "VAF(лопата)", QColor(0x9A, 0x35, 0xFF), QCPScatterStyle::ssCircle},
    {"ConvSeries", "N23", "Выход Конвертера", QColor(0xFF, 0x8B, 0x53), QCPScatterStyle::ssCircle},
    {"TabSeries", "N24", "Рассчитанный по таблице", QColor(0xAE, 0x00, 0x00),
     QCPScatterStyle::ssCircle},
    {"O2Series", "N25", "Лямбда", QColor(0x00, 0xDD, 0x00), QCPScatterStyle::ssCircle},
    {"Marker", "N28", "Маркер", QColor(Qt::red), QCPScatterStyle::ssTriangleInverted},
    {"EnrichmentSeries", "N27", "Обогащение", QColor(Qt::yellow), QCPScatterStyle::ssTriangle},
};

// The popup lists the series items in this order (enrichment before the
// marker).
const LogSeries kItemOrder[kLogSeriesCount] = {
    kMafSeries, kVafSeries, kConvSeries, kTabSeries, kO2Series, kEnrichmentSeries, kMarkerSeries};

QAction* Item(QMenu* menu, const char* name, const char* caption, bool checkable = false,
              bool checked = false) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(QString::fromLatin1(name));
  action->setCheckable(checkable);
  action->setChecked(checked);
  return action;
}

// A submenu named name, its item too.
QMenu* SubMenu(QMenu* menu, const char* name, const char* caption) {
  QMenu* sub = menu->addMenu(QString::fromUtf8(caption));
  sub->setObjectName(QString::fromLatin1(name));
  sub->menuAction()->setObjectName(QString::fromLatin1(name));
  return sub;
}

// Height of the strip below the time axis's title that holds the
// resolution label and the learned-cells warning, clear of the time labels.
constexpr int kLabelStrip = 22;

// The swatch of a series' colour on its item in the popup menu, which also
// shows the item's check: a ticked square of the colour while the series
// is shown, the square's outline alone while it is hidden (a menu draws a
// checkable item's icon in place of its check box).
QIcon Swatch(const QColor& color) {
  constexpr int kSide = kSwatchSide;
  const QColor tick = color.lightness() > 140 ? Qt::black : Qt::white;
  QPixmap on(kSide, kSide);
  on.fill(color);
  {
    QPainter painter(&on);
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.drawRect(0, 0, kSide - 1, kSide - 1);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(tick, 2));
    painter.drawPolyline(QPolygonF({QPointF(3, 7), QPointF(6, 10), QPointF(11, 3.5)}));
  }
  QPixmap off(kSide, kSide);
  off.fill(Qt::transparent);
  {
    QPainter painter(&off);
    painter.setPen(QPen(color, 2));
    painter.drawRect(QRectF(1, 1, kSide - 2, kSide - 2));
  }
  QIcon icon;
  icon.addPixmap(on, QIcon::Normal, QIcon::On);
  icon.addPixmap(off, QIcon::Normal, QIcon::Off);
  return icon;
}

QLabel* MakeLabel(const char* name, const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

// A series' points that a plot can take back whole, so that the next plot
// writes into the memory of the last one instead of fresh pages.
class LogChartPage::SeriesPoints : public QCPGraphDataContainer {
 public:
  QVector<QCPGraphData> Take() {
    QVector<QCPGraphData> points;
    points.swap(mData);
    if (mPreallocSize > 0) points.remove(0, mPreallocSize);
    mPreallocSize = 0;
    mPreallocIteration = 0;
    return points;
  }
};

const std::array<double, 256>& EnrichmentPercents() {
  static const std::array<double, 256> percents = [] {
    std::array<double, 256> table{};
    for (int e = 0; e < 256; ++e) table[e] = EnrichmentPercent(static_cast<std::uint8_t>(e));
    return table;
  }();
  return percents;
}

LogChartPage::LogChartPage(QWidget* page) {
  chart_ = new LogChart(page);
  chart_->setGeometry(0, 0, 961, 485);
  for (int s = 0; s < kLogSeriesCount; ++s) {
    const SeriesLook& look = kSeries[s];
    QCPGraph* graph = chart_->addGraph();
    graph->setObjectName(QString::fromLatin1(look.name));
    graph->setName(QString::fromLatin1(look.name));
    graph->setPen(QPen(look.color, 2));
    graph->setAdaptiveSampling(true);
    const QPen outline = s <= kO2Series ? QPen(QColor(0xC0, 0xC0, 0xC0)) : QPen(look.color);
    // Markers 8 pixels across, as the hit test assumes.
    markers_[s] = QCPScatterStyle(look.marker, outline, QBrush(look.color), 2 * kMarkerReach);
    graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    containers_[s] = new SeriesPoints;
    graph->setData(QSharedPointer<QCPGraphDataContainer>(containers_[s]));
    series_[s] = graph;
  }

  labelRazreshenie_ = MakeLabel("LabelRazreshenie", "Разрешение:", chart_);
  labelRazreshenie_->setStyleSheet(QStringLiteral("color: white"));
  labelRazreshenie_->resize(300, 17);

  label9_ = MakeHintLabel(chart_, "Label9");

  label10_ = MakeLabel("Label10", "Внимание! Обученные ячейки заблокированны", chart_);
  QFont bold = label10_->font();
  bold.setBold(true);
  label10_->setFont(bold);
  label10_->setAutoFillBackground(true);
  QPalette warning = label10_->palette();
  warning.setColor(QPalette::Window, Qt::red);
  warning.setColor(QPalette::WindowText, Qt::white);
  label10_->setPalette(warning);
  label10_->adjustSize();
  label10_->hide();

  // Both labels keep to a strip of their own below the time axis, however
  // the chart is sized.
  chart_->xAxis->setPadding(kLabelStrip);
  placing_ = QObject::connect(chart_, &LogChart::resized, chart_, [this] { PlaceLabels(); });
  PlaceLabels();

  BuildPopup();
  chart_->SetPopup(popupMenu1_);
  // Lays the axes out now, so that pixel positions hold before the first
  // show.
  chart_->setViewport(chart_->rect());
  chart_->replot();
}

LogChartPage::~LogChartPage() { QObject::disconnect(placing_); }

void LogChartPage::PlaceLabels() {
  const int top = chart_->height() - kLabelStrip + 2;
  labelRazreshenie_->move(8, top);
  label10_->move(320, top);
}

void LogChartPage::BuildPopup() {
  popupMenu1_ = new QMenu(chart_);
  popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
  n26_ = Item(popupMenu1_, "N26", "Точки", true, false);
  n10_ = Item(popupMenu1_, "N10", "Подсказка", true, false);
  QMenu* resolution = SubMenu(popupMenu1_, "RAzreshenie", "Разрешение графиков");
  zakrepitRazreshenie_ = Item(resolution, "ZakrepitRazreshenie", "Закрепить разрешение", true);
  // Radio items that carry no check mark: the label below the chart shows
  // the resolution in force.
  for (int k = 0; k < kResolutionCount; ++k)
    resolutionItems_[k] = Item(resolution, kFixedResolutions[k].item, kFixedResolutions[k].caption);
  QMenu* learning = SubMenu(popupMenu1_, "Obuchenie", "Обучение по текущему фрейму ");
  Item(learning, "N16", "Обучить");
  // The modes are radio items; their handlers set the marks themselves.
  auto* modes = new QActionGroup(learning);
  modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  static const char* const kModes[kMaxMafConstCount][2] = {{"N21", "1 MAF=Const "},
                                                           {"N15", "2 MAF=Const"},
                                                           {"N3MAFConst1", "3 MAF=Const"},
                                                           {"N4MAFConst1", "4 MAF=Const"},
                                                           {"N5MAFConst1", "5 MAF=Const"}};
  for (int n = 0; n < kMaxMafConstCount; ++n) {
    mafConstItems_[n] = Item(learning, kModes[n][0], kModes[n][1], true, n == 0);
    modes->addAction(mafConstItems_[n]);
  }
  QMenu* learned = SubMenu(popupMenu1_, "N17", "Обученные ячейки таблицы");
  learnedCellsLock_ = Item(learned, "LearnedCellsLock", "Заблокировать", true, false);
  Item(learned, "ResetAllLearnedCells", "Сброс статуса \"обучено\"");
  for (LogSeries s : kItemOrder) {
    seriesItems_[s] = Item(popupMenu1_, kSeries[s].item, kSeries[s].caption, true, true);
    seriesItems_[s]->setIcon(Swatch(kSeries[s].color));
    seriesItems_[s]->setIconVisibleInMenu(true);
  }
}

std::array<QCPGraphData*, kLogSeriesCount> LogChartPage::TakePoints(std::int32_t n) {
  std::array<QCPGraphData*, kLogSeriesCount> out{};
  for (int s = 0; s < kLogSeriesCount; ++s) {
    points_[s] = containers_[s]->Take();
    points_[s].resize(n);
    out[s] = points_[s].data();
  }
  return out;
}

void LogChartPage::GivePoints(const std::array<std::int32_t, kLogSeriesCount>& made) {
  for (int s = 0; s < kLogSeriesCount; ++s) {
    points_[s].resize(made[s]);
    series_[s]->data()->set(points_[s], true);
    points_[s] = QVector<QCPGraphData>();  // the series holds the only reference
  }
  chart_->FitBottomAxis();
  chart_->replot(QCustomPlot::rpQueuedReplot);
}

std::pair<std::int32_t, std::int32_t> LogChartPage::AxisFrame() const {
  const QCPRange range = chart_->xAxis->range();
  return {SampleIndex(range.lower), SampleIndex(range.upper)};
}

std::optional<int> LogChartPage::PointAt(int series, QPoint pos) const {
  const QCPGraphDataContainer& data = *series_.at(series)->data();
  if (data.isEmpty()) return std::nullopt;
  const AxisMap x = ZoomChart::MapOf(chart_->xAxis);
  const AxisMap y = ZoomChart::MapOf(chart_->yAxis);
  // Only points within a marker's reach of the mouse, and the lines to
  // their neighbours, can be hit: the scan looks at those alone (keys grow
  // with pixels), and its first hit is the one a scan of all would find.
  const double reach = kMarkerReach + 1.0;
  auto begin = data.findBegin(x.ToValue(pos.x() - reach), true);
  auto end = data.findEnd(x.ToValue(pos.x() + reach), true);
  std::vector<double> xs;
  std::vector<double> ys;
  for (auto it = begin; it != end; ++it) {
    xs.push_back(it->key);
    ys.push_back(it->value);
  }
  const std::optional<int> hit =
      HitPoint(xs, ys, x, y, pos.x(), pos.y(), std::numeric_limits<int>::max());
  if (!hit) return std::nullopt;
  return static_cast<int>(begin - data.constBegin()) + *hit;
}

int LogChartPage::PointCount(int series) const { return series_.at(series)->dataCount(); }

double LogChartPage::Y(int series, int k) const {
  const QCPGraph* graph = series_.at(series);
  if (k < 0 || k >= graph->dataCount()) return std::numeric_limits<double>::quiet_NaN();
  return graph->data()->at(k)->value;
}

void LogChartPage::SetY(int series, int k, double y) {
  QCPGraph* graph = series_.at(series);
  if (k < 0 || k >= graph->dataCount()) return;
  (graph->data()->begin() + k)->value = y;
  chart_->replot(QCustomPlot::rpQueuedReplot);
}

AxisMap LogChartPage::XMap() const { return ZoomChart::MapOf(chart_->xAxis); }
AxisMap LogChartPage::YMap() const { return ZoomChart::MapOf(chart_->yAxis); }

std::optional<int> LogChartPage::PointAtTime(int series, double time) const {
  const QCPGraphDataContainer& data = *series_.at(series)->data();
  return PlottedPointAt(data.size(), time, [&data](int k) { return (data.constBegin() + k)->key; });
}

bool LogChartPage::LineShown(int series) const {
  return series_.at(series)->lineStyle() != QCPGraph::lsNone;
}

void LogChartPage::ShowLine(int series, bool shown) {
  series_.at(series)->setLineStyle(shown ? QCPGraph::lsLine : QCPGraph::lsNone);
  chart_->replot(QCustomPlot::rpQueuedReplot);
}

void LogChartPage::ShowMarkers(int series, bool shown) {
  series_.at(series)->setScatterStyle(shown ? markers_.at(series)
                                            : QCPScatterStyle(QCPScatterStyle::ssNone));
  chart_->replot(QCustomPlot::rpQueuedReplot);
}

bool LogChartPage::MarkersShown(int series) const {
  return !series_.at(series)->scatterStyle().isNone();
}

void LogChartPage::PlaceHint(QPoint pos) { label9_->move(pos.x() + 20, pos.y() - 15); }

void LogChartPage::ShowHint(const QString& text) {
  label9_->setText(text);
  label9_->adjustSize();
  label9_->show();
  label9_->raise();
}

}  // namespace zelor
