// Typed command-line options that register themselves, when constructed, in one process-wide
// list. parseOptions lets the registered options consume the arguments they recognise, answers
// help requests and compacts the remaining arguments (the file names) to the front of argv.
// Options are never unregistered: construct them as static objects or as locals of main.
#ifndef PRIMAL_UTILS_OPTIONS_H
#define PRIMAL_UTILS_OPTIONS_H

#include <cstdint>

#include "containers/Vec.h"

namespace Sat {

void parseOptions(int& argc, char** argv, bool strict = false);
[[noreturn]] void printUsageAndExit(int argc, char** argv, bool verbose = false);
void setUsageHelp(const char* str);
void setHelpPrefixStr(const char* str);

class Option {
protected:
    const char* name;
    const char* description;
    const char* category;
    const char* type_name;

    static vec<Option*>& getOptionList();
    static const char*& getUsageString();
    static const char*& getHelpPrefixString();

    struct OptionLt {
        bool operator()(const Option* x, const Option* y) const;
    };

    Option(const char* name_, const char* desc_, const char* cate_, const char* type_);

public:
    virtual ~Option() {}
    virtual bool parse(const char* str) = 0;
    virtual void help(bool verbose = false) = 0;

    const char* optionName() const { return name; }

    friend void parseOptions(int& argc, char** argv, bool strict);
    friend void printUsageAndExit(int argc, char** argv, bool verbose);
    friend void setUsageHelp(const char* str);
    friend void setHelpPrefixStr(const char* str);
};

struct IntRange {
    int32_t begin;
    int32_t end;
    IntRange(int32_t b, int32_t e) : begin(b), end(e) {}
};

struct DoubleRange {
    double begin;
    double end;
    bool begin_inclusive;
    bool end_inclusive;
    DoubleRange(double b, bool binc, double e, bool einc) : begin(b), end(e), begin_inclusive(binc), end_inclusive(einc) {}
};

class DoubleOption : public Option {
protected:
    DoubleRange range;
    double value;

public:
    DoubleOption(const char* c, const char* n, const char* d, double def = double(),
                 DoubleRange r = DoubleRange(-1e308, false, 1e308, false));
    operator double() const { return value; }
    DoubleOption& operator=(double x) {
        value = x;
        return *this;
    }
    bool parse(const char* str) override;
    void help(bool verbose = false) override;
};

class IntOption : public Option {
protected:
    IntRange range;
    int32_t value;

public:
    IntOption(const char* c, const char* n, const char* d, int32_t def = int32_t(),
              IntRange r = IntRange(INT32_MIN, INT32_MAX));
    operator int32_t() const { return value; }
    IntOption& operator=(int32_t x) {
        value = x;
        return *this;
    }
    bool parse(const char* str) override;
    void help(bool verbose = false) override;
};

class BoolOption : public Option {
    bool value;

public:
    BoolOption(const char* c, const char* n, const char* d, bool v);
    operator bool() const { return value; }
    BoolOption& operator=(bool b) {
        value = b;
        return *this;
    }
    bool parse(const char* str) override;
    void help(bool verbose = false) override;
};

// A string option, "-name=VALUE". With a list of allowed values (nullptr-terminated), any other
// value is an error; without one, any value (possibly empty) is taken.
class StringOption : public Option {
    const char* const* allowed;
    const char* value;

public:
    StringOption(const char* c, const char* n, const char* d, const char* def = "", const char* const* allowed_ = nullptr);
    operator const char*() const { return value; }
    const char* get() const { return value; }
    bool parse(const char* str) override;
    void help(bool verbose = false) override;
};

}  // namespace Sat

#endif
