#pragma once
// The user's decimal separator, which the panel's, the grid's and the lambda
// correction's figures use.

namespace zelor {

// The user's own decimal separator (the system locale's, not the program's
// Russian one); '.' where it is not one ASCII character.
char UserDecimalSeparator();

}  // namespace zelor
