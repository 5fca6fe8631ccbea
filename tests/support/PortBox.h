#pragma once
// Choosing a port in the main window's port box, as the user does.

#include <QComboBox>
#include <QString>
#include <QTest>

#include "app/ZelorConfigurator.h"

namespace zelor::testing {

// Selects port in the box "COM" and runs the port choice; false when the box
// does not offer it.
inline bool PickPort(TForm1& form, const QString& port) {
  auto* com = form.findChild<QComboBox*>(QStringLiteral("COM"));
  const int index = com ? com->findText(port) : -1;
  if (index < 0) return false;
  com->setCurrentIndex(index);
  emit com->activated(index);
  return true;
}

}  // namespace zelor::testing
