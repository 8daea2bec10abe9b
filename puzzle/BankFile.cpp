#include "puzzle/BankFile.h"

#include "gq/Error.h"

#include <fstream>

namespace gq::puzzle
{

std::vector<BankFileLine> ReadBankFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error("cannot open " + path);
    std::vector<BankFileLine> lines;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        const auto last = line.find_last_not_of(" \t\r");
        lines.push_back({number, line.substr(first, last - first + 1)});
    }
    if (in.bad())
        throw Error("cannot read " + path);
    return lines;
}

} // namespace gq::puzzle
