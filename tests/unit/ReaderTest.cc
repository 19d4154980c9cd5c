// DIMACS reader on real byte streams (plain and gzip, through zlib): what it stores, which
// messages it gives on which stream, buffer boundaries, and the exit statuses of the binary.
#include <gtest/gtest.h>

#include <tuple>

#include <zlib.h>

#include "formula/SolverWrapper.h"
#include "support/Process.h"

using namespace Sat;
using Clauses = std::vector<std::vector<int>>;

namespace {

const std::string kMismatch = "PARSE ERROR...vars in S.nVars different from the header vars number\n";

using Read = std::tuple<Clauses, int, int, std::string>;  // cls, maxVar, nOrigVars, the mismatch line

// Reads `bytes` (gzip-compressed first when asked) with readInstance into a fresh wrapper.
Read readBytes(const std::string& bytes, bool gzip) {
    gzFile in = gzdopen(testutil::memfdWith(gzip ? testutil::gzipBytes(bytes) : bytes), "rb");
    SolverWrapper sw;
    EXPECT_NO_THROW(sw.readInstance(in));
    gzclose(in);
    EXPECT_TRUE(sw.S.nVars() == 0 && sw.nVars == 0 && sw.S.nClauses() == 0);  // the reader only stores
    return {sw.cls, sw.maxVar, sw.nOrigVars, sw.header_mismatch ? kMismatch : ""};
}

const std::pair<std::string, Read> kAccepted[] = {
    {"", {{}, 0, 0, ""}},
    {"p cnf 3 9\n1 -2 0\n2 -1 0 3\n0\n0\n", {{{1, -2}, {2, -1}, {3}, {}}, 3, 0, ""}},
    {"p cnf 2 2\r\n1 -2 0\r\n+2 1 -1 0\r\n", {{{1, -2}, {2, 1, -1}}, 2, 0, ""}},
    {"1 -0 2 0", {{{1}, {2}}, 2, 0, kMismatch}},  // no header: the count stays 0
    {"p cnf 5 2\n1 2 0\n3 0\n", {{{1, 2}, {3}}, 3, 0, kMismatch}},
    {"p cnf 3 1\n4 0\n", {{{4}}, 4, 0, kMismatch}},
    {"c n orig vars 7\np cnf 1 1\n1 0\n", {{{1}}, 1, 7, ""}},
    {"c n orig vars 7 1 0 c n orig vars 9\np cnf 1 1", {{{1}}, 1, 9, ""}},
    {"c n orig vax 9 x\nc n\nc\np cnf 1 1\n1 0", {{{1}}, 1, 0, ""}},
    {"1 2 0\np cnf 9 1\np cnf 2 1 c trailing comment\n", {{{1, 2}}, 2, 0, ""}},
    {"\t\v\f 000000000000000000003 -1 1 0", {{{3, -1, 1}}, 3, 0, kMismatch}},
};

// The malformed corpus holds more cases of each message; here the stream and the gzip path.
struct Rejected { std::string in, msg; bool on_stdout; };

const Rejected kRejected[] = {
    {"p knf 2 1\n1 2 0\n", "PARSE ERROR! Unexpected char: k\n", true},
    {"1 0\np", "PARSE ERROR! Unexpected char: \xff\n", true},
    {"p cnf 2 1\n1 2", "PARSE ERROR! Unexpected char: \xff\n", false},
    {"1 2147483648 0", "PARSE ERROR! Integer out of range: 2147483648\n", false},
    {"-0002147483649 0", "PARSE ERROR! Integer out of range: -0002147483649\n", false},
    {"1 " + std::string(40, '9'), "PARSE ERROR! Integer out of range: " + std::string(25, '9') + "...\n", false},
    {"536870912 0", "PARSE ERROR! Variable index too large: 536870912\n", false},
    {"p cnf 3 1\n1 -2147483648 0", "PARSE ERROR! Variable index too large: -2147483648\n", false},
};

}  // namespace

// What it stores, plain and gzip; then every byte of a small formula, in turn, is placed first in
// a new 64 KiB read block, so the boundary falls inside each number, "p cnf" and "c n orig vars".
TEST(Reader, StoresClausesAndCountsVariablesWhereverABlockEnds) {
    for (bool gz : {false, true})
        for (const auto& [in, want] : kAccepted) EXPECT_EQ(readBytes(in, gz), want) << (gz ? "gzip: " : "") << in;
    const std::string body = "c n orig vars 17\np cnf 1234 3\n-1 1234 0 +22 -0 -333 1\n-4\n0\n";
    const Read want{{{-1, 1234}, {22}, {-333, 1, -4}}, 1234, 17, ""};
    for (bool gz : {false, true})
        for (size_t s = 0; s < body.size(); s++) {
            std::string pad = "c" + std::string(65536 - s - 11, '-') + "\n" + std::string(9, ' ');
            EXPECT_EQ(readBytes(pad + body, gz), want) << "boundary at body offset " << s << (gz ? " (gzip)" : "");
        }
}

TEST(Reader, BinaryExitsWithStatus3OnTheRightStream) {
    for (const Rejected& e : kRejected)
        for (bool gz : {false, true}) {
            SCOPED_TRACE((gz ? "gzip file: " : "stdin: ") + e.in);
            testutil::RunResult r = gz ? testutil::runPrimal({testutil::writeTempFile("bad.cnf.gz", testutil::gzipBytes(e.in))})
                                       : testutil::runPrimal({}, e.in);
            EXPECT_EQ(r.status, 3);
            EXPECT_NE((e.on_stdout ? r.out : r.err).find(e.msg), std::string::npos) << r.out << r.err;
            EXPECT_EQ((e.on_stdout ? r.err : r.out).find("PARSE ERROR"), std::string::npos);
            EXPECT_EQ(r.out.find("Vars to test"), std::string::npos);  // stops at once
        }
    // The count mismatch is reported on standard output and the run goes on.
    testutil::RunResult r = testutil::runPrimal({}, "p cnf 5 1\r\n1 2 0\r\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(kMismatch + "Vars to test: 2\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}
