#pragma once
// A vertical bar gauge over 0..255: a bar of the gauge's colour rising from
// the bottom on a black background, with no text.

#include <QColor>
#include <QWidget>

namespace zelor {

class BarGauge : public QWidget {
  Q_OBJECT
 public:
  BarGauge(const QString& name, const QColor& color, QWidget* parent);

  // The bar's colour while the gauge is disabled (its reading is stale).
  static constexpr QColor kGreyedColor{110, 110, 110};

  static constexpr int kMinimum = 0;
  static constexpr int kMaximum = 255;

  // The position, always within 0..255.
  int Progress() const { return progress_; }
  // Sets the position, clamping any value into 0..255; repaints on change.
  void SetProgress(int value);
  const QColor& Color() const { return color_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
  int progress_ = 0;
};

}  // namespace zelor
