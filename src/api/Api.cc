// The library's entry points: the input opened as the command line opens it (text in memory
// through an anonymous file, so gzip text works too), the run's events collected by a sink that
// passes primes on, and the lower wings' errors turned into the command line's messages.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <istream>
#include <iterator>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "enumerate/Enumeration.h"
#include "formula/SolverWrapper.h"
#include "primal/primal.h"
#include "utils/ParseUtils.h"

#ifndef PRIMAL_VERSION
#define PRIMAL_VERSION "unknown"
#endif

namespace primal {

Formula::Formula(std::vector<std::vector<int>> clauses) : kind_(Kind::Clauses), clauses_(std::move(clauses)) {}

Formula Formula::fromClauses(std::vector<std::vector<int>> clauses) { return Formula(std::move(clauses)); }

Formula Formula::fromFile(std::string path) {
    Formula f;
    f.kind_ = Kind::File;
    f.text_ = std::move(path);
    return f;
}

Formula Formula::fromText(std::string dimacs) {
    Formula f;
    f.kind_ = Kind::Text;
    f.text_ = std::move(dimacs);
    return f;
}

Formula Formula::fromStream(std::istream& in) {
    return fromText(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

const char* version() { return PRIMAL_VERSION; }

namespace {

const char* const text_name = "<text>";  // stands for the file name in messages about text

gzFile openFile(const std::string& path) {
    struct stat st;
    gzFile in = nullptr;
    if (!(stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) in = gzopen(path.c_str(), "rb");
    if (in == nullptr) throw Error("ERROR! Could not open file: " + path);
    return in;
}

// Text through an anonymous in-memory file, read by zlib like any other (gzip or plain).
gzFile openText(const std::string& text) {
    int fd = memfd_create("primal-input", MFD_CLOEXEC);
    if (fd < 0) {
        FILE* tmp = std::tmpfile();  // where there is no memfd
        if (tmp != nullptr) {
            fd = dup(fileno(tmp));
            std::fclose(tmp);
        }
    }
    if (fd < 0) throw Error(std::string("ERROR! Could not open file: ") + text_name);
    for (size_t done = 0; done < text.size();) {
        ssize_t w = write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            std::string reason = std::strerror(errno);
            close(fd);
            throw Error(std::string("ERROR! Could not read file: ") + text_name + ": " + reason);
        }
        done += size_t(w);
    }
    gzFile in = lseek(fd, 0, SEEK_SET) == 0 ? gzdopen(fd, "rb") : nullptr;
    if (in == nullptr) {
        close(fd);
        throw Error(std::string("ERROR! Could not open file: ") + text_name);
    }
    return in;
}

// A query field that the command line takes as an option, in the option's range and with its
// message.
void checkRange(int64_t value, const char* option) {
    if (value >= 0 && value <= INT32_MAX) return;
    throw Error("ERROR! value <" + std::to_string(value) + "> is too " + (value < 0 ? "small" : "large") +
                " for option \"" + option + "\".");
}

// Collects the run's events and passes the primes on; asks the interruption check every 1024
// primes (the solvers ask it during long searches).
class CallbackSink : public PrimeSink {
public:
    CallbackSink(const Callback& callback, const std::function<bool()>& interrupted, uint64_t limit)
        : callback_(callback), interrupted_(interrupted), limit_(limit) {}
    void formulaRead(int vars_to_test, bool header_mismatch) override {
        figures.vars_to_test = vars_to_test;
        figures.header_mismatch = header_mismatch;
    }
    bool prime(bool implicant, const std::vector<int>& lits) override {
        // The prime beyond the limit shows that the limit cut the run short; it is not handed over.
        if (limit_ != 0 && delivered_ == limit_) {
            limited = true;
            return false;
        }
        delivered_++;
        handed[implicant]++;
        if (!callback_(implicant, lits)) return false;
        return !(interrupted_ && (++count_ & 1023) == 0 && interrupted_());
    }

    void finished(const RunFigures& figures) override { run = figures; }

    Figures figures;
    RunFigures run;
    bool limited = false;
    uint64_t handed[2] = {0, 0};  // implicates, implicants handed to the callback

private:
    const Callback& callback_;
    const std::function<bool()>& interrupted_;
    uint64_t limit_, delivered_ = 0;
    uint64_t count_ = 0;
};

}  // namespace

Figures enumerate(const Formula& formula, const Query& query, const Callback& callback) {
    RunOptions opts;
    opts.engine_steps = query.engine_steps;
    opts.engine_steps_per_prime = query.engine_steps_per_prime;
    opts.endgame_conflicts = query.endgame_conflicts;
    opts.interrupted = query.interrupted;
    opts.side = query.side == Query::Side::Implicants   ? Side::Implicants
                : query.side == Query::Side::Implicates ? Side::Implicates
                                                        : Side::Both;
    checkRange(query.max_len, "max-len");
    opts.max_len = query.max_len;
    if (query.project && query.max_len != 0) throw Error("ERROR! -max-len cannot be combined with -project");
    if (query.project) {
        opts.projection = RunOptions::Projection::List;
        for (int v : *query.project) {
            if (v < 1) throw Error("ERROR! -project: " + std::to_string(v) + " is not a variable");
            opts.project_list.emplace_back(v, v);
        }
    }
    opts.quiet = true;
    checkRange(query.engine_steps, "engine-steps");
    checkRange(query.endgame_conflicts, "endgame");
    if (query.engine_steps_per_prime < 0)
        throw Error("ERROR! value <" + std::to_string(query.engine_steps_per_prime) +
                    "> is too small for engine_steps_per_prime.");

    CallbackSink sink(callback, query.interrupted, query.limit);
    PhaseTimes times;
    const char* name = formula.kind() == Formula::Kind::File ? formula.path().c_str() : text_name;
    RunEnd end;
    try {
        Sat::SolverWrapper solvers;
        Sat::DR_SolverWrapper dual;
        switch (formula.kind()) {
            case Formula::Kind::Clauses:
                end = runSequence(solvers, dual, formula.clauses(), opts, sink, times);
                break;
            case Formula::Kind::File:
                end = runSequence(solvers, dual, openFile(formula.path()), opts, sink, times);
                break;
            default:
                end = runSequence(solvers, dual, openText(formula.text()), opts, sink, times);
                break;
        }
    } catch (QueryError& e) {
        throw Error(e.what());
    } catch (Sat::ParseError& e) {
        std::string msg = e.message;
        if (!msg.empty() && msg.back() == '\n') msg.pop_back();
        throw Error(msg);
    } catch (Sat::ReadError& e) {
        throw Error(std::string("ERROR! Could not read file: ") + name + ": " + e.reason);
    } catch (Sat::OutOfMemoryException&) {
        throw std::bad_alloc();
    }
    Figures f = sink.figures;
    f.ending = end == RunEnd::Complete        ? Ending::Complete
               : end == RunEnd::Unsatisfiable ? Ending::Unsatisfiable
               : sink.limited                 ? Ending::Limit
                                              : Ending::Stopped;
    // The recorder's counts and the timers; an unsatisfiable formula has no final figures.
    f.max_model = times.max_model.load();
    f.check = times.check.load();
    f.reduction = times.reduction.load();
    f.implicants = sink.handed[1];
    f.implicates = sink.handed[0];
    return f;
}

Result enumerate(const Formula& formula, const Query& query) {
    Result r;
    r.figures = enumerate(formula, query, [&r](bool implicant, const std::vector<int>& lits) {
        (implicant ? r.implicants : r.implicates).push_back(lits);
        return true;
    });
    return r;
}

}  // namespace primal
