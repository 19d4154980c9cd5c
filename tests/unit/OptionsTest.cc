// Command-line options: help text, value parsing and range errors through the real binary, and
// the help-line formats of options registered by the test.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/Process.h"
#include "utils/Options.h"

using namespace testutil;

namespace {

const std::string kFormula = "p cnf 1 1\n1 0\n";

TEST(OptionsCli, HelpListsOptionsGroupedAndSorted) {
    RunResult r = runPrimal({"-verb=2", "--help", "-verb=3"});  // help ends parsing; shows verb's new value
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "USAGE: " + primalBinary() + R"( [options] <input-file> <result-output-file>

  where input may be either in plain or gzipped DIMACS.

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

  -verb         = <int32>  [   0 ..    2] (default: 2)
  -cpu-lim      = <int32>  [   0 .. imax] (default: 0)
  -mem-lim      = <int32>  [   0 .. imax] (default: 0)

HELP OPTIONS:

  --help        Print help message.
  --help-verb   Print verbose help message.

)");
}

TEST(OptionsCli, VerboseHelpAddsDescriptions) {
    for (const char* flag : {"--help-verb", "--help-verbose"}) {
        RunResult r = runPrimal({flag});
        EXPECT_EQ(r.status, 0) << flag;
        for (const char* part : {"(default: on)\n\n        Use the Luby restart sequence\n\n  -rnd-init,",
                                 "(default: 0.95)\n\n        The variable activity decay factor\n\n\n  -rfirst ",
                                 "(default: 0)\n\n        Limit on memory usage in megabytes.\n\n\n\nHELP OPTIONS:\n"})
            EXPECT_NE(r.err.find(part), std::string::npos) << flag << " lacks: " << part;
    }
}

TEST(OptionsCli, RejectedArguments) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"-verb=3", "ERROR! value <3> is too large for option \"verb\".\n"},
        {"-verb=-1", "ERROR! value <-1> is too small for option \"verb\".\n"},
        {"-gc-frac=0", "ERROR! value <0> is too small for option \"gc-frac\".\n"},
        {"-rnd-freq=1.5", "ERROR! value <1.5> is too large for option \"rnd-freq\".\n"},
        {"-var-decay=1", "ERROR! value <1> is too large for option \"var-decay\".\n"},
        {"-rfirst=0", "ERROR! value <0> is too small for option \"rfirst\".\n"},
        {"-cpu-lim=4294967295", "ERROR! value <4294967295> is too small for option \"cpu-lim\".\n"},
        {"-luby=1", "ERROR! Unknown flag \"luby=1\". Use '--help' for help.\n"},
        {"-noluby", "ERROR! Unknown flag \"noluby\". Use '--help' for help.\n"},
        {"-verb", "ERROR! Unknown flag \"verb\". Use '--help' for help.\n"},
        {"--foo", "ERROR! Unknown flag \"-foo\". Use '--help' for help.\n"},
    };
    for (const auto& [arg, err] : cases) {
        RunResult r = runPrimal({"missing.cnf", arg}, kFormula);
        EXPECT_EQ(r.status, 1) << arg;
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(r.out, "") << arg;  // rejected before anything runs
    }
}

TEST(OptionsCli, AcceptedArgumentsAndPositionalOrder) {
    const std::string f = writeTempFile("options_one.cnf", kFormula);
    for (const char* arg : {"-verb=abc", "-verb=2x", "-verb=", "-cpu-lim=4294967296", "-rnd-freq=1", "-rnd-freq=0", "-rnd-freq=nan",
                            "-no-luby", "-luby", "-strict", "-no-strict", "--helpme", "--help-x", "-mem-lim=0"}) {
        RunResult r = runPrimal({f, arg, "result.txt"});
        EXPECT_EQ(r.status, 0) << arg << r.err;
        EXPECT_EQ(r.err, "") << arg;
        EXPECT_NE(r.out.find("Formula :" + f + "\nNegated formula :result.txt\n"), std::string::npos) << arg;
    }
}

// Registered by this test only, for their help lines.
Sat::IntOption t_int("TEST", "t-int", "test int", 5, Sat::IntRange(-3, 7));
Sat::IntOption t_full("TEST", "t-full", "test full-range int", 0);
Sat::BoolOption t_bool("TEST", "t-a-rather-long-name", "test bool", true);
Sat::DoubleOption t_dbl("TEST", "t-dbl", "test double", 0.5, Sat::DoubleRange(0, false, 1, true));

TEST(OptionsHelp, LineFormats) {
    t_dbl = 0.25;
    testing::internal::CaptureStderr();
    t_full.help(), t_bool.help(), t_int.help(), t_dbl.help(true);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "  -t-full       = <int32>  [imin .. imax] (default: 0)\n"
              "  -t-a-rather-long-name, -no-t-a-rather-long-name (default: on)\n"
              "  -t-int        = <int32>  [  -3 ..    7] (default: 5)\n"
              "  -t-dbl        = <double> (   0 ..    1] (default: 0.25)\n\n        test double\n\n");
}

}  // namespace
