#pragma once

#include <array>
#include <span>
#include <string_view>

namespace gq::puzzle
{

/// The five lists tk0..tk4 compiled into the program, in stored order. Generated at build time.
std::array<std::span<const std::string_view>, 5> BuiltInBankLists();

} // namespace gq::puzzle
