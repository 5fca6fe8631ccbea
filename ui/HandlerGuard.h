#pragma once
// The GUI's default error handler. Every handler that the toolkit calls runs
// through Guarded(): an error raised inside ends that handler where it was
// raised and its message is shown in a message box; the program runs on.
// No exception ever unwinds through Qt's frames.

#include <exception>
#include <utility>

class QWidget;

namespace zelor {

// Shows the message of an error that ended a handler. Never throws.
void ShowHandlerError(QWidget* owner, const char* message) noexcept;

template <class Handler>
void Guarded(QWidget* owner, Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (const std::exception& error) {
    ShowHandlerError(owner, error.what());
  } catch (...) {
    ShowHandlerError(owner, "Unknown error");
  }
}

}  // namespace zelor
