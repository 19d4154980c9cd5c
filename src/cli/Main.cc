// primal: enumerates the prime implicants and prime implicates of a DIMACS CNF formula. A user
// of the public library (primal/primal.h) like any other: it turns options into a Query, prints
// through its Sink, and turns the library's errors into its statuses.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

#include "cli/PrintingSink.h"
#include "cli/QueryOutputs.h"
#include "cli/Reports.h"
#include "primal/primal.h"
#include "utils/Options.h"
#include "utils/VarList.h"
#include "utils/Output.h"
#include "utils/System.h"

using namespace Sat;

namespace {

[[noreturn]] void failWith(const std::string& line) {
    outFlush();
    std::fprintf(stderr, "%s\n", line.c_str());
    std::exit(1);
}

std::string jsonString(const char* s) {
    std::string out = "\"";
    for (; *s != '\0'; s++) {
        const unsigned char c = static_cast<unsigned char>(*s);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

bool sameFile(int fd1, int fd2) {
    struct stat a, b;
    return fstat(fd1, &a) == 0 && fstat(fd2, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Creates the output files named on the command line, before anything is read or enumerated:
// one that cannot be created, or two options naming the same file, end the run at once.
void openQueryOutputs(const char* implicates, const char* implicants, const char* stats) {
    const char* names[3] = {implicates, implicants, stats};
    for (int i = 0; i < 3; i++)
        for (int j = i + 1; j < 3; j++)
            if (*names[i] != '\0' && std::strcmp(names[i], names[j]) == 0)
                failWith(std::string("ERROR! Two output options name the same file: ") + names[i]);
    primal::QueryOutputs& q = primal::query_outputs;
    auto fail = [](const char* path) {
        failWith(std::string("ERROR! Could not create file: ") + path + ": " + std::strerror(errno));
    };
    if (*implicates != '\0' && !q.implicates.open(implicates, true)) fail(implicates);
    if (*implicants != '\0' && !q.implicants.open(implicants, false)) fail(implicants);
    if (*stats != '\0' && !primal::openStats(stats)) fail(stats);
    const int fds[3] = {q.implicates.fd(), q.implicants.fd(), q.stats_fd};
    for (int i = 0; i < 3; i++)
        for (int j = i + 1; j < 3; j++)
            if (fds[i] >= 0 && fds[j] >= 0 && sameFile(fds[i], fds[j]))
                failWith(std::string("ERROR! Two output options name the same file: ") + names[j]);
    setOutputFailureHook([] { primal::finishQueryOutputs(primal::RunEndKind::Error); });
}

[[noreturn]] void memoutExit() {
    primal::query_outputs.end.store(int(primal::RunEndKind::Memout));
    outPuts("===============================================================================");
    outPuts("INDETERMINATE _> MEMOUT OCCURRED");
    outFlush();
    // An aborted enumeration must not look like a complete one.
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        setUsageHelp(
            "USAGE: %s [options] <input-file> <result-output-file>\n\n  where input may be either in plain or gzipped DIMACS.\n"
            "  --version prints the name and version.\n");
        setX86FPUPrecision();

        IntOption verb("MAIN", "verb", "Verbosity level (0=silent, 1=some, 2=more).", 1, IntRange(0, 2));
        IntOption cpu_lim("MAIN", "cpu-lim", "Limit on CPU time allowed in seconds.\n", 0, IntRange(0, INT32_MAX));
        IntOption mem_lim("MAIN", "mem-lim", "Limit on memory usage in megabytes.\n", 0, IntRange(0, INT32_MAX));
        BoolOption strict("MAIN", "strict", "Validate DIMACS header during parsing.", false);
        BoolOption print_all("MAIN", "print_all", "If true, you all the Prime Implicants/Implicates are printed", false);
        BoolOption print_time("MAIN", "print_time", "If true, the time is printed", false);
        const primal::Query defaults;
        IntOption engine_steps("MAIN", "engine-steps",
                               "Search steps of the transversal engine, plus 100 per prime it finds, before the dual-rail search takes over (0: dual-rail search only).",
                               int32_t(defaults.engine_steps), IntRange(0, INT32_MAX));
        IntOption endgame_conflicts("MAIN", "endgame",
                                    "Conflicts of one dual-rail search before the transversal endgame takes over (0: never).",
                                    int32_t(defaults.endgame_conflicts), IntRange(0, INT32_MAX));

        static const char* const sides[] = {"both", "implicants", "implicates", nullptr};
        StringOption side("MAIN", "side",
                          "Which primes to print and count: both, implicants or implicates (the other side is computed only as far as the search needs it).",
                          "both", sides);
        IntOption max_primes("MAIN", "max-primes",
                             "Stop, with the final report, after this many primes of the asked side(s) (0: no limit).", 0,
                             IntRange(0, INT32_MAX));
        IntOption max_len("MAIN", "max-len",
                          "Only primes of at most this many literals, the bound kept inside the search (0: no bound).", 0,
                          IntRange(0, INT32_MAX));
        StringOption implicates_out("MAIN", "implicates-out", "Write the prime implicates to this file as a DIMACS CNF.");
        StringOption implicants_out("MAIN", "implicants-out",
                                    "Write the prime implicants to this file as a DIMACS DNF (p dnf header, one term a line).");
        StringOption project("MAIN", "project",
                             "Primes over these variables only, the others forgotten: a list such as 1-4,9,12-20, orig (1..N of the input's \"c n orig vars N\" line) or show (the input's \"c p show ... 0\" lines).");
        StringOption stats_json("MAIN", "stats-json",
                                "Write the counts, timers, peak memory, query options and how the run ended to this file as JSON.");

        for (int i = 1; i < argc; i++)
            if (std::strcmp(argv[i], "--version") == 0) {
                std::printf("primal %s\n", primal::version());
                return 0;
            }
        // An empty list names no variable, which a user means no more than a missing one.
        for (int i = 1; i < argc; i++)
            if (std::strcmp(argv[i], "-project=") == 0) failWith("ERROR! -project takes a list such as 1-4,9,12-20 (ranges ascending), orig or show, not an empty list");
        parseOptions(argc, argv, true);
        primal::Query query;
        using Side = primal::Query::Side;
        if (std::strcmp(side, "implicants") == 0) query.side = Side::Implicants;
        if (std::strcmp(side, "implicates") == 0) query.side = Side::Implicates;
        primal::report_side = query.side;
        if (*project.get() != '\0') {
            using From = primal::Query::ProjectFrom;
            if (std::strcmp(project, "orig") == 0)
                query.project_from = From::OrigLine;
            else if (std::strcmp(project, "show") == 0)
                query.project_from = From::ShowLines;
            else if (primal::parseVarList(project, query.project_ranges))
                query.project_from = From::Ranges;
            else
                failWith(std::string("ERROR! -project takes a list such as 1-4,9,12-20 (ranges ascending), orig or show, not: ") +
                         project.get());
        }
        query.max_len = int32_t(max_len);
        // The query's own errors end the run before any output file is created.
        try {
            primal::checkQuery(query);
        } catch (primal::Error& e) {
            failWith(e.message());
        }
        primal::query_outputs.stats_options = "{\"side\": " + jsonString(side) +
                                              ", \"max_primes\": " + std::to_string(int32_t(max_primes)) +
                                              ", \"max_len\": " + std::to_string(int32_t(max_len)) +
                                              ", \"implicates_out\": " + jsonString(implicates_out) +
                                              ", \"implicants_out\": " + jsonString(implicants_out) +
                                              ", \"project\": " + jsonString(project) + "}";
        openQueryOutputs(implicates_out, implicants_out, stats_json);
        // A write to a pipe whose reader has gone fails with EPIPE instead of killing the
        // process, so that every way of losing standard output ends the same way (Output.h).
        std::signal(SIGPIPE, SIG_IGN);
        primal::installReportHandlers([](int sig) {
            primal::finishQueryOutputs(sig == SIGXCPU ? primal::RunEndKind::CpuLimit : primal::RunEndKind::Interrupted);
        });
        outStartStreaming();

        if (cpu_lim != 0) limitTime(unsigned(int32_t(cpu_lim)));
        if (mem_lim != 0) limitMemory((unsigned long long)int32_t(mem_lim));

        if (argc == 1) outPuts("Reading from standard input... Use '--help' for help.");
        const primal::Formula input = argc == 1 ? primal::Formula::fromStdin() : primal::Formula::fromFile(argv[1]);

        query.engine_steps = int32_t(engine_steps);
        query.endgame_conflicts = int32_t(endgame_conflicts);
        query.limit = uint64_t(int32_t(max_primes));
        query.timers = &primal::run_times;
        query.solver_notices = true;
        primal::PrintingSink sink(print_all, print_time, query.limit, input.name(), argc >= 3 ? argv[2] : "");
        int failed = 0;
        primal::Ending ending = primal::Ending::Complete;
        try {
            ending = primal::enumerate(input, query, sink).ending;
        } catch (primal::Error& e) {
            const std::string& msg = e.message();
            if (e.onStdout()) {
                outWrite(msg.data(), msg.size());
                outWrite("\n", 1);
                outFlush();
            } else {
                outFlush();
                std::fwrite(msg.data(), 1, msg.size(), stderr);
                std::fputc('\n', stderr);
            }
            failed = e.status();
        }
        // Outside the handlers, so that the exception is freed before the exit.
        if (failed != 0) std::exit(failed);
        outFlush();
        // The files are finished here rather than at exit, so that a failed write still ends with status 1.
        if (!primal::finishQueryOutputs(ending == primal::Ending::Limit ? primal::RunEndKind::Limit : primal::RunEndKind::Complete))
            failWith("ERROR! Could not write the output files: " + std::string(std::strerror(errno)));
    } catch (OutOfMemoryException&) {  // from the output buffer; the library throws std::bad_alloc
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
