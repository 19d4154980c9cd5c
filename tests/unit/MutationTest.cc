// Damaged input through the real binary: hundreds of mutants of small valid formulas (flipped,
// inserted and deleted bytes, truncation, huge numbers, garbage, CRLF, gzip streams cut short or
// corrupted). An independent model of the reader predicts each outcome from the bytes that zlib
// delivers: the exact syntax error on the right stream, or the formula read, whose primes are
// then checked against the brute-force oracle. No run may crash, hang or trip a sanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <random>
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include "support/Oracle.h"
#include "support/Process.h"

using namespace testutil;

namespace {

#ifdef __SANITIZE_ADDRESS__
constexpr bool kAsan = true;  // no address-space limit possible: keep variable counts small
#else
constexpr bool kAsan = false;
#endif
constexpr int64_t kMaxVar = (int64_t(1) << 29) - 1;  // largest index the reader accepts
constexpr int kCheapVars = 2000;  // more variables than this are skipped in the sanitized build
constexpr int kMemoutVars = 10000;  // well below what fills the 64 MB limit (about 40000)
const std::string kMismatch = "PARSE ERROR...vars in S.nVars different from the header vars number\n";
const std::string kMemout = "===============================================================================\n"
                            "INDETERMINATE _> MEMOUT OCCURRED\n";

struct Expect {
    bool error = false;
    std::string msg;  // the whole error line, or only its start when !exact
    bool exact = true, on_stdout = false;
    Cnf cls;
    int n = 0;
    bool mismatch = false;
};

// The reader's documented behaviour, written independently of src/.
class Model {
    const std::string& s;
    size_t pos = 0;
    struct Stop { std::string msg; bool exact, on_stdout; };

    int cur() const { return pos < s.size() ? static_cast<unsigned char>(s[pos]) : -1; }
    [[noreturn]] static void unexpected(int c, bool on_stdout) {
        throw Stop{std::string("PARSE ERROR! Unexpected char: ") + char(c & 0xff) + "\n", true, on_stdout};
    }
    void skipWs() {
        while (cur() == ' ' || (cur() >= 9 && cur() <= 13)) ++pos;
    }
    int integer() {
        skipWs();
        bool neg = cur() == '-';
        if (neg || cur() == '+') ++pos;
        if (cur() < '0' || cur() > '9') unexpected(cur(), false);
        uint64_t v = 0;
        for (; cur() >= '0' && cur() <= '9'; ++pos)
            if ((v = v * 10 + uint64_t(cur() - '0')) > uint64_t(INT32_MAX) + neg)
                throw Stop{"PARSE ERROR! Integer out of range: ", false, false};
        return int(neg ? -int64_t(v) : int64_t(v));
    }
    void skipLine() {
        while (cur() != -1 && cur() != '\n') ++pos;
        if (cur() == '\n') ++pos;
    }
    bool match(const char* w) {
        for (; *w; ++w, ++pos)
            if (cur() != *w) return false;
        return true;
    }

public:
    explicit Model(const std::string& bytes) : s(bytes) {}
    Expect run() {
        Expect e;
        int header = 0;
        try {
            for (skipWs(); cur() != -1; skipWs()) {
                if (cur() == 'p') {
                    if (!match("p cnf")) unexpected(cur(), true);
                    header = integer();
                    integer();
                } else if (cur() == 'c') {
                    if (match("c n orig vars")) integer();
                    else skipLine();  // from the first byte that differs
                } else {
                    std::vector<int> c;
                    for (int l; (l = integer()) != 0;) {
                        if (std::abs(int64_t(l)) > kMaxVar)
                            throw Stop{"PARSE ERROR! Variable index too large: " + std::to_string(l) + "\n", true, false};
                        c.push_back(l);
                    }
                    e.cls.push_back(c);
                    for (int l : c) e.n = std::max(e.n, std::abs(l));  // created once the clause is read
                }
            }
        } catch (Stop& st) {
            e.error = true, e.msg = st.msg, e.exact = st.exact, e.on_stdout = st.on_stdout;
        }
        e.mismatch = e.n != header;
        return e;
    }
};

std::string gzipBytes(const std::string& s) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, uLong(s.size())) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(s.data()));
    z.avail_in = uInt(s.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The bytes the binary's reader sees: what zlib delivers in 64 KiB reads until the first
// result <= 0 (a gzip stream cut short yields its decoded prefix, a damaged one maybe nothing).
std::string throughZlib(const std::string& raw) {
    int fd = memfd_create("mutant", 0);
    EXPECT_EQ(write(fd, raw.data(), raw.size()), ssize_t(raw.size()));
    lseek(fd, 0, SEEK_SET);
    gzFile in = gzdopen(fd, "rb");
    std::string seen, buf(65536, '\0');
    for (int k; (k = gzread(in, &buf[0], unsigned(buf.size()))) > 0;) seen.append(buf, 0, size_t(k));
    gzclose(in);
    return seen;
}

std::string baseFormula(std::mt19937& rng) {
    int n = 1 + int(rng() % 8);
    Cnf f = randomCnf(rng, n, int(rng() % unsigned(2 * n + 3)), 1 + int(rng() % 3));
    std::string s = rng() % 2 ? "c n orig vars " + std::to_string(n) + "\n" : "";
    if (rng() % 2) s += "c a comment\n";
    return s + toDimacs(f, n) + (rng() % 3 ? "" : "c trailer");
}

std::string mutate(std::mt19937& rng, std::string s) {
    static const char* const kHuge[] = {"4294967296", "2147483647", "2147483648", "-2147483648", "-2147483649",
                                        "99999999999999999999999999999", "536870912", "-0000536870912",
                                        "536870911", "-536870911", "536870910", "0000000000000000000007"};
    static const std::string kBytes("0123456789-+ \n\r\tpc\0\xff", 20);
    static const char* const kSplices[] = {"p cnf ", "c n orig vars ", "p cnf 3 2\n", "c n orig vars 4\n", "c\n", "-", " 0 "};
    auto pick = [&](size_t k) { return size_t(rng() % k); };
    for (size_t ops = 1 + pick(3); ops > 0; ops--) switch (pick(8)) {
        case 0: if (!s.empty()) s[pick(s.size())] ^= char(1 << pick(8)); break;
        case 1: s.insert(pick(s.size() + 1), 1, pick(2) ? kBytes[pick(kBytes.size())] : char(rng())); break;
        case 2: if (!s.empty()) s.erase(pick(s.size()), 1 + pick(8)); break;
        case 3: s.resize(pick(s.size() + 1)); break;
        case 4: {
            std::string num = kHuge[pick(std::size(kHuge))];
            long long v = std::llabs(std::strtoll(num.c_str(), nullptr, 10));
            if (kAsan && v <= kMaxVar && v > kCheapVars) num = num[0] == '-' ? "-1999" : "1999";  // small stand-in
            std::vector<size_t> starts;  // digit runs
            for (size_t i = 0; i < s.size(); i++)
                if (isdigit(static_cast<unsigned char>(s[i])) && (i == 0 || !isdigit(static_cast<unsigned char>(s[i - 1])))) starts.push_back(i);
            size_t at = starts.empty() ? pick(s.size() + 1) : starts[pick(starts.size())], len = 0;
            while (at + len < s.size() && isdigit(static_cast<unsigned char>(s[at + len]))) len++;
            s.replace(at, len, starts.empty() ? " " + num + " " : num);
            break;
        }
        case 5: {
            std::string junk(1 + pick(64), '\0');
            for (char& c : junk) c = char(rng());
            s.insert(pick(s.size() + 1), junk);
            break;
        }
        case 6:
            for (size_t i = s.find('\n'); i != std::string::npos; i = s.find('\n', i + 2)) s.insert(i, 1, '\r');
            break;
        default: s.insert(pick(s.size() + 1), kSplices[pick(std::size(kSplices))]); break;
    }
    return s;
}

struct Job { std::string raw, seen; bool via_file; Expect e; };

struct Tally { int accepted = 0, errors = 0, memouts = 0, oracle = 0, gzip = 0; };

std::string show(const std::string& s) {
    std::string r;
    for (unsigned char c : s.substr(0, 400)) {
        char hex[8];
        snprintf(hex, sizeof hex, "\\x%02x", c);
        r += c == '\n' ? std::string("\\n\n") : (c >= 32 && c < 127) ? std::string(1, char(c)) : std::string(hex);
    }
    return r;
}

bool endsWith(const std::string& s, const std::string& t) {
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

void check(const Job& j, const RunResult& r, Tally& t) {
    SCOPED_TRACE("input as read (" + std::string(j.via_file ? "file" : "stdin") + "):\n" + show(j.seen) +
                 "\n--- stdout:\n" + r.out.substr(0, 2000) + "--- stderr:\n" + r.err.substr(0, 2000));
    ASSERT_FALSE(r.timed_out);
    ASSERT_EQ(r.signal, 0);
    for (const char* marker : {"ERROR: AddressSanitizer", "runtime error:", "LeakSanitizer"})
        ASSERT_EQ(r.err.find(marker), std::string::npos);
    const Expect& e = j.e;
    // Variables are created while reading, so a huge index may exhaust memory before a later
    // syntax error is reached.
    if (e.n > kMemoutVars && r.status == 1 && endsWith(r.out, kMemout)) {
        t.memouts++;
        EXPECT_EQ(r.err, "");
        return;
    }
    if (e.error) {
        t.errors++;
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.out.find("Vars to test"), std::string::npos);  // stops while reading
        if (e.on_stdout) {
            EXPECT_TRUE(endsWith(r.out, e.msg));
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_EQ(r.out.find("PARSE ERROR"), std::string::npos);
            if (e.exact) {
                EXPECT_EQ(r.err, e.msg);
            } else {
                EXPECT_TRUE(r.err.rfind(e.msg, 0) == 0 && std::count(r.err.begin(), r.err.end(), '\n') == 1);
            }
        }
        return;
    }
    t.accepted++;
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("\nVars to test: " + std::to_string(e.n) + "\n"), std::string::npos);
    EXPECT_EQ(r.out.find(kMismatch) != std::string::npos, e.mismatch);
    bool unsat = r.out.find("\nFormula UNSAT...exiting\n") != std::string::npos;
    Primes imp, ate;
    parsePrimeLines(r.out, imp, ate);
    if (unsat) {
        EXPECT_EQ(r.out.find("Final Num"), std::string::npos);
        EXPECT_TRUE(imp.empty() && ate.empty());
    } else {
        EXPECT_NE(r.out.find("Final Num Prime Implicant: " + std::to_string(imp.size()) + "\n"), std::string::npos);
        EXPECT_NE(r.out.find("Final Num Prime Implicate: " + std::to_string(ate.size()) + "\n"), std::string::npos);
        EXPECT_EQ(std::adjacent_find(imp.begin(), imp.end()), imp.end());
        EXPECT_EQ(std::adjacent_find(ate.begin(), ate.end()), ate.end());
    }
    if (std::any_of(e.cls.begin(), e.cls.end(), [](const std::vector<int>& c) { return c.empty(); })) {
        EXPECT_TRUE(unsat);
    }
    if (e.n <= 10) {
        t.oracle++;
        PrimeSets want = bruteForcePrimes(e.cls, e.n);
        EXPECT_EQ(unsat, want.implicants.empty());
        if (!unsat) {
            EXPECT_EQ(imp, want.implicants);
            EXPECT_EQ(ate, want.implicates);
        }
    }
}

}  // namespace

TEST(Mutation, DamagedInputEndsInADocumentedOutcome) {
    std::mt19937 rng(20240611);
    std::vector<Job> jobs;
    if (!kAsan)  // the largest accepted index, alone and among others: the memory-out report
        for (std::string huge : {"p cnf 536870911 1\n-536870911 0\n", "1 2 0 536870911 -1 0\n"})
            jobs.push_back({huge, huge, false, Model(huge).run()});
    const size_t count = kAsan ? 300 : 420;  // a sanitized child costs about ten times more
    while (jobs.size() < count) {
        Job j;
        std::string text = rng() % 20 == 0 ? std::string(1 + rng() % 300, '\0') : mutate(rng, baseFormula(rng));
        if (text.find_first_not_of('\0') == std::string::npos)
            for (char& c : text) c = char(rng());  // pure garbage
        j.raw = text;
        if (rng() % 4 == 0) {  // gzip, intact or damaged
            j.raw = gzipBytes(rng() % 2 ? text : baseFormula(rng));
            switch (rng() % 4) {
                case 0: j.raw.resize(rng() % (j.raw.size() + 1)); break;
                case 1: for (int k = 1 + int(rng() % 3); k > 0; k--) j.raw[rng() % j.raw.size()] ^= char(1 << rng() % 8); break;
                case 2: j.raw += mutate(rng, "1 0\n"); break;  // trailing bytes after the stream
                default: break;
            }
        }
        j.seen = throughZlib(j.raw);
        j.via_file = rng() % 4 == 0;
        j.e = Model(j.seen).run();
        if (kAsan && j.e.n > kCheapVars) continue;  // would need an address-space limit
        jobs.push_back(j);
    }

    const std::vector<std::string> opts = kAsan ? std::vector<std::string>{"-print_all"}
                                                : std::vector<std::string>{"-print_all", "-mem-lim=64"};
    Tally t;
    for (size_t i = 0; i < jobs.size() && !HasFatalFailure(); i += 2) {  // two children at a time
        std::unique_ptr<Child> kids[2];
        std::string paths[2];
        for (size_t k = 0; k < 2 && i + k < jobs.size(); k++) {
            const Job& j = jobs[i + k];
            std::vector<std::string> args = opts;
            if (j.via_file) args.push_back(paths[k] = writeTempFile("mutant-" + std::to_string(i + k), j.raw));
            kids[k] = std::make_unique<Child>(primalBinary(), args);
            if (!j.via_file) kids[k]->write(j.raw);
            kids[k]->closeInput();
        }
        for (size_t k = 0; k < 2 && kids[k]; k++) {
            RunResult r = kids[k]->finish(kAsan ? 60 : 20);
            if (jobs[i + k].raw.size() > 1 && jobs[i + k].raw.compare(0, 2, "\x1f\x8b") == 0) t.gzip++;
            check(jobs[i + k], r, t);
            if (!paths[k].empty()) unlink(paths[k].c_str());
        }
        if (HasFailure()) break;  // one mutant's story is enough to read
    }
    std::printf("mutants: %zu, accepted %d (oracle-checked %d), parse errors %d, memory-out %d, gzip %d\n",
                jobs.size(), t.accepted, t.oracle, t.errors, t.memouts, t.gzip);
    // The mix must exercise every road, or the test proves little.
    EXPECT_GE(t.accepted, 80);
    EXPECT_GE(t.oracle, 60);
    EXPECT_GE(t.errors, 80);
    EXPECT_GE(t.gzip, 60);
    if (!kAsan) {
        EXPECT_GE(t.memouts, 2);
    }
}

TEST(Mutation, UnopenableInputIsTheOpenError) {
    std::string dir = writeTempFile("probe", "");
    dir.resize(dir.rfind('/'));
    for (const std::string& path : {dir + "/no-such-file.cnf", dir}) {
        RunResult r = runPrimal({path});
        EXPECT_EQ(r.status, 1) << path;
        EXPECT_TRUE(endsWith(r.out, "ERROR! Could not open file: " + path + "\n")) << r.out;
    }
    Child c(primalBinary(), {}, true);  // standard input closed
    RunResult r = c.finish(20);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.out, "ERROR! Could not open file: <stdin>\n")) << r.out;
}
