// The library's entry points: the input opened (text in memory through an anonymous file, so
// gzip text works too), the run's events passed from the enumeration's sink to the caller's with
// the count limit and the interruption check on the way, and the lower wings' errors turned into
// the command line's messages and kinds.
#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <istream>
#include <iterator>
#include <new>
#include <utility>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "enumerate/Enumeration.h"
#include "formula/SolverWrapper.h"
#include "primal/primal.h"
#include "utils/Output.h"
#include "utils/ParseUtils.h"

#ifndef PRIMAL_VERSION
#define PRIMAL_VERSION "unknown"
#endif

namespace primal {

Formula::Formula(std::vector<std::vector<int>> clauses) : kind_(Kind::Clauses), clauses_(std::move(clauses)) {}

Formula Formula::fromClauses(std::vector<std::vector<int>> clauses) { return Formula(std::move(clauses)); }

namespace {
const char* const text_name = "<text>";  // stands for the file name in messages about text
}  // namespace

Formula Formula::fromFile(std::string path) {
    Formula f;
    f.kind_ = Kind::File;
    f.text_ = std::move(path);
    f.name_ = f.text_;
    return f;
}

Formula Formula::fromText(std::string dimacs) {
    Formula f;
    f.kind_ = Kind::Text;
    f.text_ = std::move(dimacs);
    f.name_ = text_name;
    return f;
}

Formula Formula::fromDescriptor(int fd, std::string name) {
    Formula f;
    f.kind_ = Kind::Descriptor;
    f.fd_ = fd;
    f.name_ = std::move(name);
    return f;
}

Formula Formula::fromStream(std::istream& in) {
    return fromText(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

const char* version() { return PRIMAL_VERSION; }

namespace {

[[noreturn]] void cannotOpen(const std::string& name) {
    throw Error("ERROR! Could not open file: " + name, Error::Kind::Open, true);
}

// A directory cannot be read as a formula.
gzFile openFile(const std::string& path) {
    struct stat st;
    gzFile in = nullptr;
    if (!(stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) in = gzopen(path.c_str(), "rb");
    if (in == nullptr) cannotOpen(path);
    return in;
}

// A closed descriptor, or a directory there, cannot be read as a formula. Once it is open, the
// stream owns the descriptor.
gzFile openDescriptor(int fd, const std::string& name) {
    struct stat st;
    if (fstat(fd, &st) != 0) cannotOpen(name);
    gzFile in = S_ISDIR(st.st_mode) ? nullptr : gzdopen(fd, "rb");
    if (in == nullptr) cannotOpen(name);
    return in;
}

// Closes a descriptor that a run was given when the run ends before its stream took it over.
struct DescriptorGuard {
    int fd;
    ~DescriptorGuard() {
        if (fd >= 0) close(fd);
    }
};

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
    if (fd < 0) cannotOpen(text_name);
    for (size_t done = 0; done < text.size();) {
        ssize_t w = write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            std::string reason = std::strerror(errno);
            close(fd);
            throw Error(std::string("ERROR! Could not read file: ") + text_name + ": " + reason, Error::Kind::Read);
        }
        done += size_t(w);
    }
    gzFile in = lseek(fd, 0, SEEK_SET) == 0 ? gzdopen(fd, "rb") : nullptr;
    if (in == nullptr) {
        close(fd);
        cannotOpen(text_name);
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

// Passes the run's events on to the caller's sink; keeps the count limit and asks the
// interruption check every 1024 primes (the solvers and the engine ask it during long searches).
class ForwardingSink : public PrimeSink {
public:
    ForwardingSink(Sink& to, const std::function<bool()>& interrupted, uint64_t limit)
        : to_(to), literals_(to.wantsLiterals()), interrupted_(interrupted), limit_(limit) {}
    bool wantsLiterals() const override { return literals_; }
    void formulaRead(int vars_to_test, bool header_mismatch) override {
        figures.vars_to_test = vars_to_test;
        figures.header_mismatch = header_mismatch;
        to_.formulaRead(vars_to_test, header_mismatch);
    }
    void unsatisfiable() override { to_.unsatisfiable(); }
    void satisfiable() override { to_.satisfiable(); }
    // The limit refuses the first prime beyond it rather than stopping at the last one within
    // it, so that a run whose primes number exactly the limit ends complete.
    bool prime(bool implicant, const std::vector<int>& lits) override {
        const uint64_t delivered = figures.implicants + figures.implicates;
        if (limit_ != 0 && delivered == limit_) {
            limited = true;
            return false;
        }
        (implicant ? figures.implicants : figures.implicates)++;
        if (!to_.prime(implicant, lits)) return false;
        return !(interrupted_ && ((delivered + 1) & 1023) == 0 && interrupted_());
    }

    Figures figures;  // the counts of the primes handed to the caller, and what the run read
    bool limited = false;

private:
    Sink& to_;
    bool literals_;
    const std::function<bool()>& interrupted_;
    uint64_t limit_;
};

class CallbackSink : public Sink {
public:
    explicit CallbackSink(const Callback& callback) : callback_(callback) {}
    bool prime(bool implicant, const std::vector<int>& lits) override { return callback_(implicant, lits); }

private:
    const Callback& callback_;
};

// The query as the enumeration takes it; throws Error for a field out of its option's range.
RunOptions runOptions(const Query& query) {
    RunOptions opts;
    // The public defaults restate the run's own, which the public header cannot include.
    assert(Query().engine_steps == opts.engine_steps && Query().endgame_conflicts == opts.endgame_conflicts &&
           Query().engine_steps_per_prime == opts.engine_steps_per_prime);
    opts.engine_steps = query.engine_steps;
    opts.engine_steps_per_prime = query.engine_steps_per_prime;
    opts.endgame_conflicts = query.endgame_conflicts;
    opts.interrupted = query.interrupted;
    opts.side = query.side == Query::Side::Implicants   ? Side::Implicants
                : query.side == Query::Side::Implicates ? Side::Implicates
                                                        : Side::Both;
    checkRange(query.max_len, "max-len");
    opts.max_len = query.max_len;
    using From = Query::ProjectFrom;
    using P = RunOptions::Projection;
    if (query.project && query.project_from != From::List)
        throw Error("ERROR! -project: a list of variables and another source of them at once");
    if ((query.project || query.project_from != From::List) && query.max_len != 0)
        throw Error("ERROR! -max-len cannot be combined with -project");
    if (query.project) {
        opts.projection = P::List;
        for (int v : *query.project) {
            if (v < 1) throw Error("ERROR! -project: " + std::to_string(v) + " is not a variable");
            opts.project_list.emplace_back(v, v);
        }
    } else if (query.project_from == From::Ranges) {
        opts.projection = P::List;
        for (const std::pair<int, int>& r : query.project_ranges)
            if (r.first < 1 || r.second < r.first)
                throw Error("ERROR! -project: " + std::to_string(r.first) + "-" + std::to_string(r.second) +
                            " is not a range of variables");
        opts.project_list = query.project_ranges;
    } else if (query.project_from == From::OrigLine) {
        opts.projection = P::Orig;
    } else if (query.project_from == From::ShowLines) {
        opts.projection = P::Show;
    }
    opts.solver_notice = query.solver_notices ? &Sat::outPuts : nullptr;
    checkRange(query.engine_steps, "engine-steps");
    checkRange(query.endgame_conflicts, "endgame");
    if (query.engine_steps_per_prime < 0)
        throw Error("ERROR! value <" + std::to_string(query.engine_steps_per_prime) +
                    "> is too small for engine_steps_per_prime.");
    return opts;
}

}  // namespace

void checkQuery(const Query& query) { (void)runOptions(query); }

Figures enumerate(const Formula& formula, const Query& query, Sink& sink) {
    DescriptorGuard given{formula.kind() == Formula::Kind::Descriptor ? formula.descriptor() : -1};
    const RunOptions opts = runOptions(query);
    ForwardingSink forward(sink, query.interrupted, query.limit);
    Timers own;  // the caller's timers, or the run's own
    Timers& t = query.timers != nullptr ? *query.timers : own;
    PhaseTimes times(t.max_model, t.check, t.reduction);
    RunEnd end;
    try {
        gzFile opened = nullptr;
        switch (formula.kind()) {
            case Formula::Kind::Clauses: break;
            case Formula::Kind::File: opened = openFile(formula.path()); break;
            case Formula::Kind::Text: opened = openText(formula.text()); break;
            case Formula::Kind::Descriptor:
                opened = openDescriptor(given.fd, formula.name());
                given.fd = -1;
                break;
        }
        Sat::InputStream in(opened);  // closed here until the run takes it over
        sink.opened();
        // The solvers only now: the memory they take comes after the input is open, as the
        // command line has always had it under a memory limit.
        Sat::SolverWrapper solvers;
        Sat::DR_SolverWrapper dual;
        end = in.get() == nullptr ? runSequence(solvers, dual, formula.clauses(), opts, forward, times)
                                  : runSequence(solvers, dual, in.release(), opts, forward, times);
    } catch (QueryError& e) {
        throw Error(e.what());
    } catch (Sat::ParseError& e) {
        std::string msg = e.message;
        if (!msg.empty() && msg.back() == '\n') msg.pop_back();
        throw Error(msg, Error::Kind::Syntax, e.on_stdout);
    } catch (Sat::ReadError& e) {
        throw Error("ERROR! Could not read file: " + formula.name() + ": " + e.reason, Error::Kind::Read);
    } catch (Sat::OutOfMemoryException&) {
        throw std::bad_alloc();
    }
    Figures f = forward.figures;
    f.ending = end == RunEnd::Complete        ? Ending::Complete
               : end == RunEnd::Unsatisfiable ? Ending::Unsatisfiable
               : forward.limited              ? Ending::Limit
                                              : Ending::Stopped;
    f.max_model = times.max_model.load();
    f.check = times.check.load();
    f.reduction = times.reduction.load();
    sink.finished(f);
    return f;
}

Figures enumerate(const Formula& formula, const Query& query, const Callback& callback) {
    CallbackSink sink(callback);
    return enumerate(formula, query, sink);
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
