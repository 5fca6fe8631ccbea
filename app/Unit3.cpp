#include "app/Unit3.h"

#include <QProgressBar>

#include "app/ZelorConfigurator.h"
#include "compare/CompareTables.h"

namespace zelor {

TForm3::TForm3(TForm1& form1, TForm2& form2) : QWidget(nullptr), form1_(form1), form2_(form2) {
  setObjectName(QStringLiteral("TForm3"));
  setWindowTitle(QStringLiteral("Запись"));
  // A title bar without buttons, above the other windows.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowStaysOnTopHint);
  setWindowOpacity(200.0 / 255.0);
  setFixedSize(524, 99);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  setFont(font);
  progressBar1_ = new QProgressBar(this);
  progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
  progressBar1_->setRange(0, 100);
  progressBar1_->setValue(0);
  progressBar1_->setGeometry(17, 17, 489, 65);
  FormCreate();
}

void TForm3::FormCreate() {
  // The language file is applied here, once all three windows exist; until a
  // language file is supported every text stays Russian.
  (void)form1_;
  (void)form2_;
}

void TForm3::ShowCentred() {
  const QRect main = form1_.frameGeometry();
  move(main.center() - QPoint(width() / 2, height() / 2));
  show();
  raise();
}

}  // namespace zelor
