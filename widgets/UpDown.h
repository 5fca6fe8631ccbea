#pragma once
// A spin control: a pair of arrow buttons that hold an integer position within
// a range and write it as decimal text into an associated edit box (its
// buddy). The position is always brought into the range.

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace zelor {

class UpDown : public QWidget {
  Q_OBJECT
 public:
  UpDown(const QString& name, int minimum, int maximum, int position, QWidget* parent);

  // The edit box that shows the position; it is written at once.
  void SetBuddy(QLineEdit* buddy);

  int Position() const { return position_; }
  // Sets the position, clamped into the range; emits PositionChanged only
  // when the position really changes. The buddy always shows the position.
  void SetPosition(int position);

 signals:
  void PositionChanged(int position);

 private:
  int minimum_;
  int maximum_;
  int position_;
  QLineEdit* buddy_ = nullptr;
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace zelor
