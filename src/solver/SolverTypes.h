// Value types shared by the solver and the formula wrappers: variables, literal codes, the
// three-valued lbool, and clauses stored as 32-bit words in one arena addressed by CRef.
// A Clause is a small handle (a pointer to its header word); it is invalidated whenever the
// arena grows, so code keeps CRefs, not Clause handles, across allocations.
#ifndef PRIMAL_SOLVER_SOLVERTYPES_H
#define PRIMAL_SOLVER_SOLVERTYPES_H

#include <cstdint>
#include <cstring>

#include "containers/Alloc.h"
#include "containers/IntMap.h"
#include "containers/Vec.h"

namespace Sat {

// 0-based variable index.
typedef int Var;
constexpr Var var_Undef = -1;

// Literal code: 2 * var + sign, sign 1 for the negative literal.
struct Lit {
    int x;

    bool operator==(Lit p) const { return x == p.x; }
    bool operator!=(Lit p) const { return x != p.x; }
    bool operator<(Lit p) const { return x < p.x; }  // by variable, positive first
};

inline Lit mkLit(Var var, bool sign = false) { return Lit{var + var + int(sign)}; }
inline Lit operator~(Lit p) { return Lit{p.x ^ 1}; }
inline Lit operator^(Lit p, bool b) { return Lit{p.x ^ int(b)}; }
inline bool sign(Lit p) { return p.x & 1; }
inline int var(Lit p) { return p.x >> 1; }
inline int toInt(Lit p) { return p.x; }
inline Lit toLit(int i) { return Lit{i}; }

constexpr Lit lit_Undef = {-2};
constexpr Lit lit_Error = {-1};

struct MkIndexLit {
    int operator()(Lit l) const { return l.x; }
};

template <class T> class VMap : public IntMap<Var, T> {};
template <class T> struct IsTriviallyRelocatable<VMap<T>> : std::true_type {};
template <class T> class LMap : public IntMap<Lit, T, MkIndexLit> {};
using LSet = IntSet<Lit, MkIndexLit>;

// Three-valued truth: 0 true, 1 false, 2 (or 3) undefined. Values with bit 1 set all compare
// equal, so "var value XOR literal sign" of an unassigned variable stays undefined.
class lbool {
    uint8_t value;

public:
    constexpr explicit lbool(uint8_t v) : value(v) {}
    constexpr lbool() : value(0) {}
    explicit lbool(bool x) : value(!x) {}

    bool operator==(lbool b) const {
        return ((b.value & 2) & (value & 2)) | (!(b.value & 2) & (value == b.value));
    }
    bool operator!=(lbool b) const { return !(*this == b); }
    lbool operator^(bool b) const { return lbool(uint8_t(value ^ uint8_t(b))); }

    uint8_t raw() const { return value; }
    friend int toInt(lbool l);
};
inline int toInt(lbool l) { return l.value; }

constexpr lbool l_True = lbool(uint8_t(0));
constexpr lbool l_False = lbool(uint8_t(1));
constexpr lbool l_Undef = lbool(uint8_t(2));

// Clause reference: word index into a solver's clause arena.
typedef RegionAllocator<uint32_t>::Ref CRef;
constexpr CRef CRef_Undef = UINT32_MAX;

static_assert(sizeof(Lit) == 4, "a literal fills one arena word");
static_assert(sizeof(CRef) == 4, "clause references are 32-bit word indices");

// Header word layout, from the least significant bit.
namespace ClauseHeader {
constexpr uint32_t MarkMask = 0x3u;
constexpr uint32_t LearntBit = 1u << 2;
constexpr uint32_t ExtraBit = 1u << 3;
constexpr uint32_t RelocedBit = 1u << 4;
constexpr int SizeShift = 5;
constexpr uint32_t MaxSize = (1u << 27) - 1;
// Mark of a learnt clause that reduceDB keeps for good (mark 1 is a removed clause).
constexpr uint32_t CoreMark = 2;
}  // namespace ClauseHeader

// Handle on a clause inside the arena: header word, literal words, optional extra word
// (a float activity for learnt clauses, the abstraction for problem clauses).
class Clause {
    uint32_t* w;

public:
    explicit Clause(uint32_t* words) : w(words) {}

    uint32_t header() const { return w[0]; }
    int size() const { return int(w[0] >> ClauseHeader::SizeShift); }
    bool learnt() const { return w[0] & ClauseHeader::LearntBit; }
    bool has_extra() const { return w[0] & ClauseHeader::ExtraBit; }
    uint32_t mark() const { return w[0] & ClauseHeader::MarkMask; }
    void mark(uint32_t m) { w[0] = (w[0] & ~ClauseHeader::MarkMask) | (m & ClauseHeader::MarkMask); }
    bool reloced() const { return w[0] & ClauseHeader::RelocedBit; }
    CRef relocation() const { return w[1]; }
    void relocate(CRef c) {
        w[0] |= ClauseHeader::RelocedBit;
        w[1] = c;
    }

    Lit* lits() { return reinterpret_cast<Lit*>(w + 1); }
    const Lit* lits() const { return reinterpret_cast<const Lit*>(w + 1); }
    Lit& operator[](int i) { return lits()[i]; }
    Lit operator[](int i) const { return lits()[i]; }
    Lit last() const { return lits()[size() - 1]; }

    float activity() const {
        float f;
        std::memcpy(&f, &w[1 + size()], sizeof f);
        return f;
    }
    void setActivity(float f) { std::memcpy(&w[1 + size()], &f, sizeof f); }
    uint32_t abstraction() const { return w[1 + size()]; }

    // Removes the last literal; the extra word moves down with the end of the clause.
    void pop() { shrink(1); }
    void shrink(int k) {
        if (k <= 0) return;
        int sz = size();
        if (has_extra()) w[1 + sz - k] = w[1 + sz];
        w[0] = (w[0] & ((1u << ClauseHeader::SizeShift) - 1)) | (uint32_t(sz - k) << ClauseHeader::SizeShift);
    }

    // Word size of a clause of the given length.
    static uint32_t words(int size, bool extra) { return 1 + uint32_t(size) + uint32_t(extra); }
};

class ClauseAllocator {
    RegionAllocator<uint32_t> ra;

    CRef allocRaw(int size, bool learnt, bool extra, uint32_t mark_bits) {
        if (uint32_t(size) > ClauseHeader::MaxSize) throw OutOfMemoryException();
        CRef cid = ra.alloc(Clause::words(size, extra));
        ra[cid] = (uint32_t(size) << ClauseHeader::SizeShift) | (extra ? ClauseHeader::ExtraBit : 0) |
                  (learnt ? ClauseHeader::LearntBit : 0) | (mark_bits & ClauseHeader::MarkMask);
        return cid;
    }

public:
    bool extra_clause_field = false;

    explicit ClauseAllocator(uint32_t start_cap = 0) : ra(start_cap) {}

    uint32_t size() const { return ra.size(); }
    uint32_t wasted() const { return ra.wasted(); }
    uint32_t allocated() const { return ra.allocated(); }
    void capacity(uint32_t min_cap) { ra.capacity(min_cap); }

    CRef alloc(const vec<Lit>& ps, bool learnt = false) {
        bool use_extra = learnt || extra_clause_field;
        CRef cid = allocRaw(ps.size(), learnt, use_extra, 0);
        uint32_t* w = ra.lea(cid);
        uint32_t abstraction = 0;
        for (int i = 0; i < ps.size(); i++) {
            w[1 + i] = uint32_t(ps[i].x);
            abstraction |= 1u << (var(ps[i]) & 31);
        }
        if (use_extra) {
            if (learnt) {
                float zero = 0.0f;
                std::memcpy(&w[1 + ps.size()], &zero, sizeof zero);
            } else {
                w[1 + ps.size()] = abstraction;
            }
        }
        return cid;
    }

    // Copy of an existing clause (the source lives in another arena).
    CRef alloc(const Clause& from) {
        bool use_extra = from.learnt() || extra_clause_field;
        int n = from.size();
        CRef cid = allocRaw(n, from.learnt(), use_extra, from.mark());
        uint32_t* w = ra.lea(cid);
        for (int i = 0; i < n; i++) w[1 + i] = uint32_t(from[i].x);
        if (use_extra) {
            if (from.has_extra()) {
                w[1 + n] = from.abstraction();  // raw word: activity or abstraction
            } else {
                uint32_t abstraction = 0;
                for (int i = 0; i < n; i++) abstraction |= 1u << (var(from[i]) & 31);
                w[1 + n] = abstraction;
            }
        }
        return cid;
    }

    Clause operator[](CRef r) { return Clause(ra.lea(r)); }
    const Clause operator[](CRef r) const { return Clause(const_cast<uint32_t*>(ra.lea(r))); }

    void free(CRef cid) {
        Clause c = operator[](cid);
        ra.free(Clause::words(c.size(), c.has_extra()));
    }

    void reloc(CRef& cr, ClauseAllocator& to) {
        Clause c = operator[](cr);
        if (c.reloced()) {
            cr = c.relocation();
            return;
        }
        CRef ncr = to.alloc(c);
        c.relocate(ncr);
        cr = ncr;
    }

    void moveTo(ClauseAllocator& to) {
        to.extra_clause_field = extra_clause_field;
        ra.moveTo(to.ra);
    }
};

}  // namespace Sat

#endif
