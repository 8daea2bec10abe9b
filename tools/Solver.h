#pragma once

// The exact solver lives with the technique solver; the bank tools use it under their own names.
#include "solve/Solver.h"
#include "tools/GridTables.h"
#include "tools/Rng.h"

namespace gq::tools
{
using solve::Solver;
} // namespace gq::tools
