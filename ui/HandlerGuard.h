#pragma once
// The GUI's default error handler. Every handler that the toolkit calls runs
// through Guarded(): an error raised inside ends that handler where it was
// raised and its message is shown in a message box; the program runs on.
// No exception ever unwinds through Qt's frames.

#include <exception>
#include <functional>
#include <utility>

class QObject;
class QWidget;

namespace zelor {

// Shows the message of an error that ended a handler. Never throws.
void ShowHandlerError(QWidget* owner, const char* message) noexcept;
// The same for error, once every place shower (ShowErrorPlaces) has shown
// where it arose, whichever window's handler it ended. Never throws.
void ShowHandlerError(QWidget* owner, const std::exception& error) noexcept;

// While window lives, show(error) runs before the message of every error
// that ends a handler: a window brings forward what the error is about (a
// table's cell) and leaves alone the errors that are not its own.
using ErrorPlaceShower = std::function<void(const std::exception& error)>;
void ShowErrorPlaces(QObject* window, ErrorPlaceShower show);

template <class Handler>
void Guarded(QWidget* owner, Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (const std::exception& error) {
    ShowHandlerError(owner, error);
  } catch (...) {
    ShowHandlerError(owner, "Unknown error");
  }
}

}  // namespace zelor
