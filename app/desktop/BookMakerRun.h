#pragma once

#include "app/desktop/BookRun.h"

namespace gq::app
{

/// The production book engine: a TBookMaker behind the window's seam. See BookRunFactory.
std::unique_ptr<IBookRun> MakeBookMakerRun(const std::string& pageStreamPath);

} // namespace gq::app
