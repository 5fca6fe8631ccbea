#include "compare/CompareText.h"

#include <QLocale>
#include <cmath>

namespace zelor {

QString CompareCaption(const QString& command, const QString& label) {
  return QStringLiteral("Zelor ") + command + QLatin1Char(' ') + label;
}

QString ChartValueText(double value) {
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
    return QString::number(static_cast<qint64>(value));
  return QLocale().toString(value, 'g', QLocale::FloatingPointShortest);
}

QString CompareHintPanelText(int x, const QString& tab1, const QString& tab2) {
  return QStringLiteral("MAF= %1    Tab1=%2    Tab2=%3").arg(x).arg(tab1, tab2);
}

QString CompareHintLabelText(int x, const QString& tab1, const QString& tab2) {
  return QStringLiteral("MAF= %1\n\r   Tab1=%2\n\r   Tab2=%3").arg(x).arg(tab1, tab2);
}

}  // namespace zelor
