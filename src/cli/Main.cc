// primal: enumerates the prime implicants and prime implicates of a DIMACS CNF formula.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <zlib.h>

#include "cli/PrintingSink.h"
#include "cli/Reports.h"
#include "enumerate/Enumeration.h"
#include "formula/SolverWrapper.h"
#include "utils/Options.h"
#include "utils/Output.h"
#include "utils/ParseUtils.h"
#include "utils/System.h"

using namespace Sat;

namespace {

// Opens a named input with zlib; a directory cannot be read as a formula.
gzFile openNamed(const char* name) {
    struct stat st;
    if (stat(name, &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
    return gzopen(name, "rb");
}

// A closed standard input, or a directory there, cannot be read as a formula.
gzFile openStdin() {
    struct stat st;
    if (fstat(0, &st) != 0 || S_ISDIR(st.st_mode)) return nullptr;
    return gzdopen(0, "rb");
}

[[noreturn]] void memoutExit() {
    outPuts("===============================================================================");
    outPuts("INDETERMINATE _> MEMOUT OCCURRED");
    outFlush();
    // An aborted enumeration must not look like a complete one.
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        setUsageHelp("USAGE: %s [options] <input-file> <result-output-file>\n\n  where input may be either in plain or gzipped DIMACS.\n");
        setX86FPUPrecision();

        IntOption verb("MAIN", "verb", "Verbosity level (0=silent, 1=some, 2=more).", 1, IntRange(0, 2));
        IntOption cpu_lim("MAIN", "cpu-lim", "Limit on CPU time allowed in seconds.\n", 0, IntRange(0, INT32_MAX));
        IntOption mem_lim("MAIN", "mem-lim", "Limit on memory usage in megabytes.\n", 0, IntRange(0, INT32_MAX));
        BoolOption strict("MAIN", "strict", "Validate DIMACS header during parsing.", false);
        BoolOption print_all("MAIN", "print_all", "If true, you all the Prime Implicants/Implicates are printed", false);
        BoolOption print_time("MAIN", "print_time", "If true, the time is printed", false);
        const primal::RunOptions defaults;
        IntOption engine_steps("MAIN", "engine-steps",
                               "Search steps of the transversal engine, plus 100 per prime it finds, before the dual-rail search takes over (0: dual-rail search only).",
                               int32_t(defaults.engine_steps), IntRange(0, INT32_MAX));
        IntOption endgame_conflicts("MAIN", "endgame",
                                    "Conflicts of one dual-rail search before the transversal endgame takes over (0: never).",
                                    int32_t(defaults.endgame_conflicts), IntRange(0, INT32_MAX));

        parseOptions(argc, argv, true);
        // A write to a pipe whose reader has gone fails with EPIPE instead of killing the
        // process, so that every way of losing standard output ends the same way (Output.h).
        std::signal(SIGPIPE, SIG_IGN);
        primal::installReportHandlers();
        outStartStreaming();

        SolverWrapper formula;
        DR_SolverWrapper dual;

        if (cpu_lim != 0) limitTime(unsigned(int32_t(cpu_lim)));
        if (mem_lim != 0) limitMemory((unsigned long long)int32_t(mem_lim));

        gzFile in;
        if (argc == 1) {
            outPuts("Reading from standard input... Use '--help' for help.");
            in = openStdin();
        } else {
            in = openNamed(argv[1]);
        }
        const char* input_name = argc == 1 ? "<stdin>" : argv[1];
        if (in == nullptr) {
            outPrintf("ERROR! Could not open file: %s\n", input_name);
            outFlush();
            std::exit(1);
        }
        outPrintf("Formula :%s\n", input_name);
        outPrintf("Negated formula :%s\n", argc >= 3 ? argv[2] : "");

        primal::RunOptions opts;
        opts.engine_steps = int32_t(engine_steps);
        opts.endgame_conflicts = int32_t(endgame_conflicts);
        primal::PrintingSink sink(print_all, print_time);
        int failed = 0;
        try {
            primal::runSequence(formula, dual, in, opts, sink, primal::run_times);
        } catch (ReadError& e) {
            outFlush();
            std::fprintf(stderr, "ERROR! Could not read file: %s: %s\n", input_name, e.reason.c_str());
            failed = 1;
        } catch (ParseError& e) {
            if (e.on_stdout) {
                outWrite(e.message.data(), e.message.size());
                outFlush();
            } else {
                outFlush();
                std::fwrite(e.message.data(), 1, e.message.size(), stderr);
            }
            failed = 3;
        }
        // Outside the handlers, so that the exception is freed before the exit.
        if (failed != 0) std::exit(failed);
        outFlush();
    } catch (OutOfMemoryException&) {
        memoutExit();
    } catch (std::bad_alloc&) {
        memoutExit();
    } catch (std::logic_error& e) {  // an internal failure
        outPuts(e.what());
        outFlush();
        std::exit(1);
    }
    return 0;
}
