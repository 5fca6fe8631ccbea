#pragma once
// A label for the charts' hints. Their texts break lines with LF CR, which a
// plain label draws as a line break followed by a blank at the start of the
// next line. The text is kept as it was set; what is drawn, and sized, takes
// each CR LF, LF CR, lone LF and lone CR as one line break.

#include <QLabel>

namespace zelor {

class BreakingLabel final : public QLabel {
 public:
  using QLabel::QLabel;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  int Flags() const;
  // The text as drawn: every line break as one LF.
  QString Shown() const;
};

// The charts' floating hint: a hidden BreakingLabel named name, bold, on the
// tooltip's colours.
BreakingLabel* MakeHintLabel(QWidget* parent, const char* name, const QString& text = {});

}  // namespace zelor
