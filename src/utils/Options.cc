#include "utils/Options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "containers/Sort.h"

namespace Sat {

vec<Option*>& Option::getOptionList() {
    static vec<Option*> options;
    return options;
}
const char*& Option::getUsageString() {
    static const char* usage_str = nullptr;
    return usage_str;
}
const char*& Option::getHelpPrefixString() {
    static const char* help_prefix_str = "";
    return help_prefix_str;
}

bool Option::OptionLt::operator()(const Option* x, const Option* y) const {
    int test1 = std::strcmp(x->category, y->category);
    return test1 < 0 || (test1 == 0 && std::strcmp(x->type_name, y->type_name) < 0);
}

Option::Option(const char* name_, const char* desc_, const char* cate_, const char* type_)
    : name(name_), description(desc_), category(cate_), type_name(type_) {
    getOptionList().push(this);
}

void setUsageHelp(const char* str) { Option::getUsageString() = str; }
void setHelpPrefixStr(const char* str) { Option::getHelpPrefixString() = str; }

// Matches "-<name>" at the start of str; returns the rest, or nullptr when it does not match.
static const char* matchName(const char* str, const char* name) {
    if (*str != '-') return nullptr;
    str++;
    size_t n = std::strlen(name);
    if (std::strncmp(str, name, n) != 0) return nullptr;
    return str + n;
}

[[noreturn]] static void rangeError(const char* text, const char* name, bool too_large) {
    std::fprintf(stderr, "ERROR! value <%s> is too %s for option \"%s\".\n", text, too_large ? "large" : "small", name);
    std::exit(1);
}

// ---------------------------------------------------------------------------------------------

DoubleOption::DoubleOption(const char* c, const char* n, const char* d, double def, DoubleRange r)
    : Option(n, d, c, "<double>"), range(r), value(def) {}

bool DoubleOption::parse(const char* str) {
    const char* span = matchName(str, name);
    if (span == nullptr || *span != '=') return false;
    span++;
    char* end;
    double tmp = std::strtod(span, &end);
    if (tmp >= range.end && (!range.end_inclusive || tmp != range.end)) rangeError(span, name, true);
    if (tmp <= range.begin && (!range.begin_inclusive || tmp != range.begin)) rangeError(span, name, false);
    value = tmp;
    return true;
}

void DoubleOption::help(bool verbose) {
    std::fprintf(stderr, "  -%-12s = %-8s %c%4.2g .. %4.2g%c (default: %g)\n", name, type_name,
                 range.begin_inclusive ? '[' : '(', range.begin, range.end, range.end_inclusive ? ']' : ')', value);
    if (verbose) {
        std::fprintf(stderr, "\n        %s\n", description);
        std::fprintf(stderr, "\n");
    }
}

// ---------------------------------------------------------------------------------------------

IntOption::IntOption(const char* c, const char* n, const char* d, int32_t def, IntRange r)
    : Option(n, d, c, "<int32>"), range(r), value(def) {}

bool IntOption::parse(const char* str) {
    const char* span = matchName(str, name);
    if (span == nullptr || *span != '=') return false;
    span++;
    char* end;
    errno = 0;
    long parsed = std::strtol(span, &end, 10);
    // Cut to 32 bits (two's complement) before the range test.
    int32_t tmp = int32_t(uint32_t(static_cast<unsigned long>(parsed)));
    if (tmp > range.end) rangeError(span, name, true);
    if (tmp < range.begin) rangeError(span, name, false);
    value = tmp;
    return true;
}

void IntOption::help(bool verbose) {
    std::fprintf(stderr, "  -%-12s = %-8s [", name, type_name);
    if (range.begin == INT32_MIN)
        std::fprintf(stderr, "imin");
    else
        std::fprintf(stderr, "%4d", range.begin);
    std::fprintf(stderr, " .. ");
    if (range.end == INT32_MAX)
        std::fprintf(stderr, "imax");
    else
        std::fprintf(stderr, "%4d", range.end);
    std::fprintf(stderr, "] (default: %d)\n", value);
    if (verbose) {
        std::fprintf(stderr, "\n        %s\n", description);
        std::fprintf(stderr, "\n");
    }
}

// ---------------------------------------------------------------------------------------------

BoolOption::BoolOption(const char* c, const char* n, const char* d, bool v) : Option(n, d, c, "<bool>"), value(v) {}

bool BoolOption::parse(const char* str) {
    if (*str != '-') return false;
    const char* span = str + 1;
    bool b = true;
    if (std::strncmp(span, "no-", 3) == 0) {
        b = false;
        span += 3;
    }
    if (std::strcmp(span, name) == 0) {
        value = b;
        return true;
    }
    return false;
}

void BoolOption::help(bool verbose) {
    std::fprintf(stderr, "  -%s, -no-%s", name, name);
    for (int i = 0; i < 32 - int(std::strlen(name)) * 2; i++) std::fprintf(stderr, " ");
    std::fprintf(stderr, " ");
    std::fprintf(stderr, "(default: %s)\n", value ? "on" : "off");
    if (verbose) {
        std::fprintf(stderr, "\n        %s\n", description);
        std::fprintf(stderr, "\n");
    }
}

// ---------------------------------------------------------------------------------------------

StringOption::StringOption(const char* c, const char* n, const char* d, const char* def, const char* const* allowed_)
    : Option(n, d, c, "<string>"), allowed(allowed_), value(def) {}

bool StringOption::parse(const char* str) {
    const char* span = matchName(str, name);
    if (span == nullptr || *span != '=') return false;
    span++;
    if (allowed != nullptr) {
        bool ok = false;
        for (const char* const* a = allowed; *a != nullptr; a++) ok = ok || std::strcmp(*a, span) == 0;
        if (!ok) {
            std::fprintf(stderr, "ERROR! value <%s> is not one of", span);
            for (const char* const* a = allowed; *a != nullptr; a++)
                std::fprintf(stderr, "%s%s", a == allowed ? " " : "|", *a);
            std::fprintf(stderr, " for option \"%s\".\n", name);
            std::exit(1);
        }
    }
    value = span;
    return true;
}

void StringOption::help(bool verbose) {
    std::fprintf(stderr, "  -%-12s = %-8s ", name, type_name);
    if (allowed != nullptr) {
        std::fprintf(stderr, "{");
        for (const char* const* a = allowed; *a != nullptr; a++) std::fprintf(stderr, "%s%s", a == allowed ? "" : "|", *a);
        std::fprintf(stderr, "} ");
    }
    std::fprintf(stderr, "(default: \"%s\")\n", value);
    if (verbose) {
        std::fprintf(stderr, "\n        %s\n", description);
        std::fprintf(stderr, "\n");
    }
}

// ---------------------------------------------------------------------------------------------

void parseOptions(int& argc, char** argv, bool strict) {
    if (argc < 2) return;
    const char* prefix = Option::getHelpPrefixString();
    size_t prefix_len = std::strlen(prefix);
    int i, j;
    for (i = j = 1; i < argc; i++) {
        const char* str = argv[i];
        if (std::strncmp(str, "--", 2) == 0 && std::strncmp(str + 2, prefix, prefix_len) == 0 &&
            std::strncmp(str + 2 + prefix_len, "help", 4) == 0) {
            const char* rest = str + 2 + prefix_len + 4;
            if (*rest == '\0') printUsageAndExit(argc, argv, false);
            if (std::strncmp(rest, "-verb", 5) == 0) printUsageAndExit(argc, argv, true);
            continue;  // other --help... arguments are dropped
        }
        vec<Option*>& options = Option::getOptionList();
        bool parsed_ok = false;
        for (int k = 0; !parsed_ok && k < options.size(); k++) parsed_ok = options[k]->parse(argv[i]);
        if (parsed_ok) continue;
        if (strict && str[0] == '-') {
            std::fprintf(stderr, "ERROR! Unknown flag \"%s\". Use '--%shelp' for help.\n", str + 1, prefix);
            std::exit(1);
        }
        argv[j++] = argv[i];
    }
    argc -= (i - j);
}

void printUsageAndExit(int /*argc*/, char** argv, bool verbose) {
    const char* usage = Option::getUsageString();
    if (usage != nullptr) std::fprintf(stderr, usage, argv[0]);

    vec<Option*>& options = Option::getOptionList();
    sort(options, Option::OptionLt());

    const char* prev_cat = nullptr;
    const char* prev_type = nullptr;
    for (int i = 0; i < options.size(); i++) {
        const char* cat = options[i]->category;
        const char* type = options[i]->type_name;
        if (prev_cat == nullptr || std::strcmp(cat, prev_cat) != 0)
            std::fprintf(stderr, "\n%s OPTIONS:\n\n", cat);
        else if (std::strcmp(type, prev_type) != 0)
            std::fprintf(stderr, "\n");
        options[i]->help(verbose);
        prev_cat = cat;
        prev_type = type;
    }

    const char* prefix = Option::getHelpPrefixString();
    std::fprintf(stderr, "\nHELP OPTIONS:\n\n");
    std::fprintf(stderr, "  --%shelp        Print help message.\n", prefix);
    std::fprintf(stderr, "  --%shelp-verb   Print verbose help message.\n", prefix);
    std::fprintf(stderr, "\n");
    std::exit(0);
}

}  // namespace Sat
