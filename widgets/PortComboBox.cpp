#include "widgets/PortComboBox.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>

namespace zelor {

PortComboBox::PortComboBox(Source source, QWidget* parent)
    : QComboBox(parent), source_(std::move(source)) {
  setEditable(false);
  connect(this, &QComboBox::currentTextChanged, this, [this] { FitBoxWidth(); });
}

void PortComboBox::Reread() {
  QStringList names = source_ ? source_() : QStringList();
  const QString chosen = currentIndex() >= 0 ? currentText() : QString();
  if (!chosen.isEmpty() && !names.contains(chosen)) names.append(chosen);
  QStringList shown;
  for (int i = 0; i < count(); ++i) shown.append(itemText(i));
  if (names != shown) {
    // The entries are replaced quietly: the chosen one comes back chosen,
    // and the box's own signals would tell of a change that is none.
    const QSignalBlocker quiet(this);
    clear();
    addItems(names);
    setCurrentIndex(chosen.isEmpty() ? -1 : findText(chosen));
  }
  ShowDescriptions();
  FitListWidth();
}

void PortComboBox::ShowDescriptions() {
  if (!descriptions_) return;
  // Asked anew even when the names stayed: another adapter may have taken a
  // port's name.
  const QHash<QString, QString> described = descriptions_();
  for (int i = 0; i < count(); ++i) setItemData(i, described.value(itemText(i)), Qt::ToolTipRole);
}

void PortComboBox::FitListWidth() {
  int widest = 0;
  const QFontMetrics metrics = view()->fontMetrics();
  for (int i = 0; i < count(); ++i)
    widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
  // The item's margins, the list's frame and room for its scroll bar.
  const int room = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view()) +
                   2 * view()->frameWidth() + view()->verticalScrollBar()->sizeHint().width() + 12;
  view()->setMinimumWidth(std::max(width(), widest + room));
}

void PortComboBox::FitBoxWidth() {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QSize text(fontMetrics().horizontalAdvance(currentText()), fontMetrics().height());
  const int needed = style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, this).width();
  if (needed > width()) resize(needed, height());
}

void PortComboBox::showPopup() {
  Reread();
  QComboBox::showPopup();
}

}  // namespace zelor
