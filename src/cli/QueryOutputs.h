// The machine-readable outputs of a query: the prime implicates as a DIMACS CNF file, the prime
// implicants as a DIMACS DNF file, and the run's figures as a JSON object. Each file is valid
// whenever the process ends, also from a signal handler: the header is written first with its
// counts padded to a fixed width, lines go through a fixed buffer, and finishing only writes
// prepared bytes (the buffered complete lines, then the header with the count of the lines on
// disk rewritten in place).
#ifndef PRIMAL_CLI_QUERYOUTPUTS_H
#define PRIMAL_CLI_QUERYOUTPUTS_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace primal {

class DimacsFile {
public:
    ~DimacsFile();
    // Creates (truncates) the file and writes a header for no variable and no line; false with
    // errno set when it cannot.
    bool open(const std::string& path, bool cnf);
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void setVars(int vars) { vars_ = vars; }
    // One clause or term (literals in input numbering), ending in 0. Ends the process with
    // status 1 and one line on standard error when the file cannot be written.
    void add(const std::vector<int>& lits);
    // Async-signal-safe: writes the buffered complete lines and the header that counts them.
    // Returns false when a write failed.
    bool finish();
    // Lines on disk (all of them once finished).
    uint64_t lines() const { return lines_on_disk_; }

private:
    void flush();
    bool writeBuffered();  // the complete lines; false when the write fails
    bool writeHeader();
    std::string path_;
    int fd_ = -1;
    bool cnf_ = true;
    int vars_ = 0;
    char* buf_ = nullptr;
    std::atomic<size_t> len_{0};  // bytes of complete lines in buf_
    uint64_t lines_on_disk_ = 0;   // changed with the report signals blocked
};

// How the run ended, as the JSON says it.
enum class RunEndKind { Error, Complete, Limit, Interrupted, CpuLimit, Memout };

// The open output files of the process (at most one each); Main opens them, the sink writes
// them, the exit paths finish them.
struct QueryOutputs {
    DimacsFile implicates, implicants;
    int stats_fd = -1;
    std::string stats_options;  // the JSON text of the query's options, prepared at start-up
    std::atomic<int> end{int(RunEndKind::Error)};
};
extern QueryOutputs query_outputs;

// Opens the stats file (false with errno set when it cannot).
bool openStats(const std::string& path);
// Finishes every output file: the DIMACS files, then the JSON with `end` (async-signal-safe).
// The JSON counts a side by the lines of its file when there is one (a signal may fall between
// a prime's file line and its counter), otherwise by the report's counter.
// Idempotent per file; registered with atexit by the first open.
// Returns false when a write failed (only the first call writes).
bool finishQueryOutputs(RunEndKind end);

}  // namespace primal

#endif
