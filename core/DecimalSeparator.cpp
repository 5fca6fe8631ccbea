#include "core/DecimalSeparator.h"

#include <QLocale>
#include <QString>

namespace zelor {

char UserDecimalSeparator() {
  const QString point = QLocale::system().decimalPoint();
  return point.size() == 1 && point[0].unicode() < 128 ? static_cast<char>(point[0].unicode())
                                                       : '.';
}

QString DecimalText(double value, int decimals) {
  static const char separator = UserDecimalSeparator();
  QString text = QString::number(value, 'f', decimals);
  if (separator != '.') text.replace(QLatin1Char('.'), QLatin1Char(separator));
  return text;
}

}  // namespace zelor
