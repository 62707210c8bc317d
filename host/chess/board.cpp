#include "board.h"

#include <charconv>

namespace chess {

namespace {

struct Step {
    int file;
    int rank;
};

constexpr Step KnightSteps[8] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
constexpr Step KingSteps[8] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
constexpr Step DiagonalSteps[4] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
constexpr Step OrthogonalSteps[4] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

constexpr int A1 = squareAt(0, 0), B1 = squareAt(1, 0), C1 = squareAt(2, 0), D1 = squareAt(3, 0);
constexpr int E1 = squareAt(4, 0), F1 = squareAt(5, 0), G1 = squareAt(6, 0), H1 = squareAt(7, 0);
constexpr int A8 = squareAt(0, 7), B8 = squareAt(1, 7), C8 = squareAt(2, 7), D8 = squareAt(3, 7);
constexpr int E8 = squareAt(4, 7), F8 = squareAt(5, 7), G8 = squareAt(6, 7), H8 = squareAt(7, 7);

constexpr bool onBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }
constexpr uint8_t typeOf(uint8_t piece) { return piece & 7; }
constexpr bool isBlack(uint8_t piece) { return (piece & BlackPiece) != 0; }
constexpr uint8_t colourBit(bool black) { return black ? BlackPiece : 0; }

// Castling rights that a move from or to the square cancels.
uint8_t rightsLostAt(int square) {
    switch (square) {
    case E1: return CastleWhiteQueenSide | CastleWhiteKingSide;
    case A1: return CastleWhiteQueenSide;
    case H1: return CastleWhiteKingSide;
    case E8: return CastleBlackQueenSide | CastleBlackKingSide;
    case A8: return CastleBlackQueenSide;
    case H8: return CastleBlackKingSide;
    default: return 0;
    }
}

constexpr std::string_view PieceLetters = " kqnbrp"; // indexed by piece type
constexpr std::string_view PromotionLetters = "  qnbr";

char pieceLetter(uint8_t piece) {
    const char letter = PieceLetters[typeOf(piece)];
    return isBlack(piece) ? letter : char(letter - 'a' + 'A');
}

uint8_t pieceFromLetter(char letter) {
    const bool white = letter >= 'A' && letter <= 'Z';
    const char lower = white ? char(letter - 'A' + 'a') : letter;
    const size_t type = PieceLetters.find(lower);
    if (type == std::string_view::npos || type == 0) return Empty;
    return uint8_t(type) | colourBit(!white);
}

std::vector<std::string_view> splitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
        if (i > start) fields.push_back(text.substr(start, i - start));
    }
    return fields;
}

int parseCounter(std::string_view field, const char* name, int minimum) {
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || value < minimum)
        throw FenError(std::string("FEN ") + name + ": '" + std::string(field) + "' is not a number of at least " +
                       std::to_string(minimum));
    return value;
}

int parseSquare(std::string_view text) {
    if (text.size() != 2 || text[0] < 'a' || text[0] > 'h' || text[1] < '1' || text[1] > '8') return -1;
    return squareAt(text[0] - 'a', text[1] - '1');
}

} // namespace

std::string squareText(int square) {
    if (square < 0 || square > 63) return "??";
    return std::string{char('a' + fileOf(square)), char('1' + rankOf(square))};
}

std::string moveToUci(const Move& move) {
    std::string text = squareText(move.from) + squareText(move.to);
    if ((move.flags & FlagPromotion) && move.promotion >= Queen && move.promotion <= Rook)
        text += PromotionLetters[move.promotion];
    return text;
}

Board::Board() : Board(fromFen(InitialFen)) {}

Board Board::fromFen(std::string_view fen) {
    const std::vector<std::string_view> fields = splitFields(fen);
    if (fields.size() < 4 || fields.size() > 6)
        throw FenError("FEN has " + std::to_string(fields.size()) +
                       " fields, expected 4 to 6 (board, side, castling, en passant[, halfmove, fullmove])");

    Board board{Blank{}};

    // Board: eight ranks from the eighth down, each of eight squares from the a-file.
    int rank = 7;
    int file = 0;
    for (const char c : fields[0]) {
        const std::string rankName = std::to_string(rank + 1);
        if (c == '/') {
            if (file != 8)
                throw FenError("FEN board: rank " + rankName + " has " + std::to_string(file) +
                               " squares, expected 8");
            if (--rank < 0) throw FenError("FEN board: more than 8 ranks");
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
            if (file > 8) throw FenError("FEN board: rank " + rankName + " has more than 8 squares");
        } else {
            const uint8_t piece = pieceFromLetter(c);
            if (piece == Empty)
                throw FenError("FEN board: unexpected character '" + std::string(1, c) + "' in rank " + rankName);
            if (file >= 8) throw FenError("FEN board: rank " + rankName + " has more than 8 squares");
            board.squares_[size_t(squareAt(file, rank))] = piece;
            ++file;
        }
    }
    if (rank != 0) throw FenError("FEN board: " + std::to_string(8 - rank) + " ranks, expected 8");
    if (file != 8) throw FenError("FEN board: rank 1 has " + std::to_string(file) + " squares, expected 8");

    for (const bool black : {false, true}) {
        int kings = 0;
        for (const uint8_t piece : board.squares_)
            if (piece == (King | colourBit(black))) ++kings;
        const std::string side = black ? "black" : "white";
        if (kings != 1)
            throw FenError("FEN board: " + side + " has " + std::to_string(kings) + " kings, expected 1");
    }
    for (int square = 0; square < 64; ++square)
        if (typeOf(board.squares_[size_t(square)]) == Pawn && (rankOf(square) == 0 || rankOf(square) == 7))
            throw FenError("FEN board: pawn on " + squareText(square) + ", on the first or last rank");

    if (fields[1] != "w" && fields[1] != "b")
        throw FenError("FEN side to move: '" + std::string(fields[1]) + "', expected w or b");
    board.blackToMove_ = fields[1] == "b";

    board.castling_ = 0;
    if (fields[2] != "-") {
        struct Right {
            char letter;
            uint8_t bit;
            uint8_t king;
            int kingSquare;
            int rookSquare;
        };
        static constexpr Right Rights[4] = {{'K', CastleWhiteKingSide, King, E1, H1},
                                            {'Q', CastleWhiteQueenSide, King, E1, A1},
                                            {'k', CastleBlackKingSide, King | BlackPiece, E8, H8},
                                            {'q', CastleBlackQueenSide, King | BlackPiece, E8, A8}};
        for (const char c : fields[2]) {
            const Right* right = nullptr;
            for (const Right& r : Rights)
                if (r.letter == c) right = &r;
            if (right == nullptr)
                throw FenError("FEN castling: unexpected character '" + std::string(1, c) +
                               "', expected - or letters of KQkq");
            if (board.castling_ & right->bit)
                throw FenError("FEN castling: '" + std::string(1, c) + "' given twice");
            const uint8_t rook = Rook | (right->king & BlackPiece);
            if (board.at(right->kingSquare) != right->king)
                throw FenError("FEN castling: '" + std::string(1, c) + "' but no " +
                               (rook & BlackPiece ? "black" : "white") + " king on " +
                               squareText(right->kingSquare));
            if (board.at(right->rookSquare) != rook)
                throw FenError("FEN castling: '" + std::string(1, c) + "' but no " +
                               (rook & BlackPiece ? "black" : "white") + " rook on " +
                               squareText(right->rookSquare));
            board.castling_ |= right->bit;
        }
    }

    board.enPassantFile_ = -1;
    if (fields[3] != "-") {
        const int target = parseSquare(fields[3]);
        if (target < 0) throw FenError("FEN en passant: '" + std::string(fields[3]) + "' is not a square");
        // The pawn that moved two squares belongs to the side not to move.
        const int targetRank = board.blackToMove_ ? 2 : 5;
        const int forward = board.blackToMove_ ? 1 : -1; // from the target towards the pushed pawn
        const std::string name(fields[3]);
        if (rankOf(target) != targetRank)
            throw FenError("FEN en passant: " + name + " with " + (board.blackToMove_ ? "black" : "white") +
                           " to move, expected a square on rank " + std::to_string(targetRank + 1));
        const int pawnSquare = target + forward;
        const int originSquare = target - forward;
        const uint8_t pushedPawn = Pawn | colourBit(!board.blackToMove_);
        if (board.at(target) != Empty) throw FenError("FEN en passant: " + name + " is not empty");
        if (board.at(originSquare) != Empty)
            throw FenError("FEN en passant: " + name + " but " + squareText(originSquare) +
                           ", where the pawn started, is not empty");
        if (board.at(pawnSquare) != pushedPawn)
            throw FenError("FEN en passant: " + name + " but no " + (board.blackToMove_ ? "white" : "black") +
                           " pawn on " + squareText(pawnSquare));
        board.enPassantFile_ = fileOf(target);
    }

    board.halfmoveClock_ = fields.size() > 4 ? parseCounter(fields[4], "halfmove clock", 0) : 0;
    board.fullmoveNumber_ = fields.size() > 5 ? parseCounter(fields[5], "fullmove number", 1) : 1;

    const bool notToMove = !board.blackToMove_;
    if (board.isAttacked(board.kingSquare(notToMove), !notToMove))
        throw FenError(std::string("FEN: ") + (notToMove ? "black" : "white") + " is in check but not to move");
    return board;
}

std::string Board::fen() const {
    std::string text;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const uint8_t piece = at(squareAt(file, rank));
            if (piece == Empty) {
                ++empty;
                continue;
            }
            if (empty > 0) text += char('0' + empty);
            empty = 0;
            text += pieceLetter(piece);
        }
        if (empty > 0) text += char('0' + empty);
        if (rank > 0) text += '/';
    }
    text += blackToMove_ ? " b " : " w ";
    if (castling_ == 0) text += '-';
    if (castling_ & CastleWhiteKingSide) text += 'K';
    if (castling_ & CastleWhiteQueenSide) text += 'Q';
    if (castling_ & CastleBlackKingSide) text += 'k';
    if (castling_ & CastleBlackQueenSide) text += 'q';
    text += ' ';
    text += enPassantFile_ < 0 ? std::string("-") : squareText(squareAt(enPassantFile_, blackToMove_ ? 2 : 5));
    text += ' ' + std::to_string(halfmoveClock_) + ' ' + std::to_string(fullmoveNumber_);
    return text;
}

int Board::kingSquare(bool black) const {
    for (int square = 0; square < 64; ++square)
        if (at(square) == (King | colourBit(black))) return square;
    return -1;
}

bool Board::isAttacked(int square, bool byBlack) const {
    if (square < 0) return false;
    const uint8_t colour = colourBit(byBlack);
    const int file = fileOf(square);
    const int rank = rankOf(square);
    auto holds = [&](int f, int r, uint8_t type) {
        return onBoard(f, r) && at(squareAt(f, r)) == (type | colour);
    };
    // A pawn attacks diagonally forward, so the attacker stands one rank behind the square.
    const int pawnRank = byBlack ? rank + 1 : rank - 1;
    if (holds(file - 1, pawnRank, Pawn) || holds(file + 1, pawnRank, Pawn)) return true;
    for (const Step& s : KnightSteps)
        if (holds(file + s.file, rank + s.rank, Knight)) return true;
    for (const Step& s : KingSteps)
        if (holds(file + s.file, rank + s.rank, King)) return true;
    auto slider = [&](const Step* steps, uint8_t type) {
        for (int i = 0; i < 4; ++i) {
            int f = file + steps[i].file;
            int r = rank + steps[i].rank;
            while (onBoard(f, r)) {
                const uint8_t piece = at(squareAt(f, r));
                if (piece != Empty) {
                    if ((piece & BlackPiece) == colour && (typeOf(piece) == type || typeOf(piece) == Queen))
                        return true;
                    break;
                }
                f += steps[i].file;
                r += steps[i].rank;
            }
        }
        return false;
    };
    return slider(DiagonalSteps, Bishop) || slider(OrthogonalSteps, Rook);
}

bool Board::inCheck() const { return isAttacked(kingSquare(blackToMove_), !blackToMove_); }

void Board::addPawnMoves(std::vector<Move>& moves, int from) const {
    const int forward = blackToMove_ ? -1 : 1;
    const int startRank = blackToMove_ ? 6 : 1;
    const int lastRank = blackToMove_ ? 0 : 7;
    const int file = fileOf(from);
    const int rank = rankOf(from);
    auto add = [&](int to, uint8_t flags) {
        if (rankOf(to) == lastRank) {
            for (const uint8_t piece : {Queen, Knight, Bishop, Rook})
                moves.push_back({uint8_t(from), uint8_t(to), uint8_t(flags | FlagPromotion), piece});
        } else {
            moves.push_back({uint8_t(from), uint8_t(to), flags, 0});
        }
    };
    const int ahead = squareAt(file, rank + forward);
    if (at(ahead) == Empty) {
        add(ahead, 0);
        const int twoAhead = squareAt(file, rank + 2 * forward);
        if (rank == startRank && at(twoAhead) == Empty)
            moves.push_back({uint8_t(from), uint8_t(twoAhead), FlagDoublePush, 0});
    }
    for (const int side : {-1, 1}) {
        if (!onBoard(file + side, rank + forward)) continue;
        const int to = squareAt(file + side, rank + forward);
        const uint8_t target = at(to);
        if (target != Empty && isBlack(target) != blackToMove_) add(to, FlagCapture);
        const int enPassantRank = blackToMove_ ? 2 : 5;
        if (target == Empty && enPassantFile_ == file + side && rankOf(to) == enPassantRank)
            moves.push_back({uint8_t(from), uint8_t(to), FlagEnPassant, 0});
    }
}

void Board::addCastling(std::vector<Move>& moves) const {
    struct Castle {
        uint8_t bit;
        int kingFrom;
        int kingTo;
        int rookFrom;
        int between[3]; // squares that must be empty; -1 ends the list
        int passed;     // the square the king crosses
    };
    static constexpr Castle Castles[4] = {{CastleWhiteKingSide, E1, G1, H1, {F1, G1, -1}, F1},
                                          {CastleWhiteQueenSide, E1, C1, A1, {D1, C1, B1}, D1},
                                          {CastleBlackKingSide, E8, G8, H8, {F8, G8, -1}, F8},
                                          {CastleBlackQueenSide, E8, C8, A8, {D8, C8, B8}, D8}};
    const uint8_t colour = colourBit(blackToMove_);
    for (const Castle& c : Castles) {
        if (!(castling_ & c.bit) || at(c.kingFrom) != (King | colour) || at(c.rookFrom) != (Rook | colour))
            continue;
        bool clear = true;
        for (const int square : c.between)
            if (square >= 0 && at(square) != Empty) clear = false;
        if (!clear || isAttacked(c.kingFrom, !blackToMove_) || isAttacked(c.passed, !blackToMove_)) continue;
        // The king's destination is tested with the other legal-move checks.
        moves.push_back({uint8_t(c.kingFrom), uint8_t(c.kingTo), c.bit, 0});
    }
}

void Board::generatePseudoLegal(std::vector<Move>& moves) const {
    for (int from = 0; from < 64; ++from) {
        const uint8_t piece = at(from);
        if (piece == Empty || isBlack(piece) != blackToMove_) continue;
        const int file = fileOf(from);
        const int rank = rankOf(from);
        auto tryTarget = [&](int f, int r) {
            // Returns whether a slider may go on past this square.
            if (!onBoard(f, r)) return false;
            const int to = squareAt(f, r);
            const uint8_t target = at(to);
            if (target == Empty) {
                moves.push_back({uint8_t(from), uint8_t(to), 0, 0});
                return true;
            }
            if (isBlack(target) != blackToMove_) moves.push_back({uint8_t(from), uint8_t(to), FlagCapture, 0});
            return false;
        };
        auto slide = [&](const Step* steps) {
            for (int i = 0; i < 4; ++i)
                for (int f = file + steps[i].file, r = rank + steps[i].rank; tryTarget(f, r);
                     f += steps[i].file, r += steps[i].rank) {
                }
        };
        switch (typeOf(piece)) {
        case Pawn: addPawnMoves(moves, from); break;
        case Knight:
            for (const Step& s : KnightSteps) tryTarget(file + s.file, rank + s.rank);
            break;
        case King:
            for (const Step& s : KingSteps) tryTarget(file + s.file, rank + s.rank);
            break;
        case Bishop: slide(DiagonalSteps); break;
        case Rook: slide(OrthogonalSteps); break;
        case Queen:
            slide(DiagonalSteps);
            slide(OrthogonalSteps);
            break;
        default: break;
        }
    }
    addCastling(moves);
}

std::vector<Move> Board::legalMoves() const {
    std::vector<Move> candidates;
    candidates.reserve(64);
    generatePseudoLegal(candidates);
    std::vector<Move> legal;
    legal.reserve(candidates.size());
    for (const Move& move : candidates) {
        Board after = *this;
        after.makeUnchecked(move);
        if (!after.isAttacked(after.kingSquare(blackToMove_), after.blackToMove_)) legal.push_back(move);
    }
    return legal;
}

void Board::makeUnchecked(const Move& move) {
    const uint8_t piece = at(move.from);
    const bool capture = at(move.to) != Empty || (move.flags & FlagEnPassant);
    squares_[move.to] = (move.flags & FlagPromotion) ? uint8_t(move.promotion | (piece & BlackPiece)) : piece;
    squares_[move.from] = Empty;
    if (move.flags & FlagEnPassant) squares_[size_t(squareAt(fileOf(move.to), rankOf(move.from)))] = Empty;
    if (move.flags & AllCastling) {
        // The rook goes from the corner to the square the king crossed.
        const bool kingSide = fileOf(move.to) == 6;
        const int rank = rankOf(move.from);
        squares_[size_t(squareAt(kingSide ? 5 : 3, rank))] = squares_[size_t(squareAt(kingSide ? 7 : 0, rank))];
        squares_[size_t(squareAt(kingSide ? 7 : 0, rank))] = Empty;
    }
    castling_ &= uint8_t(~(rightsLostAt(move.from) | rightsLostAt(move.to)));
    enPassantFile_ = (move.flags & FlagDoublePush) ? fileOf(move.from) : -1;
    halfmoveClock_ = (capture || typeOf(piece) == Pawn) ? 0 : halfmoveClock_ + 1;
    if (blackToMove_) ++fullmoveNumber_;
    blackToMove_ = !blackToMove_;
}

void Board::apply(const Move& move) {
    for (const Move& legal : legalMoves())
        if (legal == move) {
            makeUnchecked(move);
            return;
        }
    throw MoveError("'" + moveToUci(move) + "' is not legal in " + fen());
}

Move Board::parseUciMove(std::string_view text) const {
    std::string quoted(1, '\'');
    quoted.append(text).push_back('\'');
    if (text.size() != 4 && text.size() != 5) throw MoveError(quoted + " is not a move in coordinate form");
    const int from = parseSquare(text.substr(0, 2));
    const int to = parseSquare(text.substr(2, 2));
    if (from < 0 || to < 0) throw MoveError(quoted + " is not a move in coordinate form");
    uint8_t promotion = 0;
    if (text.size() == 5) {
        const char letter = text[4] >= 'A' && text[4] <= 'Z' ? char(text[4] - 'A' + 'a') : text[4];
        const size_t type = PromotionLetters.find(letter);
        if (letter == ' ' || type == std::string_view::npos)
            throw MoveError(quoted + ": promotion piece must be one of q, r, b, n");
        promotion = uint8_t(type);
    }
    bool promotes = false;
    for (const Move& move : legalMoves()) {
        if (move.from != from || move.to != to) continue;
        if (move.promotion == promotion) return move;
        promotes = promotes || (move.flags & FlagPromotion);
    }
    if (promotes) throw MoveError(quoted + ": a promotion needs its piece, one of q, r, b, n");
    if (promotion != 0) throw MoveError(quoted + " is not a promotion");
    throw MoveError(quoted + " is not legal in " + fen());
}

uint64_t perft(const Board& board, int depth) {
    if (depth <= 0) return 1;
    const std::vector<Move> moves = board.legalMoves();
    if (depth == 1) return moves.size();
    uint64_t total = 0;
    for (const Move& move : moves) {
        Board next = board;
        next.makeUnchecked(move);
        total += perft(next, depth - 1);
    }
    return total;
}

uint64_t perft(const Board& board, int depth, const std::atomic<bool>& stop) {
    if (depth <= 0) return 1;
    const std::vector<Move> moves = board.legalMoves();
    if (depth == 1) return moves.size();
    uint64_t total = 0;
    for (const Move& move : moves) {
        if (stop.load(std::memory_order_relaxed)) break;
        Board next = board;
        next.makeUnchecked(move);
        total += perft(next, depth - 1, stop);
    }
    return total;
}

std::vector<std::pair<Move, uint64_t>> perftDivide(const Board& board, int depth) {
    std::vector<std::pair<Move, uint64_t>> counts;
    if (depth <= 0) return counts;
    for (const Move& move : board.legalMoves()) {
        Board next = board;
        next.apply(move);
        counts.emplace_back(move, perft(next, depth - 1));
    }
    return counts;
}

} // namespace chess
