#pragma once

#include <string>
#include <vector>

namespace gq::puzzle
{

/// One entry line of a bank list file, and where it stands.
struct BankFileLine
{
    int Number = 0;   ///< line number in the file, from 1
    std::string Text; ///< the entry with surrounding blanks stripped
};

/// Reads a bank list file (puzzle/bank/tk0.txt ..): blank lines and lines starting with '#' are
/// skipped, surrounding blanks and tabs (and a CR) are stripped, and every other line is one
/// entry. The entries are not checked. Throws gq::Error naming the path when it cannot be read.
std::vector<BankFileLine> ReadBankFile(const std::string& path);

} // namespace gq::puzzle
