#include "ui/HandlerGuard.h"

#include <QPointer>
#include <QString>
#include <algorithm>
#include <vector>

#include "ui/UserDialogs.h"

namespace zelor {
namespace {

struct PlaceShower {
  QPointer<QObject> window;
  ErrorPlaceShower show;
};

std::vector<PlaceShower>& PlaceShowers() {
  static std::vector<PlaceShower> showers;
  return showers;
}

}  // namespace

void ShowHandlerError(QWidget* owner, const char* message) noexcept {
  try {
    Dialogs().ShowMessage(owner, QString::fromUtf8(message));
  } catch (...) {
    // Nothing sensible is left to do when even the message box fails.
  }
}

void ShowHandlerError(QWidget* owner, const std::exception& error) noexcept {
  try {
    std::vector<PlaceShower>& showers = PlaceShowers();
    std::erase_if(showers, [](const PlaceShower& s) { return s.window.isNull(); });
    // A copy: a shower may register or end a window.
    const std::vector<PlaceShower> now = showers;
    for (const PlaceShower& s : now) {
      try {
        if (s.window) s.show(error);
      } catch (...) {
        // The message matters more than where it arose.
      }
    }
  } catch (...) {
    // Without room for the copy: the message alone.
  }
  ShowHandlerError(owner, error.what());
}

void ShowErrorPlaces(QObject* window, ErrorPlaceShower show) {
  PlaceShowers().push_back({window, std::move(show)});
}

}  // namespace zelor
