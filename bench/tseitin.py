#!/usr/bin/env python3
"""Tseitin encodings of small arithmetic circuits, for the projection benchmark.

Each circuit is written as DIMACS with a "c n orig vars N" line: its N inputs are variables
1..N, the gate variables follow (only the gates the output depends on), and the output is
asserted by a unit clause. Forgetting the gate variables leaves the circuit's function, so
`primal -project=orig` on it must list the same primes as the plain run on the function's
truth-table CNF (one clause per falsifying input row, that row's negation), which is written
beside it as NAME_tt.cnf when the circuit has at most 16 inputs.

usage: bench/tseitin.py OUTDIR [NAME...]    (no NAME: every circuit; --list prints the names)
"""
import os
import sys


class Circuit:
    """Inputs 1..n; gates are added in topological order and numbered after the inputs."""

    def __init__(self, n_inputs):
        self.n = n_inputs
        self.gates = []  # (op, operand signals); a signal is +-index, index > n names a gate
        self.const = {}

    def gate(self, op, *args):
        self.gates.append((op, args))
        return self.n + len(self.gates)

    def AND(self, a, b): return self.gate("and", a, b)
    def OR(self, a, b): return self.gate("or", a, b)
    def XOR(self, a, b): return self.gate("xor", a, b)

    def full_add(self, a, b, c):
        # Two half adders and an OR, as a gate-level netlist has them.
        t = self.XOR(a, b)
        return self.XOR(t, c), self.OR(self.AND(a, b), self.AND(t, c))

    def half_add(self, a, b):
        return self.XOR(a, b), self.AND(a, b)

    # Evaluation on one input row (bits[i] is input i + 1), for the truth table.
    def value(self, out, bits):
        vals = [None] + list(bits)
        for op, args in self.gates:
            x = [vals[abs(s)] ^ (s < 0) for s in args]
            if op == "and":
                v = x[0] & x[1]
            elif op == "or":
                v = x[0] | x[1]
            else:
                v = x[0] ^ x[1]
            vals.append(v)
        return vals[abs(out)] ^ (out < 0)

    def cnf(self, out):
        """Clauses of the gates in the cone of `out`, renumbered densely after the inputs,
        with `out` asserted. Returns (variable count, clauses)."""
        need = set()
        stack = [abs(out)]
        while stack:
            v = stack.pop()
            if v <= self.n or v in need:
                continue
            need.add(v)
            stack.extend(abs(s) for s in self.gates[v - self.n - 1][1])
        num = {v: v for v in range(1, self.n + 1)}
        for v in sorted(need):
            num[v] = len(num) + 1
        lit = lambda s: num[abs(s)] if s > 0 else -num[abs(s)]
        clauses = []
        for v in sorted(need):
            op, args = self.gates[v - self.n - 1]
            g = num[v]
            x = [lit(s) for s in args]
            if op == "and":
                clauses += [[-g, x[0]], [-g, x[1]], [g, -x[0], -x[1]]]
            elif op == "or":
                clauses += [[g, -x[0]], [g, -x[1]], [-g, x[0], x[1]]]
            else:  # g == x0 ^ x1
                clauses += [[-g, x[0], x[1]], [-g, -x[0], -x[1]], [g, -x[0], x[1]], [g, x[0], -x[1]]]
        clauses.append([lit(out)])
        return len(num), clauses


def bits(c, first, width):
    return list(range(first, first + width))


def adder(c, a, b):
    """Ripple-carry sum of two equal-width vectors (LSB first): (sum bits, carry-out)."""
    s, carry = [], None
    for x, y in zip(a, b):
        if carry is None:
            z, carry = c.half_add(x, y)
        else:
            z, carry = c.full_add(x, y, carry)
        s.append(z)
    return s, carry


def and_all(c, sigs):
    acc = sigs[0]
    for s in sigs[1:]:
        acc = c.AND(acc, s)
    return acc


def less_than(c, a, b):
    """a < b, unsigned, from the LSB up: lt_i = (!a_i & b_i) | (a_i == b_i) & lt_{i-1}."""
    lt = None
    for x, y in zip(a, b):
        here = c.AND(-x, y)
        if lt is None:
            lt = here
        else:
            eq = -c.XOR(x, y)
            lt = c.OR(here, c.AND(eq, lt))
    return lt


def multiplier(c, a, b):
    """Array multiplier: product bits, LSB first (2 * width of them)."""
    w = len(a)
    pp = [[c.AND(a[i], b[j]) for i in range(w)] for j in range(w)]
    out = [pp[0][0]]
    row = pp[0][1:]  # running partial sum, bits of weight 1..w-1 (relative)
    carry = None
    for j in range(1, w):
        # add pp[j] (weights j..j+w-1) to row (weights j..j+w-2) plus the last carry (j+w-1)
        top = carry if carry is not None else None
        addend = row + ([top] if top is not None else [])
        s, cin = [], None
        for i in range(w):
            x = pp[j][i]
            y = addend[i] if i < len(addend) else None
            if y is None and cin is None:
                z = x
            elif y is None:
                z, cin = c.half_add(x, cin)
            elif cin is None:
                z, cin = c.half_add(x, y)
            else:
                z, cin = c.full_add(x, y, cin)
            s.append(z)
        out.append(s[0])
        row, carry = s[1:], cin
    out += row
    out.append(carry)
    return out


def build(name):
    """(circuit, output signal) for a name like add6_s3, add6_cout, addeq4, lt6, eq6, mul6_b5."""
    kind, _, arg = name.partition("_")
    if kind.startswith("addeq"):
        w = int(kind[5:])
        c = Circuit(3 * w + 1)
        s, cout = adder(c, bits(c, 1, w), bits(c, w + 1, w))
        want = bits(c, 2 * w + 1, w + 1)
        return c, and_all(c, [-c.XOR(x, y) for x, y in zip(s + [cout], want)])
    w = int(kind.lstrip("abdeilmqtu"))
    c = Circuit(2 * w)
    a, b = bits(c, 1, w), bits(c, w + 1, w)
    if kind.startswith("add"):
        s, cout = adder(c, a, b)
        return c, cout if arg == "cout" else s[int(arg[1:])]
    if kind.startswith("lt"):
        return c, less_than(c, a, b)
    if kind.startswith("eq"):
        return c, and_all(c, [-c.XOR(x, y) for x, y in zip(a, b)])
    if kind.startswith("mul"):
        return c, multiplier(c, a, b)[int(arg[1:])]
    raise ValueError("unknown circuit " + name)


NAMES = (["add4_s3", "add4_cout", "add5_s4", "add6_s5", "add6_cout", "add7_s6", "add8_s7", "add8_cout",
          "addeq3", "addeq4", "addeq5",
          "lt4", "lt6", "lt8", "eq4", "eq6", "eq8",
          "mul4_b3", "mul4_b4", "mul5_b4", "mul6_b3", "mul6_b5", "mul6_b6", "mul7_b6", "mul7_b7", "mul8_b4", "mul8_b7",
          "mul8_b8", "mul8_b9"])


def write(path, header, nvars, clauses):
    with open(path, "w") as f:
        for h in header:
            f.write(h + "\n")
        f.write("p cnf %d %d\n" % (nvars, len(clauses)))
        for cl in clauses:
            f.write(" ".join(map(str, cl)) + " 0\n")


def emit(outdir, name):
    c, out = build(name)
    nvars, clauses = c.cnf(out)
    write(os.path.join(outdir, name + ".cnf"),
          ["c %s: Tseitin encoding, %d inputs, %d gate variables" % (name, c.n, nvars - c.n),
           "c n orig vars %d" % c.n], nvars, clauses)
    if c.n <= 16:
        rows = []
        for r in range(1 << c.n):
            row = [(r >> i) & 1 for i in range(c.n)]
            if not c.value(out, row):
                rows.append([-(i + 1) if row[i] else i + 1 for i in range(c.n)])
        write(os.path.join(outdir, name + "_tt.cnf"),
              ["c %s: truth table, one clause per falsifying row" % name], c.n, rows)
    return c.n, nvars - c.n


def main(argv):
    if len(argv) >= 2 and argv[1] == "--list":
        print("\n".join(NAMES))
        return 0
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)
    for name in argv[2:] or NAMES:
        n, aux = emit(outdir, name)
        print("%s %d %d" % (name, n, aux))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
