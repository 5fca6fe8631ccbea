#pragma once
// A control handed back with its objectName set, for building pages in one
// expression: Named(new QLabel(parent), "LabelMaf").

#include <QObject>
#include <QString>

namespace zelor {

template <class Control>
Control* Named(Control* control, const char* name) {
  control->setObjectName(QString::fromLatin1(name));
  return control;
}

}  // namespace zelor
