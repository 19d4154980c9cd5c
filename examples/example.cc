#include <iostream>
#include <primal/primal.h>

int main() {
    // (x1 or x2) and (not x1 or x3): each prime as it is found, then the counts.
    primal::Figures f = primal::enumerate({{1, 2}, {-1, 3}}, primal::Query(), [](bool implicant, const std::vector<int>& lits) {
        std::cout << (implicant ? "implicant" : "implicate");
        for (int l : lits) std::cout << ' ' << l;
        std::cout << '\n';
        return true;  // false stops the run
    });
    std::cout << f.implicants << " implicants, " << f.implicates << " implicates\n";
}
