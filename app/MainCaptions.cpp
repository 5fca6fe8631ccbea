// The main window's captions that the language file replaces: its lines 1 to
// 70, in the file's order.

#include "app/MainCaptions.h"

#include <qcustomplot.h>
#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <stdexcept>

#include "app/ZelorConfigurator.h"
#include "core/LanguageFile.h"

namespace zelor {
namespace {

enum class Kind {
  kControl,     // a label, check box, radio button, button or group box
  kTab,         // the header of the tab of that name
  kItem,        // a menu or popup item
  kLeftAxis,    // the left axis title of the chart of that name
  kBottomAxis,  // its bottom axis title
  kText,        // message text `number`
};

struct Target {
  Kind kind;
  const char* name;
  int number = 0;
  bool fitsItsText = false;  // a label sized to its caption, sized anew
};

constexpr Target kTargets[kMainCaptionLineCount] = {
    {Kind::kControl, "Label1"},
    {Kind::kTab, "TabTableGraph"},
    {Kind::kTab, "TabSheet3"},
    {Kind::kTab, "TabSheet2"},
    {Kind::kTab, "TabSheet4"},
    {Kind::kLeftAxis, "TableChart"},
    {Kind::kText, nullptr, kOutputValueCaption},
    {Kind::kControl, "GroupBox4"},
    {Kind::kControl, "GroupBox2"},
    {Kind::kControl, "Label13"},
    {Kind::kControl, "Label14"},  // 11
    {Kind::kControl, "Label15"},
    {Kind::kControl, "Label16"},
    {Kind::kControl, "Label10", 0, true},
    {Kind::kControl, "LabelRazreshenie"},
    {Kind::kLeftAxis, "LogChart"},
    {Kind::kBottomAxis, "LogChart"},
    {Kind::kText, nullptr, kResolutionWord},
    {Kind::kText, nullptr, kSecondsWord},
    {Kind::kText, nullptr, kTableWord},
    {Kind::kText, nullptr, kLambdaWord},  // 21
    {Kind::kText, nullptr, kEnrichmentWord},
    {Kind::kItem, "N26"},
    {Kind::kItem, "N10"},
    {Kind::kItem, "RAzreshenie"},
    {Kind::kItem, "ZakrepitRazreshenie"},
    {Kind::kItem, "Obuchenie"},
    {Kind::kItem, "N16"},
    {Kind::kItem, "N17"},
    {Kind::kItem, "LearnedCellsLock"},
    {Kind::kItem, "ResetAllLearnedCells"},  // 31
    {Kind::kItem, "VAF1"},
    {Kind::kItem, "N23"},
    {Kind::kItem, "N24"},
    {Kind::kItem, "N25"},
    {Kind::kItem, "N27"},
    {Kind::kItem, "N28"},
    {Kind::kControl, "Label4"},
    {Kind::kControl, "WBO"},
    {Kind::kControl, "CheckBoxLearnTable"},
    {Kind::kControl, "ObuchenieRadioButtons_0"},  // 41
    {Kind::kControl, "ObuchenieRadioButtons_1"},
    {Kind::kControl, "ButtonStart"},
    {Kind::kControl, "ButtonStop"},
    {Kind::kControl, "GroupBox3"},
    {Kind::kControl, "Label18"},
    {Kind::kControl, "GroupBox1"},
    {Kind::kControl, "BeepCheckBox"},
    {Kind::kControl, "Button1"},
    {Kind::kControl, "Label11"},
    {Kind::kControl, "Label12"},  // 51
    {Kind::kItem, "N1"},
    {Kind::kItem, "N2"},
    {Kind::kItem, "N3"},
    {Kind::kItem, "N4"},
    {Kind::kItem, "N5"},
    {Kind::kItem, "N9"},
    {Kind::kItem, "N12"},
    {Kind::kItem, "N13"},
    {Kind::kItem, "N11"},
    {Kind::kItem, "N14"},  // 61
    {Kind::kItem, "N111"},
    {Kind::kItem, "N112"},
    {Kind::kItem, "N6"},
    {Kind::kItem, "N7"},
    {Kind::kItem, "N8"},
    {Kind::kItem, "N18"},
    {Kind::kItem, "N19"},
    {Kind::kItem, "N20"},
    {Kind::kItem, "N22"},
};

const Target& TargetOfLine(int line) {
  if (line < 1 || line > kMainCaptionLineCount)
    throw std::out_of_range("caption line " + std::to_string(line) + " is not the main window's");
  return kTargets[line - 1];
}

// The one object of type T named name in the window; a name that is missing
// or not unique is a fault of the target table.
template <class T>
T* Unique(const QObject& window, const char* name) {
  const QList<T*> found = window.findChildren<T*>(QString::fromLatin1(name));
  if (found.size() != 1)
    throw std::logic_error(std::string("caption target ") + name + " found " +
                           std::to_string(found.size()) + " times");
  return found.front();
}

QCPAxis* Axis(const QObject& window, const Target& target) {
  auto* chart = Unique<QCustomPlot>(window, target.name);
  return target.kind == Kind::kLeftAxis ? chart->yAxis : chart->xAxis;
}

}  // namespace

QString CaptionOfLine(TForm1& form, int line) {
  const Target& target = TargetOfLine(line);
  switch (target.kind) {
    case Kind::kControl: {
      QWidget* control = Unique<QWidget>(form, target.name);
      if (auto* box = qobject_cast<QGroupBox*>(control)) return box->title();
      if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
      return Unique<QLabel>(form, target.name)->text();
    }
    case Kind::kTab:
      return form.PageControl1()->tabText(
          form.PageControl1()->indexOf(Unique<QWidget>(form, target.name)));
    case Kind::kItem: return Unique<QAction>(form, target.name)->text();
    case Kind::kLeftAxis:
    case Kind::kBottomAxis: return Axis(form, target)->label();
    case Kind::kText: return form.Messages().Text(target.number);
  }
  return {};
}

void SetCaptionOfLine(TForm1& form, int line, const QString& caption) {
  const Target& target = TargetOfLine(line);
  switch (target.kind) {
    case Kind::kControl: {
      QWidget* control = Unique<QWidget>(form, target.name);
      if (auto* box = qobject_cast<QGroupBox*>(control)) {
        box->setTitle(caption);
      } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(caption);
      } else {
        QLabel* label = Unique<QLabel>(form, target.name);
        label->setText(caption);
        if (target.fitsItsText) label->adjustSize();
      }
      break;
    }
    case Kind::kTab:
      form.PageControl1()->setTabText(
          form.PageControl1()->indexOf(Unique<QWidget>(form, target.name)), caption);
      break;
    case Kind::kItem: Unique<QAction>(form, target.name)->setText(caption); break;
    case Kind::kLeftAxis:
    case Kind::kBottomAxis: {
      QCPAxis* axis = Axis(form, target);
      axis->setLabel(caption);
      axis->parentPlot()->replot(QCustomPlot::rpQueuedReplot);
      break;
    }
    case Kind::kText: form.Messages().SetText(target.number, caption); break;
  }
}

void ApplyCaptions(TForm1& form, int first, int last, CaptionLines& captions) {
  for (int line = first; line <= last; ++line) {
    const std::optional<QString> caption = captions.Next();
    if (!caption) return;
    SetCaptionOfLine(form, line, *caption);
  }
}

void SetWebAddress(TForm1& form, const QString& address) {
  QLabel* label = Unique<QLabel>(form, "Label7");
  label->setText(address);
  label->setToolTip(address);
}

}  // namespace zelor
