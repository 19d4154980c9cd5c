// The Python module over the library: primal.enumerate(clauses or path, ...) returns the primes
// and the figures, or calls a function per prime. Primes go straight into Python lists (no copy
// kept on the C++ side) and the callback is called through the vectorcall protocol, so that a
// prime costs little more than building its list. The GIL stays held: the run checks for
// pending signals (Ctrl-C) every 1024 primes, conflicts of a long search and engine steps, and
// stops with the primes found so far (attached to the KeyboardInterrupt as `result` in the list
// form; already handed over in the callback form).
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "primal/primal.h"

namespace py = pybind11;

namespace {

const char* endingName(primal::Ending e) {
    return e == primal::Ending::Complete        ? "complete"
           : e == primal::Ending::Unsatisfiable ? "unsatisfiable"
           : e == primal::Ending::Limit         ? "limit"
                                                : "stopped";
}

py::dict figuresDict(const primal::Figures& f) {
    py::dict d;
    d["implicants"] = f.implicants;
    d["implicates"] = f.implicates;
    d["max_model_time"] = f.max_model;
    d["check_time"] = f.check;
    d["reduction_time"] = f.reduction;
    d["vars_to_test"] = f.vars_to_test;
    d["header_mismatch"] = f.header_mismatch;
    d["ending"] = endingName(f.ending);
    return d;
}

primal::Formula toFormula(const py::handle& input) {
    if (py::isinstance<py::str>(input) || py::hasattr(input, "__fspath__"))
        return primal::Formula::fromFile(py::str(py::module_::import("os").attr("fspath")(input)));
    if (py::isinstance<py::bytes>(input)) return primal::Formula::fromText(input.cast<std::string>());
    std::vector<std::vector<int>> clauses;
    for (py::handle c : py::iter(input)) {
        clauses.emplace_back();
        for (py::handle l : py::iter(c)) {
            if (!PyLong_Check(l.ptr()) || PyBool_Check(l.ptr()))
                throw py::type_error("a clause holds integers, not " + std::string(py::str(l.get_type())));
            int overflow = 0;
            const long long v = PyLong_AsLongLongAndOverflow(l.ptr(), &overflow);
            if (overflow != 0 || v < INT32_MIN || v > INT32_MAX)  // the reader's message for it
                throw py::value_error("PARSE ERROR! Integer out of range: " + std::string(py::str(l)));
            clauses.back().push_back(int(v));
        }
    }
    return primal::Formula::fromClauses(std::move(clauses));
}

PyObject* literalList(const std::vector<int>& lits) {
    PyObject* list = PyList_New(Py_ssize_t(lits.size()));
    if (list == nullptr) throw py::error_already_set();
    for (size_t i = 0; i < lits.size(); i++) {
        PyObject* v = PyLong_FromLong(lits[i]);
        if (v == nullptr) {
            Py_DECREF(list);
            throw py::error_already_set();
        }
        PyList_SET_ITEM(list, Py_ssize_t(i), v);
    }
    return list;
}

py::object enumerate(const py::handle& input, py::object callback, const std::string& side, int max_len,
                     uint64_t limit, std::optional<std::vector<int>> project, int64_t engine_steps,
                     int64_t engine_steps_per_prime, int64_t endgame) {
    primal::Formula formula = toFormula(input);
    primal::Query query;
    if (side == "implicants")
        query.side = primal::Query::Side::Implicants;
    else if (side == "implicates")
        query.side = primal::Query::Side::Implicates;
    else if (side != "both")
        throw py::value_error("ERROR! value <" + side + "> is not one of both|implicants|implicates for option \"side\".");
    query.max_len = max_len;
    query.limit = limit;
    query.project = std::move(project);
    query.engine_steps = engine_steps;
    query.engine_steps_per_prime = engine_steps_per_prime;
    query.endgame_conflicts = endgame;
    bool signalled = false;
    query.interrupted = [&signalled]() {
        // The GIL is let go for a moment, so that other threads are not starved by a long run
        // (one of them may be what sends the signal).
        Py_BEGIN_ALLOW_THREADS
        Py_END_ALLOW_THREADS
        return signalled = PyErr_CheckSignals() != 0;
    };

    py::list implicants, implicates;
    primal::Figures figures;
    try {
        if (callback.is_none()) {
            // Millions of new lists would set off the cyclic collector again and again, each time
            // over all of them (2^20 primes of 20 literals: 0.72 s with it, 0.15 s without); lists of
            // ints hold no cycles.
            struct GcPause {
#if PY_VERSION_HEX >= 0x030A0000
                bool was = PyGC_Disable() != 0;
                ~GcPause() {
                    if (was) PyGC_Enable();
                }
#endif
            } pause;
            (void)pause;
            figures = primal::enumerate(formula, query, [&](bool implicant, const std::vector<int>& lits) {
                py::object list = py::reinterpret_steal<py::object>(literalList(lits));
                if (PyList_Append((implicant ? implicants : implicates).ptr(), list.ptr()) != 0)
                    throw py::error_already_set();
                return true;
            });
        } else {
            PyObject* fn = callback.ptr();
            figures = primal::enumerate(formula, query, [fn](bool implicant, const std::vector<int>& lits) {
                PyObject* args[2] = {implicant ? Py_True : Py_False, literalList(lits)};
                PyObject* r = PyObject_Vectorcall(fn, args, 2, nullptr);
                Py_DECREF(args[1]);
                if (r == nullptr) throw py::error_already_set();
                const bool go_on = r == Py_None || PyObject_IsTrue(r) != 0;
                Py_DECREF(r);
                return go_on;
            });
        }
    } catch (const primal::Error& e) {
        throw py::value_error(e.what());
    }
    py::object result;
    if (callback.is_none()) {
        py::dict d;
        d["implicants"] = implicants;
        d["implicates"] = implicates;
        d["figures"] = figuresDict(figures);
        result = d;
    } else {
        result = figuresDict(figures);
    }
    if (signalled) {
        // The KeyboardInterrupt that the check raised, with what the run found.
        PyObject *type, *value, *trace;
        PyErr_Fetch(&type, &value, &trace);
        PyErr_NormalizeException(&type, &value, &trace);
        if (value != nullptr) PyObject_SetAttrString(value, "result", result.ptr());
        PyErr_Restore(type, value, trace);
        throw py::error_already_set();
    }
    return result;
}

}  // namespace

PYBIND11_MODULE(primal, m) {
    m.doc() = "Prime implicants and prime implicates of CNF formulas.";
    m.attr("__version__") = primal::version();
    m.def("enumerate", &enumerate, py::arg("formula"), py::kw_only(), py::arg("callback") = py::none(),
          py::arg("side") = "both", py::arg("max_len") = 0, py::arg("limit") = 0, py::arg("project") = py::none(),
          py::arg("engine_steps") = primal::Query().engine_steps,
          py::arg("engine_steps_per_prime") = primal::Query().engine_steps_per_prime,
          py::arg("endgame") = primal::Query().endgame_conflicts,
          R"doc(Enumerates the prime implicants and prime implicates of a CNF formula.

formula: clauses as lists of DIMACS integers, a path to a DIMACS file (plain or gzip), or
DIMACS text as bytes. Without a callback: returns {"implicants": [...], "implicates": [...],
"figures": {...}}. With callback(implicant: bool, lits: list): calls it per prime (returning
False stops the run) and returns the figures. Bad input raises ValueError with the command
line's message. side: "both", "implicants" or "implicates" (only that side is returned and
counted). max_len: only primes of at most this many literals (0: no bound). limit: stop after this many primes (0: none; the figures' ending is then "limit").
project: a list of variables; the primes of the formula with every other variable forgotten.
Ctrl-C stops the run; the KeyboardInterrupt carries the partial result as `result`.)doc");
}
