#include "movegen/perft.h"

#include "board/make_move.h"
#include "movegen/attacks.h"
#include "movegen/generator.h"

namespace {

// Makes the entry and says whether it left the mover's king safe; the caller unmakes it.
inline bool makeLegal(int32_t index) {
    Pos.plies[Pos.ply].moveIndex = index;
    makeMove(MoveStack[index]);
    const int32_t moverKing = Pos.sideToMove == White ? Pos.blackKing : Pos.whiteKing;
    return !isSquareAttacked(moverKing, Pos.sideToMove);
}

uint64_t countLeaves(int32_t depth) {
    const int32_t base = MoveCount;
    generateMoves();
    const int32_t end = MoveCount;
    uint64_t leaves = 0;
    for (int32_t i = base; i < end; ++i) {
        if (makeLegal(i)) leaves += depth <= 1 ? 1 : countLeaves(depth - 1);
        unmakeMove(MoveStack[i]);
    }
    MoveCount = base;
    return leaves;
}

} // namespace

uint64_t perft(int32_t depth) { return depth < 1 ? 1 : countLeaves(depth); }

uint64_t perftDivide(int32_t depth, void (*report)(void* context, const Move& move, uint64_t count),
                     void* context) {
    if (depth < 1) return 1;
    const int32_t base = MoveCount;
    generateMoves();
    const int32_t end = MoveCount;
    uint64_t total = 0;
    for (int32_t i = base; i < end; ++i) {
        if (makeLegal(i)) {
            const uint64_t below = depth == 1 ? 1 : countLeaves(depth - 1);
            total += below;
            unmakeMove(MoveStack[i]);
            report(context, MoveStack[i], below);
        } else {
            unmakeMove(MoveStack[i]);
        }
    }
    MoveCount = base;
    return total;
}
