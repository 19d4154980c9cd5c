"""Cost of a run through the Python module: user CPU seconds of primal.enumerate on a formula
file with a callback that only counts, and with the list form (every prime a Python list).

    PYTHONPATH=build/release/python /usr/bin/python3 bench/python_bench.py FILE [callback|list]
"""
import resource
import sys

import primal


def user():
    return resource.getrusage(resource.RUSAGE_SELF).ru_utime


path, mode = sys.argv[1], (sys.argv[2] if len(sys.argv) > 2 else "callback")
count = [0]


def counting(implicant, lits):
    count[0] += 1


t0 = user()
if mode == "list":
    r = primal.enumerate(path)
    primes = len(r["implicants"]) + len(r["implicates"])
else:
    primal.enumerate(path, callback=counting)
    primes = count[0]
print("%d primes %.3f s" % (primes, user() - t0))
