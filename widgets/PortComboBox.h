#pragma once
// The port box: a drop-down list of port names to pick from. It reads the
// list again each time it opens, so that an adapter plugged in after start
// is there to pick, and its drop-down list is as wide as its longest name
// while the box keeps its own width. Reading the list is no choice: the
// entry chosen stays chosen, and only the user's pick (the box's
// `activated`) chooses a port. The box widens to show the entry chosen
// whole ("/dev/ttyUSB0" is wider than its designed width); it never
// narrows.

#include <QComboBox>
#include <QHash>
#include <QStringList>
#include <functional>

namespace zelor {

class PortComboBox final : public QComboBox {
 public:
  // `source` gives the port names, in the order to show.
  using Source = std::function<QStringList()>;
  PortComboBox(Source source, QWidget* parent);

  // Reads the list from the source. The chosen entry stays chosen, and in
  // the list even when the source no longer names it (its port may still be
  // open); nothing is chosen when nothing was.
  void Reread();
  void SetSource(Source source) { source_ = std::move(source); }
  // The adapters' names by port name ("USB-SERIAL CH340"), asked at each
  // reading of the list; each entry's tooltip shows its port's.
  using Descriptions = std::function<QHash<QString, QString>()>;
  void SetDescriptions(Descriptions descriptions) { descriptions_ = std::move(descriptions); }

  void showPopup() override;

 private:
  void FitListWidth();
  void FitBoxWidth();
  void ShowDescriptions();

  Source source_;
  Descriptions descriptions_;
};

}  // namespace zelor
