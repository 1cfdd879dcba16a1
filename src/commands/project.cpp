#include "commands/project.h"

#include <cmath>

namespace gradix {

double computePi() { return 4.0 * std::atan(1.0); }

}  // namespace gradix
