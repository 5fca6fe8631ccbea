#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace zelor {

// The cell an error of a cell's reader is about: the object that holds the
// table's cells (compared by address only, never read through) and the
// cell's MAF index. Empty for a text that is no cell's.
struct CellPlace {
  const void* table = nullptr;
  int index = -1;
};

// An error a cell's text raised, with the cell's place, so that the window
// holding the table can show the cell with the message.
class CellError : public std::runtime_error {
 public:
  CellError(const std::string& message, CellPlace place)
      : std::runtime_error(message), place_(place) {}
  const CellPlace& place() const { return place_; }

 private:
  CellPlace place_;
};

// A grid text that is not a number of the kind its reader expects.
// The message is UTF-8 and names the text.
class ConversionError : public CellError {
 public:
  // Builds the error with the given UTF-8 message, for the cell at place.
  explicit ConversionError(const std::string& message, CellPlace place = {})
      : CellError(message, place) {}
};

// A cell that holds a valid integer outside 0..255, met by a writer that
// stores bytes (converter write, file save). The message names the cell's
// MAF index and its text.
class CellRangeError : public CellError {
 public:
  // Builds the error for cell `index` of table holding `text`, with the
  // given message.
  CellRangeError(int index, std::string text, const std::string& message,
                 const void* table = nullptr)
      : CellError(message, {table, index}), text_(std::move(text)) {}

  // MAF index of the offending cell.
  int index() const { return place().index; }

  // The cell's text as it stood in the grid.
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// The integer reader of the grid. Accepted is exactly: an optional '+' or
// '-', then one or more ASCII digits '0'..'9', and nothing else (no blanks
// anywhere, no hex prefix, no decimal point, no exponent), with a value that
// fits a signed 32-bit integer. Leading zeros are allowed ("007" is 7).
// Returns the value; anything else throws
// ConversionError("'<text>' is not a valid integer value") with place.
int ParseInteger(const std::string& text, CellPlace place = {});

// The value ParseInteger reads from text, or none where it would throw.
std::optional<int> IntegerOf(std::string_view text);

// The number reader of the chart curves. Accepted is exactly: an optional
// '+' or '-', one or more ASCII digits, optionally one decimal separator
// ('.' or ',') followed by one or more digits, optionally an exponent ('e' or
// 'E', an optional sign, one or more digits); no blanks anywhere. A value
// too large or too small in magnitude for a double is refused as well.
// Returns the value; anything else throws
// ConversionError("'<text>' is not a valid floating point value") with
// place.
double ParseNumber(const std::string& text, CellPlace place = {});

// The refusal text for cell `index` holding `text` whose value lies outside
// 0..255; Russian, or English when `english` is true.
std::string CellRangeMessage(int index, const std::string& text, bool english);

// The byte stored for cell `index` holding `text`: the text read by
// ParseInteger (which may throw ConversionError), then a value outside
// 0..255 refused with CellRangeError, its message in English when `english`
// is true. The caller passes the language of the program's messages
// (MessageTexts::English()), which owns it. Both errors carry the cell's
// place in table.
std::uint8_t CellByte(int index, const std::string& text, bool english,
                      const void* table = nullptr);

// The byte CellByte stores for text, or none where it would refuse it (text
// that is not an integer, or one outside 0..255).
std::optional<std::uint8_t> CellByteOf(std::string_view text);

}  // namespace zelor
