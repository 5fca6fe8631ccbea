#pragma once
// The controls of the main window's panel tab, found by their objectName as
// the language file finds them (the panel keeps them private).

#include <qcustomplot.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QWidget>

#include "widgets/BarGauge.h"
#include "widgets/UpDown.h"

namespace zelor::testing {

struct PanelControls {
  // form: the main window; the panel's controls are looked for on its tab
  // "TabSheet4" alone (the log chart's series bear some of the same names).
  explicit PanelControls(const QObject& form)
      : tab(form.findChild<QWidget*>(QStringLiteral("TabSheet4"))) {}

  template <class Control>
  Control* Find(const char* name) const {
    auto* control = tab ? tab->findChild<Control*>(QString::fromLatin1(name)) : nullptr;
    if (!control) qFatal("the panel has no control %s", name);
    return control;
  }

  QWidget* tab;
  BarGauge* MAF = Find<BarGauge>("MAF");
  BarGauge* VAF = Find<BarGauge>("VAF");
  BarGauge* Konv = Find<BarGauge>("Konv");
  BarGauge* O2 = Find<BarGauge>("O2");
  QLineEdit* MAFTextBox = Find<QLineEdit>("MAFTextBox");
  QLineEdit* VAFTextBox = Find<QLineEdit>("VAFTextBox");
  QLineEdit* KonvTextBox = Find<QLineEdit>("KonvTextBox");
  QLineEdit* O2TextBox = Find<QLineEdit>("O2TextBox");
  QCheckBox* WBO = Find<QCheckBox>("WBO");
  QCheckBox* CheckBoxInsertCell = Find<QCheckBox>("CheckBoxInsertCell");
  QCheckBox* CheckBoxKonvMaf = Find<QCheckBox>("CheckBoxKonvMaf");
  QCustomPlot* InsertCellChart = Find<QCustomPlot>("InsertCellChart");
  QCPGraph* Tab = Find<QCPGraph>("Tab");
  QCPGraph* VAF_MAF = Find<QCPGraph>("VAF_MAF");
  QCPGraph* Konv_MAF = Find<QCPGraph>("Konv_MAF");
  QCPGraph* CorrBeg = Find<QCPGraph>("CorrBeg");
  QCPGraph* CorrEnd = Find<QCPGraph>("CorrEnd");
  QPushButton* ButtonStart = Find<QPushButton>("ButtonStart");
  QPushButton* ButtonStop = Find<QPushButton>("ButtonStop");
  QCheckBox* CheckBoxLearnTable = Find<QCheckBox>("CheckBoxLearnTable");
  // The learning modes: 0 fast, 1 slow.
  QRadioButton* Obuchenie[2] = {Find<QRadioButton>("ObuchenieRadioButtons_0"),
                                Find<QRadioButton>("ObuchenieRadioButtons_1")};
  QGroupBox* GroupBox1 = Find<QGroupBox>("GroupBox1");
  QSlider* TrackBarMafNach = Find<QSlider>("TrackBarMafNach");
  QSlider* TrackBarMafKon = Find<QSlider>("TrackBarMafKon");
  QLineEdit* EditMafNach = Find<QLineEdit>("EditMafNach");
  QLineEdit* EditMafKon = Find<QLineEdit>("EditMafKon");
  QLineEdit* EditCorrection = Find<QLineEdit>("EditCorrection");
  UpDown* UpDown1 = Find<UpDown>("UpDown1");
  QCheckBox* BeepCheckBox = Find<QCheckBox>("BeepCheckBox");
  QLineEdit* Marker_Edit = Find<QLineEdit>("Marker_Edit");
};

}  // namespace zelor::testing
