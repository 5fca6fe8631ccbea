#include "core/DecimalSeparator.h"

#include <QLocale>
#include <QString>

namespace zelor {

char UserDecimalSeparator() {
  const QString point = QLocale::system().decimalPoint();
  return point.size() == 1 && point[0].unicode() < 128 ? static_cast<char>(point[0].unicode())
                                                       : '.';
}

}  // namespace zelor
