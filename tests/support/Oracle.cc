#include "support/Oracle.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace testutil {

bool satisfies(const Cnf& f, uint32_t a) {
    for (const auto& c : f) {
        bool sat = false;
        for (int l : c) {
            bool v = (a >> (std::abs(l) - 1)) & 1;
            if ((l > 0) == v) {
                sat = true;
                break;
            }
        }
        if (!sat) return false;
    }
    return true;
}

bool isSatisfiable(const Cnf& f, int n) {
    for (uint32_t a = 0; a < (uint32_t(1) << n); a++)
        if (satisfies(f, a)) return true;
    return false;
}

// Terms in base 3: digit v-1 is 0 (v false), 1 (v true) or 2 (v free). all[t] tells whether
// every assignment of the cube t has the given truth value under f.
static std::vector<char> cubesAll(const std::vector<char>& is_model, int n, bool want) {
    size_t total = 1;
    for (int i = 0; i < n; i++) total *= 3;
    std::vector<char> all(total, 0);
    std::vector<size_t> pow3(size_t(n) + 1, 1);
    for (int i = 1; i <= n; i++) pow3[i] = pow3[i - 1] * 3;
    for (size_t t = 0; t < total; t++) {
        // Lowest free digit, if any.
        int free_digit = -1;
        uint32_t a = 0;
        size_t rest = t;
        for (int i = 0; i < n; i++, rest /= 3) {
            int d = int(rest % 3);
            if (d == 2 && free_digit < 0) free_digit = i;
            if (d == 1) a |= uint32_t(1) << i;
        }
        if (free_digit < 0) {
            all[t] = (is_model[a] != 0) == want;
        } else {
            size_t t0 = t - 2 * pow3[size_t(free_digit)], t1 = t - pow3[size_t(free_digit)];
            all[t] = all[t0] && all[t1];  // both smaller than t: already computed
        }
    }
    return all;
}

// Minimal cubes: every fixed digit, when freed, breaks the property.
static Primes minimalCubes(const std::vector<char>& all, int n, bool negate) {
    Primes out;
    std::vector<size_t> pow3(size_t(n) + 1, 1);
    for (int i = 1; i <= n; i++) pow3[i] = pow3[i - 1] * 3;
    for (size_t t = 0; t < all.size(); t++) {
        if (!all[t]) continue;
        bool minimal = true;
        std::vector<int> lits;
        size_t rest = t;
        for (int i = 0; i < n && minimal; i++, rest /= 3) {
            int d = int(rest % 3);
            if (d == 2) continue;
            size_t freed = t + (2 - size_t(d)) * pow3[size_t(i)];
            if (all[freed]) minimal = false;
            int lit = d == 1 ? i + 1 : -(i + 1);
            lits.push_back(negate ? -lit : lit);
        }
        if (!minimal) continue;
        std::sort(lits.begin(), lits.end());
        out.push_back(lits);
    }
    std::sort(out.begin(), out.end());
    return out;
}

PrimeSets bruteForcePrimes(const Cnf& f, int n) {
    std::vector<char> is_model(size_t(1) << n);
    for (uint32_t a = 0; a < (uint32_t(1) << n); a++) is_model[a] = satisfies(f, a);
    PrimeSets p;
    p.implicants = minimalCubes(cubesAll(is_model, n, true), n, false);
    // A clause is implied exactly when the cube of its negation holds no model.
    p.implicates = minimalCubes(cubesAll(is_model, n, false), n, true);
    return p;
}

Cnf randomCnf(std::mt19937& rng, int n, int m, int max_len, bool allow_empty) {
    Cnf f;
    std::uniform_int_distribution<int> len(allow_empty ? 0 : 1, max_len), var(1, n), coin(0, 1);
    for (int i = 0; i < m; i++) {
        std::vector<int> c;
        int k = len(rng);
        for (int j = 0; j < k; j++) c.push_back(coin(rng) ? var(rng) : -var(rng));
        f.push_back(c);
    }
    return f;
}

std::string toDimacs(const Cnf& f, int n) {
    std::ostringstream s;
    s << "p cnf " << n << " " << f.size() << "\n";
    for (const auto& c : f) {
        for (int l : c) s << l << " ";
        s << "0\n";
    }
    return s.str();
}

void parsePrimeLines(const std::string& out, Primes& implicants, Primes& implicates) {
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        bool imp = line.rfind("Prime Implicant:", 0) == 0, ate = line.rfind("Prime Implicate:", 0) == 0;
        if (!imp && !ate) continue;
        std::istringstream ls(line.substr(16));
        std::vector<int> lits;
        int l;
        while (ls >> l) lits.push_back(l);
        std::sort(lits.begin(), lits.end());
        (imp ? implicants : implicates).push_back(lits);
    }
    std::sort(implicants.begin(), implicants.end());
    std::sort(implicates.begin(), implicates.end());
}

}  // namespace testutil
