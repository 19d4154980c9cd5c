// Lists of variables as a user writes them on a command line: "1-4,9,12-20".
#ifndef PRIMAL_UTILS_VARLIST_H
#define PRIMAL_UTILS_VARLIST_H

#include <utility>
#include <vector>

namespace primal {

// Parses a variable list such as "1-4,9,12-20" (ranges ascending, numbers >= 1) into ranges;
// false when it is empty or malformed.
bool parseVarList(const char* text, std::vector<std::pair<int, int>>& out);

}  // namespace primal

#endif
