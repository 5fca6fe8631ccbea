#include "learn/FrameLearner.h"

#include <algorithm>

namespace zelor {

bool FrameLearner::CellLocked(int maf) const {
  return lock_ && cells_.at(std::clamp(maf, 0, 255)) != 0;
}

void FrameLearner::MarkLearned(int maf) { cells_.at(std::clamp(maf, 0, 255)) = 1; }

}  // namespace zelor
