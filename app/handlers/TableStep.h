#pragma once
#include "app/ZelorConfigurator.h"

namespace zelor {

// What a command changes in the table while one lives is one step of the
// history; changes made before it (a live-learning run so far) are committed
// first.
class TableStep {
 public:
  explicit TableStep(TForm1& form) : form_(form) { form_.CommitTableStep(); }
  ~TableStep() { form_.CommitTableStep(); }
  TableStep(const TableStep&) = delete;
  TableStep& operator=(const TableStep&) = delete;

 private:
  TForm1& form_;
};

}  // namespace zelor
