#pragma once
// The user's decimal separator, which the panel's, the grid's and the lambda
// correction's figures use.

#include <QString>

namespace zelor {

// The user's own decimal separator (the system locale's, not the program's
// Russian one); '.' where it is not one ASCII character.
char UserDecimalSeparator();

// value with `decimals` digits after the user's decimal separator.
QString DecimalText(double value, int decimals);

}  // namespace zelor
