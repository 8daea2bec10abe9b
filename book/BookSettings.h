#pragma once

#include <string>

namespace gq::book
{

/// What a book run reads from its front end when it starts.
struct TBookSettings
{
    int LevelIndex = 0;      ///< 0..5: Very Easy, Easy, Standard, Hard, Expert, Extreme
    int PageCount = 20;      ///< puzzle pages, 1..200
    int PuzzlesPerPage = 1;  ///< 1, 2 or 4
    bool Candidates = false; ///< print candidate digits (one puzzle per page only)
    std::string PdfPath;     ///< where the book is written
    int Volume = 0;          ///< 0: no volume (the plain draw); N >= 1: volume N of the level
};

} // namespace gq::book
