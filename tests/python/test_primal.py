"""The Python module: the sets of a brute-force oracle, the input forms, errors, stopping from
the callback, runs one after the other in one process, and Ctrl-C during a long run."""
import gzip
import itertools
import os
import pathlib
import random
import signal
import subprocess
import sys
import threading
import time

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
MODULE_DIR = os.environ.get("PRIMAL_PYTHON_DIR", str(ROOT / "build" / "release" / "python"))
sys.path.insert(0, MODULE_DIR)
import primal  # noqa: E402

INSTANCES = ROOT.parent / "shared" / "instances"


def satisfies(clauses, model):
    return all(any((l > 0) == model[abs(l)] for l in c) for c in clauses)


def function_primes(holds, xs):
    """Prime implicants and implicates of the function over variables xs that `holds` (a dict of
    their values) tells; None when it has no model."""
    models = [m for m in (dict(zip(xs, bits)) for bits in itertools.product([False, True], repeat=len(xs))) if holds(m)]
    if not models:
        return None
    terms = [tuple(v if s else -v for v, s in zip(vs, signs)) for k in range(len(xs) + 1)
             for vs in itertools.combinations(xs, k) for signs in itertools.product([False, True], repeat=k)]
    def implicant(t):  # every assignment that extends t is a model
        return sum(all((l > 0) == m[abs(l)] for l in t) for m in models) == 2 ** (len(xs) - len(t))
    def implicate(c):  # every model satisfies c
        return all(any((l > 0) == m[abs(l)] for l in c) for m in models)
    def primes(test):
        found = {t for t in terms if test(t)}
        return {tuple(sorted(t)) for t in found
                if not any(test(t[:i] + t[i + 1:]) for i in range(len(t)))}
    return primes(implicant), primes(implicate)


def oracle(clauses, n, xs=None):
    """The primes over 1..n, or of the formula with the variables outside xs forgotten."""
    if xs is None:
        return function_primes(lambda m: satisfies(clauses, m), list(range(1, n + 1)))
    rest = [v for v in range(1, n + 1) if v not in xs]
    return function_primes(lambda m: any(satisfies(clauses, {**m, **dict(zip(rest, bits))})
                                         for bits in itertools.product([False, True], repeat=len(rest))), xs)


def as_set(primes):
    return {tuple(p) for p in primes}


def random_cnf(rng, n, m):
    return [[rng.choice([-1, 1]) * rng.randint(1, n) for _ in range(rng.randint(1, 3))] for _ in range(m)]


def test_sets_match_the_oracle():
    """Every road, with the callback seeing the same primes in the same order; then one side, a
    length bound, a limit (that many true primes, and the ending says why) and a projection."""
    rng = random.Random(21)
    for _ in range(25):
        n = rng.randint(1, 6)
        clauses = random_cnf(rng, n, rng.randint(0, 12))
        want = oracle(clauses, n)
        for query in [{}, {"engine_steps": 0}, {"endgame": 0}, {"engine_steps": 0, "endgame": 1}, {"engine_steps_per_prime": 0}]:
            r = primal.enumerate(clauses, **query)
            fig = r["figures"]
            if want is None:
                assert fig["ending"] == "unsatisfiable" and not r["implicants"] and not r["implicates"]
                continue
            assert fig["ending"] == "complete"
            assert as_set(r["implicants"]) == want[0] and as_set(r["implicates"]) == want[1], (clauses, query)
            assert (fig["implicants"], fig["implicates"]) == (len(want[0]), len(want[1]))
            assert fig["vars_to_test"] == max((abs(l) for c in clauses for l in c), default=0)
            seen = []
            figures = primal.enumerate(clauses, callback=lambda imp, lits: seen.append((imp, lits)), **query)
            assert [lits for imp, lits in seen if imp] == r["implicants"]
            assert [lits for imp, lits in seen if not imp] == r["implicates"]
            assert figures["implicants"] == fig["implicants"]
    rng = random.Random(5)
    for round in range(60):
        n = rng.randint(1, 6)
        clauses = random_cnf(rng, n, rng.randint(1, 12))
        used = sorted({abs(l) for c in clauses for l in c})
        xs = sorted(rng.sample(used, rng.randint(0, len(used))))
        side = ["both", "implicants", "implicates"][round % 3]
        want = oracle(clauses, n, xs if round % 2 else None)
        query = {"side": side, "engine_steps": [0, 250000][round % 4 // 2]}
        if round % 2:
            query["project"] = xs
        else:  # a length bound (not with a projection)
            query["max_len"] = rng.choice([0, 1, 2])
        r = primal.enumerate(clauses, **query)
        if want is None:
            assert r["figures"]["ending"] == "unsatisfiable"
            continue
        short = lambda primes: {p for p in primes if not query.get("max_len") or len(p) <= query["max_len"]}
        implicants = short(want[0]) if side != "implicates" else set()
        implicates = short(want[1]) if side != "implicants" else set()
        assert as_set(r["implicants"]) == implicants and as_set(r["implicates"]) == implicates, (clauses, query)
        total = len(implicants) + len(implicates)
        if total > 1:  # a limit below the total: that many true primes, and the ending says why
            cut = primal.enumerate(clauses, limit=total - 1, **query)
            got = as_set(cut["implicants"]) | as_set(cut["implicates"])
            assert len(cut["implicants"]) + len(cut["implicates"]) == total - 1
            assert got <= implicants | implicates and cut["figures"]["ending"] == "limit"
    with pytest.raises(ValueError, match="is not one of both|implicants|implicates"):
        primal.enumerate([[1]], side="neither")
    with pytest.raises(ValueError, match="variable 3 is above the input's variable count 2"):
        primal.enumerate([[1, 2]], project=[3])


def test_input_forms_and_errors(tmp_path):
    """Every input form gives the same run; errors carry the command line's messages."""
    text = b"p cnf 3 2\n1 2 0\n-1 3 0\n"
    path, gz, cut = tmp_path / "f.cnf", tmp_path / "f.cnf.gz", tmp_path / "cut.cnf.gz"
    path.write_bytes(b"c a comment\n" + text)
    gz.write_bytes(gzip.compress(b"c a comment\n" + text))
    cut.write_bytes(gzip.compress(text)[:-6])
    want = primal.enumerate([[1, 2], [-1, 3]])
    for form in (str(path), path, gz, text, gzip.compress(text), ((1, 2), (-1, 3))):
        got = primal.enumerate(form)
        assert (got["implicants"], got["implicates"]) == (want["implicants"], want["implicates"])
        assert got["figures"]["header_mismatch"] is False
    for formula, message in [
        (b"p cnf 2 1\n1 x 0\n", "PARSE ERROR! Unexpected char: x"),
        (b"p cnf 2 1\n1 99999999999 0\n", "PARSE ERROR! Integer out of range: 99999999999"),
        (b"p cnf 2 1\n1 -2147483647 0\n", "PARSE ERROR! Variable index too large: -2147483647"),
        ([[1, 2147483647]], "PARSE ERROR! Variable index too large: 2147483647"),
        ([[1, 0, 2]], "PARSE ERROR! Literal 0 inside a clause"),
        ([[1, -2**40]], "PARSE ERROR! Integer out of range: -1099511627776"),
        (str(tmp_path / "missing.cnf"), "ERROR! Could not open file: " + str(tmp_path / "missing.cnf")),
        (str(cut), "ERROR! Could not read file: %s: unexpected end of file" % cut),
    ]:
        with pytest.raises(ValueError) as e:
            primal.enumerate(formula)
        assert str(e.value) == message
    with pytest.raises(ValueError, match='too small for option "engine-steps"'):
        primal.enumerate([[1]], engine_steps=-1)
    with pytest.raises(TypeError):
        primal.enumerate([[1, "x"]])


def test_callback_stops_the_run_and_runs_in_one_process_are_independent():
    """The callback stops the run, and its errors pass through; runs one after the other (stopped,
    failed or not) leave nothing behind for the next."""
    cbs = str(INSTANCES / "cbs-k3-n100-m403-b10" / "CBS_k3_n100_m403_b10_0.cnf")
    gh = str(INSTANCES / "kc-problog" / "gh_4_prob.lp.cnf")
    first = primal.enumerate(gh)
    for k in (1, 5000):
        seen = []
        fig = primal.enumerate(cbs, callback=lambda imp, lits: seen.append(lits) or len(seen) < k)
        assert len(seen) == k and fig["implicants"] + fig["implicates"] == k and fig["ending"] == "stopped"

    def fails(imp, lits):
        raise RuntimeError("from the callback")
    with pytest.raises(RuntimeError, match="from the callback"):
        primal.enumerate(cbs, callback=fails)
    primal.enumerate(str(INSTANCES / "uf20-91" / "uf20-07.cnf"))
    primal.enumerate(gh, callback=lambda imp, lits: False)
    with pytest.raises(ValueError):
        primal.enumerate(b"x")
    again = primal.enumerate(gh)
    assert again["implicants"] == first["implicants"] and again["implicates"] == first["implicates"]
    assert (first["figures"]["implicants"], first["figures"]["implicates"]) == (390, 3245)


@pytest.mark.parametrize("case", ["primes", "first-check"])
def test_ctrl_c_stops_a_long_run_and_keeps_the_primes(case):
    """CBS with the dual-rail search only runs for many seconds with primes found all along;
    hole10 spends its whole run in the first satisfiability check. (Ctrl-C inside a callback
    raises there and passes through like the callback's other errors.)"""
    path = INSTANCES / ("cbs-k3-n100-m403-b10/CBS_k3_n100_m403_b10_0.cnf" if case == "primes" else "hole/hole10.cnf")
    sent = []
    threading.Timer(1.0, lambda: sent.append(time.monotonic()) or os.kill(os.getpid(), signal.SIGINT)).start()
    with pytest.raises(KeyboardInterrupt) as e:
        primal.enumerate(str(path), engine_steps=0)
    assert sent and time.monotonic() - sent[0] < 1.0
    r = e.value.result
    fig = r["figures"]
    assert fig["ending"] == "stopped" and (case != "primes" or fig["implicates"] > 0)
    assert (len(r["implicants"]), len(r["implicates"])) == (fig["implicants"], fig["implicates"])


def test_readme_example():
    out = subprocess.run([sys.executable, str(ROOT / "examples" / "example.py")], capture_output=True, text=True,
                         env={**os.environ, "PYTHONPATH": MODULE_DIR}, check=True).stdout
    assert out == ("[[-1, 2], [1, 3], [2, 3]] [[1, 2], [-1, 3], [2, 3]] complete\n"
                   "True [-1, 2]\nTrue [1, 3]\nTrue [2, 3]\nFalse [1, 2]\nFalse [-1, 3]\nFalse [2, 3]\n")
