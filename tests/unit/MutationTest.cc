// Damaged input through the real binary: hundreds of mutants of small formulas (flipped,
// inserted and deleted bytes, truncation, huge numbers, garbage, gzip streams cut short or
// corrupted). Each run must end in a documented outcome, never a signal, a hang or a sanitizer
// report; a gzip stream that zlib finds damaged or cut short is refused before anything of it
// is used. Formulas written only with the liberties the reader allows (any whitespace, CR
// included, signs, leading zeros, comments), plain or gzip, must give the oracle's primes.
// The exact reader outcomes are checked by ReaderTest and the malformed corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <random>
#include <zlib.h>

#include "support/Oracle.h"
#include "support/Process.h"

using namespace testutil;

namespace {

constexpr int kMaxVar = (1 << 29) - 1;  // largest index the reader accepts

// The bytes the binary's reader sees: what zlib delivers until the first result <= 0; damaged
// is set when zlib reports an error on the way or when closing.
std::string throughZlib(const std::string& raw, bool& damaged) {
    gzFile in = gzdopen(memfdWith(raw), "rb");
    std::string seen, buf(65536, '\0');
    int k, code = Z_OK;
    while ((k = gzread(in, &buf[0], unsigned(buf.size()))) > 0) seen.append(buf, 0, size_t(k));
    gzerror(in, &code);
    damaged = k < 0 || code != Z_OK;
    damaged |= gzclose(in) != Z_OK;
    return seen;
}

std::string randomBytes(std::mt19937& rng, size_t k) {
    std::string s(k, '\0');
    for (char& c : s) c = char(rng());
    return s;
}

// f over 1..n with random whitespace, '+' signs, leading zeros and comments.
std::string render(std::mt19937& rng, const Cnf& f, int n) {
    static const char* const kWs[] = {" ", " ", "\t", "\r\n", "\n", " \v\f"};
    auto ws = [&] { return std::string(kWs[rng() % std::size(kWs)]); };
    auto num = [&](int v) {
        return (v < 0 ? "-" : rng() % 4 ? "" : "+") + std::string(rng() % 4 ? 0 : 1 + rng() % 3, '0') + std::to_string(std::abs(v));
    };
    std::string s = rng() % 2 ? "c n orig vars " + num(n) + ws() : "";
    if (rng() % 2) s += "c a comment\r\n";
    s += "p cnf" + ws() + num(n) + ws() + num(int(f.size())) + "\n";
    for (const std::vector<int>& c : f) {
        for (int l : c) s += num(l) + ws();
        s += num(0) + ws();
    }
    return s + (rng() % 3 ? "" : "c trailer");
}

std::string mutate(std::mt19937& rng, std::string s) {
    static const char* const kHuge[] = {"4294967296", "2147483647", "2147483648", "-2147483648", "-2147483649",
                                        "99999999999999999999999999999", "536870912", "-0000536870912",
                                        "536870911", "-536870911", "536870910", "0000000000000000000007"};
    static const std::string kBytes("0123456789-+ \n\r\tpc\0\xff", 20);
    static const char* const kSplices[] = {"p cnf ", "c n orig vars ", "p cnf 3 2\n", "c n orig vars 4\n", "c\n", "-", " 0 "};
    auto pick = [&](size_t k) { return size_t(rng() % k); };
    for (size_t ops = 1 + pick(3); ops > 0; ops--) switch (pick(7)) {
        case 0: if (!s.empty()) s[pick(s.size())] ^= char(1 << pick(8)); break;
        case 1: s.insert(pick(s.size() + 1), 1, pick(2) ? kBytes[pick(kBytes.size())] : char(rng())); break;
        case 2: if (!s.empty()) s.erase(pick(s.size()), 1 + pick(8)); break;
        case 3: s.resize(pick(s.size() + 1)); break;
        case 4: {  // a huge or odd number in place of a digit
            std::string num = kHuge[pick(std::size(kHuge))];
            size_t at = std::min(s.find_first_of("0123456789", pick(s.size() + 1)), s.size());
            s.replace(at, at < s.size() ? 1 : 0, at < s.size() ? num : " " + num + " ");
            break;
        }
        case 5: s.insert(pick(s.size() + 1), randomBytes(rng, 1 + pick(64))); break;
        default: s.insert(pick(s.size() + 1), kSplices[pick(std::size(kSplices))]); break;
    }
    return s;
}

struct Job {  // well_formed: must be read, and seen holds exactly the clauses cls over 1..n
    std::string raw, seen, path;
    bool via_file = false, well_formed = false, damaged = false;
    Cnf cls = {};
    int n = 0;
};

struct Tally { int accepted = 0, errors = 0, oracle = 0, gzip = 0, unreadable = 0; };

// The oracle over the variables that occur, numbered densely for it and mapped back: an index
// may be as large as the reader accepts.
PrimeSets sparseOracle(const Cnf& f) {
    std::vector<int> vars;
    for (const std::vector<int>& c : f)
        for (int l : c) vars.push_back(std::abs(l));
    std::sort(vars.begin(), vars.end());
    vars.erase(std::unique(vars.begin(), vars.end()), vars.end());
    Cnf dense = f;
    for (std::vector<int>& c : dense)
        for (int& l : c) l = (l < 0 ? -1 : 1) * int(std::lower_bound(vars.begin(), vars.end(), std::abs(l)) - vars.begin() + 1);
    std::vector<char> table(size_t(1) << vars.size());
    for (uint32_t a = 0; a < table.size(); a++) table[a] = satisfies(dense, a);
    return functionPrimes(table, vars);
}

void check(const Job& j, const RunResult& r, Tally& t) {
    SCOPED_TRACE("input as read (" + std::string(j.via_file ? "file" : "stdin") + (j.well_formed ? ", well-formed" : "") + "): " +
                 testing::PrintToString(j.seen.substr(0, 400)) + "\n--- stdout:\n" + r.out.substr(0, 2000) + "--- stderr:\n" + r.err.substr(0, 2000));
    ASSERT_FALSE(r.timed_out);
    ASSERT_EQ(r.signal, 0);
    for (const char* marker : {"ERROR: AddressSanitizer", "runtime error:", "LeakSanitizer"})
        ASSERT_EQ(r.err.find(marker), std::string::npos);
    if (j.damaged) {  // refused while reading: one line on standard error, nothing enumerated
        t.unreadable++;
        const std::string name = j.via_file ? j.path : "<stdin>", msg = "ERROR! Could not read file: " + name + ": ";
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, (j.via_file ? "" : kStdin) + "Formula :" + name + "\nNegated formula :\n");
        EXPECT_TRUE(r.err.compare(0, msg.size(), msg) == 0 && r.err.size() > msg.size() + 1 && r.err.find('\n') == r.err.size() - 1);
        return;
    }
    if (r.status == 3) {
        t.errors++;
        EXPECT_FALSE(j.well_formed) << "a well-formed input was rejected";
        EXPECT_EQ(r.out.find("Vars to test"), std::string::npos);  // stops while reading
        // One message ends standard output or is all of the error stream; the offending byte
        // may itself be a newline.
        const std::string& s = r.err.empty() ? r.out : r.err;
        const size_t at = r.err.empty() ? r.out.rfind("\nPARSE ERROR! ") + 1 : 0;  // npos + 1 fails below
        EXPECT_TRUE(s.compare(at, 13, "PARSE ERROR! ") == 0 && s.back() == '\n' && s.find('\n', at) + 2 >= s.size());
        EXPECT_EQ(r.out.find("PARSE ERROR"), r.err.empty() ? at : std::string::npos);
        return;
    }
    ASSERT_EQ(r.status, 0);
    t.accepted++;
    EXPECT_EQ(r.err, "");
    const bool unsat = r.out.find("\nFormula UNSAT...exiting\n") != std::string::npos;
    Primes imp, ate;
    parsePrimeLines(r.out, imp, ate);
    const std::string counts = "\nFinal Num Prime Implicant: " + std::to_string(imp.size()) +
                               "\nFinal Num Prime Implicate: " + std::to_string(ate.size()) + "\n";
    EXPECT_EQ(r.out.find(counts) != std::string::npos, !unsat);  // UNSAT: neither primes nor a report
    EXPECT_TRUE(!unsat || (imp.empty() && ate.empty()));
    EXPECT_TRUE(std::adjacent_find(imp.begin(), imp.end()) == imp.end() && std::adjacent_find(ate.begin(), ate.end()) == ate.end());
    if (!j.well_formed) return;
    t.oracle++;
    EXPECT_NE(r.out.find("\nVars to test: " + std::to_string(j.n) + "\n"), std::string::npos);
    PrimeSets want = sparseOracle(j.cls);
    EXPECT_EQ(unsat, want.implicants.empty());
    EXPECT_EQ(imp, want.implicants);
    EXPECT_EQ(ate, unsat ? Primes{} : want.implicates);
}

}  // namespace

TEST(Mutation, DamagedInputEndsInADocumentedOutcome) {
    std::mt19937 rng(20240611);
    std::vector<Job> jobs;
    // The largest accepted index, alone and among others: memory follows the occurring variables.
    jobs.push_back({"p cnf 536870911 1\n-536870911 0\n", "", "", false, true, false, {{-kMaxVar}}, kMaxVar});
    jobs.push_back({"1 2 0 536870911 -1 0\n", "", "", false, true, false, {{1, 2}, {kMaxVar, -1}}, kMaxVar});
    for (Job& j : jobs) j.seen = j.raw;
    const size_t count = kSanitized ? 300 : 420;  // a sanitized child costs about ten times more
    while (jobs.size() < count) {
        Job j;
        const int n = 1 + int(rng() % 8);
        j.cls = randomCnf(rng, n, int(rng() % unsigned(2 * n + 3)), 1 + int(rng() % 3));
        j.n = maxVar(j.cls);
        std::string text = render(rng, j.cls, n);
        j.well_formed = rng() % 4 == 0;
        if (!j.well_formed) text = rng() % 20 ? mutate(rng, text) : randomBytes(rng, 1 + rng() % 300);
        j.raw = text;
        if (rng() % 4 == 0) {  // gzip: intact, cut short, with flipped bits or with bytes after the stream
            j.raw = gzipBytes(text);
            const unsigned damage = j.well_formed ? 3 : rng() % 4;
            if (damage == 0) j.raw.resize(rng() % (j.raw.size() + 1));
            for (unsigned k = damage == 1 ? 1 + rng() % 3 : 0; k > 0; k--) j.raw[rng() % j.raw.size()] ^= char(1 << rng() % 8);
            if (damage == 2) j.raw += mutate(rng, "1 0\n");
        }
        j.seen = throughZlib(j.raw, j.damaged);
        j.via_file = rng() % 4 == 0;
        jobs.push_back(j);
    }

    Tally t;
    for (size_t i = 0; i < jobs.size() && !HasFailure(); i += 2) {  // two at a time; one failed story is enough
        std::unique_ptr<Child> kids[2];
        for (size_t k = 0; k < 2 && i + k < jobs.size(); k++) {
            Job& j = jobs[i + k];
            std::vector<std::string> args{"-print_all", kSanitized ? "-mem-lim=0" : "-mem-lim=64"};  // 0: no limit
            if (j.via_file) args.push_back(j.path = writeTempFile("mutant-" + std::to_string(k), j.raw));
            kids[k] = std::make_unique<Child>(primalBinary(), args);
            if (!j.via_file) kids[k]->write(j.raw);
            kids[k]->closeInput();
        }
        for (size_t k = 0; k < 2 && kids[k]; k++) {
            RunResult r = kids[k]->finish(kSanitized ? 60 : 20);
            if (jobs[i + k].raw.compare(0, 2, "\x1f\x8b") == 0) t.gzip++;
            check(jobs[i + k], r, t);
        }
    }
    std::printf("mutants: %zu, accepted %d (oracle-checked %d), parse errors %d, gzip %d, unreadable %d\n",
                jobs.size(), t.accepted, t.oracle, t.errors, t.gzip, t.unreadable);
    // The mix must exercise every road, or the test proves little.
    EXPECT_TRUE(t.accepted >= 80 && t.oracle >= 60 && t.errors >= 80 && t.gzip >= 60 && t.unreadable >= 20);
}
