// Command-line options through the real binary (help text, parsing, range errors, refused
// values of the query options, --version), and the help lines of options registered by the test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "primal/primal.h"
#include "support/Process.h"
#include "utils/Options.h"

using namespace testutil;

namespace {

TEST(OptionsCli, HelpGroupedAndSortedAndVerboseHelp) {
    RunResult r = runPrimal({"-verb=2", "--help", "-verb=3"});  // help ends parsing; shows verb's new value
    EXPECT_TRUE(r.status == 0 && r.out.empty());
    EXPECT_EQ(r.err, "USAGE: " + primalBinary() + R"( [options] <input-file> <result-output-file>

  where input may be either in plain or gzipped DIMACS.
  --version prints the name and version.

CORE OPTIONS:

  -luby, -no-luby                         (default: on)
  -rnd-init, -no-rnd-init                 (default: off)

  -gc-frac      = <double> (   0 ..  inf) (default: 0.2)
  -rinc         = <double> (   1 ..  inf) (default: 2)
  -rnd-seed     = <double> (   0 ..  inf) (default: 9.16483e+07)
  -rnd-freq     = <double> [   0 ..    1] (default: 0)
  -cla-decay    = <double> (   0 ..    1) (default: 0.999)
  -var-decay    = <double> (   0 ..    1) (default: 0.95)

  -rfirst       = <int32>  [   1 .. imax] (default: 100)
  -ccmin-mode   = <int32>  [   0 ..    2] (default: 2)
  -phase-saving = <int32>  [   0 ..    2] (default: 2)
  -min-learnts  = <int32>  [   0 .. imax] (default: 0)

MAIN OPTIONS:

  -strict, -no-strict                     (default: off)
  -print_all, -no-print_all               (default: off)
  -print_time, -no-print_time             (default: off)

  -max-len      = <int32>  [   0 .. imax] (default: 0)
  -max-primes   = <int32>  [   0 .. imax] (default: 0)
  -endgame      = <int32>  [   0 .. imax] (default: 20000)
  -engine-steps = <int32>  [   0 .. imax] (default: 250000)
  -mem-lim      = <int32>  [   0 .. imax] (default: 0)
  -cpu-lim      = <int32>  [   0 .. imax] (default: 0)
  -verb         = <int32>  [   0 ..    2] (default: 2)

  -side         = <string> {both|implicants|implicates} (default: "both")
  -implicates-out = <string> (default: "")
  -implicants-out = <string> (default: "")
  -project      = <string> (default: "")
  -stats-json   = <string> (default: "")

HELP OPTIONS:

  --help        Print help message.
  --help-verb   Print verbose help message.

)");
    for (const char* flag : {"--help-verb", "--help-verbose"}) {
        r = runPrimal({flag});
        EXPECT_EQ(r.status, 0) << flag;
        for (const char* part : {"(default: on)\n\n        Use the Luby restart sequence\n\n  -rnd-init,",
                                 "(default: 0.95)\n\n        The variable activity decay factor\n\n\n  -rfirst ",
                                 "(default: 1)\n\n        Verbosity level (0=silent, 1=some, 2=more).\n\n\n  -side ",
                                 "(default: \"\")\n\n        Write the counts, timers, peak memory, query options and how the run ended to this file as JSON.\n\n\nHELP OPTIONS:\n"})
            EXPECT_NE(r.err.find(part), std::string::npos) << flag << " lacks: " << part;
    }
}

// Each value is accepted, or refused before anything is read or run: one line on standard
// error, status 1, nothing on standard output. The query options too; an output file that
// cannot be created or takes no bytes, or two options naming one file, are refused alike.
TEST(OptionsCli, AcceptedAndRejectedArguments) {
    const std::string f = writeTempFile("options_one.cnf", "p cnf 1 1\n1 0\n"), dir = f.substr(0, f.rfind('/'));
    const std::string start = "Formula :" + f + "\nNegated formula :result.txt\n";  // positional order kept
    auto run = [&](std::vector<std::string> args, const std::string& error) {  // no error: accepted
        args.insert(args.begin(), f), args.push_back("result.txt");
        RunResult r = runPrimal(args);
        EXPECT_EQ(r.status, error.empty() ? 0 : 1) << args[1];
        EXPECT_EQ(r.err, error.empty() ? "" : "ERROR! " + error + "\n") << args[1];
        EXPECT_EQ(r.out.substr(0, start.size()), error.empty() ? start : "") << args[1];
    };
    for (const char* arg : {"-verb=abc", "-verb=2x", "-verb=", "-cpu-lim=4294967296", "-mem-lim=0", "-rnd-freq=1",
                            "-rnd-freq=0", "-rnd-freq=nan", "-no-luby", "-luby", "-strict", "--helpme", "--help-x", "-side=implicants"})
        run({arg}, "");
    auto outOfRange = [&](const std::string& arg, const std::string& how) {
        size_t eq = arg.find('=');
        run({arg}, "value <" + arg.substr(eq + 1) + "> is too " + how + " for option \"" + arg.substr(1, eq - 1) + "\".");
    };
    for (const char* arg : {"-verb=3", "-rnd-freq=1.5", "-var-decay=1"}) outOfRange(arg, "large");
    for (const char* arg : {"-verb=-1", "-gc-frac=0", "-rfirst=0", "-cpu-lim=4294967295", "-max-primes=-1", "-max-len=-1"})
        outOfRange(arg, "small");
    for (std::string side : {"", "foo"}) run({"-side=" + side}, "value <" + side + "> is not one of both|implicants|implicates for option \"side\".");
    for (std::string flag : {"luby=1", "noluby", "verb", "-foo"})
        run({"-" + flag}, "Unknown flag \"" + flag + "\". Use '--help' for help.");
    // Refused before any output file is created.
    run({"-max-len=2", "-project=1", "-implicates-out=" + dir + "/never"}, "-max-len cannot be combined with -project");
    EXPECT_NE(access((dir + "/never").c_str(), F_OK), 0);
    for (const std::string& path : {dir + "/missing/out", std::string("/dev/full")})
        for (const char* opt : {"-implicates-out=", "-implicants-out=", "-stats-json="})
            run({opt + path}, "Could not create file: " + path + (path == "/dev/full" ? ": No space left on device" : ": No such file or directory"));
    const std::string same = dir + "/same", again = dir + "/../" + dir.substr(dir.rfind('/') + 1) + "/same2";
    run({"-implicates-out=" + same, "-implicants-out=" + same}, "Two output options name the same file: " + same);
    run({"-implicates-out=" + dir + "/same2", "-implicants-out=" + again}, "Two output options name the same file: " + again);
    RunResult v = runPrimal({"--version"});
    EXPECT_TRUE(v.status == 0 && v.out == std::string("primal ") + primal::version() + "\n");  // the install test pins the version
}

// Registered by this test only: a full and a negative int range, a long bool name, a half-open double range.
Sat::IntOption t_int("TEST", "t-int", "test int", 5, Sat::IntRange(-3, 7));
Sat::IntOption t_full("TEST", "t-full", "test full-range int", 0);
Sat::BoolOption t_bool("TEST", "t-a-rather-long-name", "test bool", true);
Sat::DoubleOption t_dbl("TEST", "t-dbl", "test double", 0.5, Sat::DoubleRange(0, false, 1, true));

TEST(OptionsHelp, LineFormats) {
    testing::internal::CaptureStderr();
    t_full.help(), t_bool.help(), t_int.help(), t_dbl.help(true);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "  -t-full       = <int32>  [imin .. imax] (default: 0)\n"
              "  -t-a-rather-long-name, -no-t-a-rather-long-name (default: on)\n"
              "  -t-int        = <int32>  [  -3 ..    7] (default: 5)\n"
              "  -t-dbl        = <double> (   0 ..    1] (default: 0.5)\n\n        test double\n\n");
}

}  // namespace
