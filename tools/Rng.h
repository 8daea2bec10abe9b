#pragma once

#include "solve/Rng.h"

namespace gq::tools
{
using solve::Rng;
} // namespace gq::tools
