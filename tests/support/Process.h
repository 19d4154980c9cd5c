// Runs the real primal binary as a child process: arguments, standard input, standard output
// and error, exit status or terminating signal, with a time limit.
#ifndef PRIMAL_TESTS_PROCESS_H
#define PRIMAL_TESTS_PROCESS_H

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testutil {

#ifdef __SANITIZE_ADDRESS__
constexpr bool kSanitized = true;  // a child costs about ten times more and takes no address-space limit
#else
constexpr bool kSanitized = false;
#endif

struct RunResult {
    int status = -1;  // exit status, or -1 when ended by a signal
    int signal = 0;   // terminating signal, 0 when it exited
    bool timed_out = false;
    std::string out;
    std::string err;
};

class Child {
public:
    // Starts `binary` with args; stdin is a pipe unless close_stdin (then descriptor 0 is closed).
    Child(const std::string& binary, const std::vector<std::string>& args, bool close_stdin = false);
    ~Child();
    void write(const std::string& data);  // to the child's standard input
    void closeInput();
    void signal(int sig);
    // Reads at most `bytes` of standard output (blocking up to timeout_ms); returns what came.
    std::string readSome(size_t bytes, int timeout_ms);
    // Collects the rest of both streams and waits for the exit (killing it after timeout_s).
    RunResult finish(int timeout_s = 60);
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    std::string out_buf_;
};

// The line before the start-up lines of a run on standard input.
inline const std::string kStdin = "Reading from standard input... Use '--help' for help.\n";
std::string primalBinary();
RunResult runPrimal(const std::vector<std::string>& args, const std::string& input = "", int timeout_s = 60);
// The prime lines and the final counts of an output: what must not depend on how the input
// arrived, nor on whether the binary or the library ran.
std::string primesAndCounts(const std::string& out);
// Writes data to a fresh file under the test temp directory and returns its path.
std::string writeTempFile(const std::string& name, const std::string& data);
std::string fileBytes(const std::string& path);
std::string gzipBytes(const std::string& text);  // a gzip stream of text
int memfdWith(const std::string& bytes);          // a descriptor reading bytes from the start
// Runs f in this process with its standard output (the program's and stdio's buffers too) captured.
std::string captureStdout(const std::function<void()>& f);

}  // namespace testutil

#endif
