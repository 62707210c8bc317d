#include "search/alpha_beta.h"

#include "board/make_move.h"
#include "board/make_move_inline.h"
#include "eval/evaluate.h"
#include "interface/engine_state.h"
#include "interface/platform.h"
#include "movegen/attacks.h"
#include "movegen/generator.h"
#include "movegen/ordering.h"
#include "search/search_state.h"

uint32_t searchStart;
uint32_t searchTimeLimit;
uint64_t SearchNodes;

uint32_t elapsedSinceSearchStart() { return GetTickCount() - searchStart; }

namespace {

inline bool stopRequested() { return loadFlag(EngineState.stopRequested) != 0; }

// The move that led here left its own king en prise.
inline bool enemyKingAttacked() {
    return isSquareAttacked(Pos.sideToMove == White ? Pos.blackKing : Pos.whiteKing, Pos.sideToMove);
}

inline bool inCheck() {
    return kingInCheck(Pos.sideToMove == White ? Pos.whiteKing : Pos.blackKing, Pos.sideToMove ^ 8);
}

// Compares elapsed time, not tick counts, so that the counter's wrap cannot end a search early.
inline bool deadlinePassed() { return elapsedSinceSearchStart() > searchTimeLimit; }

// The unsearched entry with the highest ordering score, the first of equals; -1 when none is left.
// requiredFlags 0 takes every entry, otherwise only entries with one of those flag bits.
inline int32_t selectNext(int32_t base, int32_t end, uint8_t requiredFlags) {
    int32_t chosen = -1;
    int32_t bestScore = SearchedMark;
    for (int32_t i = base; i < end; ++i) {
        const Move& entry = MoveStack[i];
        if (requiredFlags != 0 && (entry.flags & requiredFlags) == 0) continue;
        if (entry.score > bestScore) {
            bestScore = entry.score;
            chosen = i;
        }
    }
    return chosen;
}

struct LoopEnd {
    int32_t cutoff; // index of the entry whose value reached beta, -1 when none did
    bool stopped;   // left because a stop was requested
};

// The move loop both nodes share: select, mark, make, search the child, unmake, until a cutoff, a stop
// or the end of the list. best and alpha are the node's own and are raised in place.
// Lists up to this long are put in order once their first move has not cut off.
constexpr int32_t OrderedListLimit = 128;

// The unsearched entries that pass the flag filter, by descending score, equal scores in list order:
// the order in which selectNext would pick them. Returns how many there are.
inline int32_t orderRemaining(int32_t base, int32_t end, uint8_t requiredFlags, int16_t* order) {
    int32_t scores[OrderedListLimit];
    int32_t n = 0;
    for (int32_t i = base; i < end; ++i) {
        const Move& entry = MoveStack[i];
        if (entry.score <= SearchedMark || (requiredFlags != 0 && (entry.flags & requiredFlags) == 0)) continue;
        int32_t j = n++;
        for (; j > 0 && scores[j - 1] < entry.score; --j) {
            scores[j] = scores[j - 1];
            order[j] = order[j - 1];
        }
        scores[j] = entry.score;
        order[j] = int16_t(i);
    }
    return n;
}

// The move loop both nodes share: select, mark, make, search the child, unmake, until a cutoff, a stop
// or the end of the list. best and alpha are the node's own and are raised in place. The first move is
// selected by a scan, as most nodes that cut off do so there; the rest follow one ordering of the list.
template <typename SearchChild>
inline LoopEnd searchMoves(int32_t base, int32_t end, uint8_t requiredFlags, int32_t& best, int32_t& alpha,
                           int32_t beta, SearchChild searchChild) {
    int16_t order[OrderedListLimit];
    int32_t ordered = -1; // entries in order, -1 while selecting by scan
    int32_t next = 0;
    for (int32_t picks = 0;; ++picks) {
        int32_t i;
        if (ordered >= 0) {
            if (next == ordered) return {-1, false};
            i = order[next++];
        } else if (picks == 1 && end - base <= OrderedListLimit) {
            ordered = orderRemaining(base, end, requiredFlags, order);
            if (ordered == 0) return {-1, false};
            i = order[next++];
        } else {
            i = selectNext(base, end, requiredFlags);
            if (i < 0) return {-1, false};
        }
        Move& entry = MoveStack[i];
        entry.score = SearchedMark;
        Pos.plies[Pos.ply].moveIndex = i;
        makeMoveInline(entry);
        const int32_t v = searchChild();
        unmakeMoveInline(entry);
        if (v > best) {
            best = v;
            if (v >= beta) return {i, false};
            if (v > alpha) alpha = v;
        }
        if (stopRequested()) return {-1, true};
    }
}

inline bool sameKiller(const Move& a, const Move& b) {
    return a.from == b.from && a.to == b.to && a.promotion == b.promotion;
}

} // namespace

int32_t isRepetition() {
    if (Pos.ply < 4) return 0;
    const PlyRecord* plies = Pos.plies + Pos.ply;
    const int32_t i1 = plies[-1].moveIndex, i2 = plies[-2].moveIndex;
    const int32_t i3 = plies[-3].moveIndex, i4 = plies[-4].moveIndex;
    if (i1 == 0 || i2 == 0 || i3 == 0 || i4 == 0) return 0;
    const Move &m1 = MoveStack[i1], &m2 = MoveStack[i2], &m3 = MoveStack[i3], &m4 = MoveStack[i4];
    return m1.flags == 0 && m3.flags == 0 && m1.from == m3.to && m1.to == m3.from && m2.flags == 0 &&
           m4.flags == 0 && m2.from == m4.to && m2.to == m4.from;
}

void recordCutoff(const Move& move) {
    uint8_t& count = HistoryTable[move.from][move.to];
    count = uint8_t(count + 1);
    if (count == 0) {
        for (auto& row : HistoryTable)
            for (uint8_t& entry : row) entry = uint8_t(entry >> 1);
        count = 128;
    }
    Move* killers = KillerMoves[Pos.ply];
    if (sameKiller(killers[0], move)) return;
    killers[1] = killers[0];
    killers[0] = move;
}

int32_t alphaBeta(int32_t alpha, int32_t beta, int32_t depth) {
    SearchNodes += 1;
    if (enemyKingAttacked()) return MateValue - Pos.ply;
    if (isRepetition()) return 0;

    const int32_t base = MoveCount;
    generateMoves();
    const int32_t end = MoveCount;
    const int32_t mated = Pos.ply - (MateValue - 1);
    int32_t best = mated;

    if (Pos.ply > MaxSearchPly) {
        const int32_t result = inCheck() ? best : evaluate(base);
        MoveCount = base;
        return result;
    }

    const LoopEnd loop = searchMoves(base, end, 0, best, alpha, beta, [&] {
        return depth > 1 ? -alphaBeta(-beta, -alpha, depth - 1) : -quiesce(-beta, -alpha);
    });
    if (!loop.stopped) {
        if (deadlinePassed()) storeFlag(EngineState.stopRequested, 1);
        else if (loop.cutoff >= 0) recordCutoff(MoveStack[loop.cutoff]);
    }

    MoveCount = base;
    if (stopRequested()) return 0;
    if (best == mated) return inCheck() ? best : 0;
    return best;
}

int32_t quiesce(int32_t alpha, int32_t beta) {
    SearchNodes += 1;
    if (enemyKingAttacked()) return MateValue - Pos.ply;
    const bool checked = inCheck();

    // Outside check only the tactical entries are searched: when the whole list fits the stack, only
    // those are written, once the evaluation has not cut off, and the stack is taken up to where the
    // whole list would have ended. listEnd < 0 while they are not written yet.
    const int32_t base = MoveCount;
    int32_t listEnd = -1;
    if (checked) {
        generateMoves();
        listEnd = MoveCount;
    } else {
        const int32_t total = countMoves();
        if (total <= MoveStackSize - base) {
            MoveCount = base + total;
        } else {
            generateMoves();
            listEnd = MoveCount;
        }
    }
    int32_t best = Pos.ply - (MateValue - 1);

    if (!checked) {
        best = evaluate(base);
        if (best > alpha) {
            if (best >= beta) {
                MoveCount = base;
                return stopRequested() ? 0 : best;
            }
            alpha = best;
        }
    }

    if (Pos.ply <= MaxSearchPly) {
        if (listEnd < 0) {
            const int32_t end = MoveCount;
            MoveCount = base;
            generateTacticalMoves();
            listEnd = MoveCount;
            MoveCount = end;
        }
        const LoopEnd loop = searchMoves(base, listEnd, checked ? 0 : TacticalMask, best, alpha, beta,
                                         [&] { return -quiesce(-beta, -alpha); });
        if (!loop.stopped) {
            if (deadlinePassed()) storeFlag(EngineState.stopRequested, 1);
            else if (checked && loop.cutoff >= 0) recordCutoff(MoveStack[loop.cutoff]);
        }
    }

    MoveCount = base;
    return stopRequested() ? 0 : best;
}
