#include "tools/Grader.h"

#include "puzzle/BankMeasure.h"

namespace gq::tools
{

namespace
{

static_assert(kTechniqueCount == puzzle::kTechniqueOrders);

puzzle::DifficultyMeasure MeasureOf(const GradeResult& grade)
{
    return {grade.HardestOrder(), grade.Steps[static_cast<int>(grade.Hardest)], grade.TotalSteps()};
}

} // namespace

std::uint32_t PackedDifficulty(const GradeResult& grade) { return MeasureOf(grade).Packed(); }

std::string DifficultyLine(const GradeResult& grade)
{
    return puzzle::FormatMeasureLine(MeasureOf(grade));
}

} // namespace gq::tools
