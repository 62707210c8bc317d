// Writes the seed corpora of the fuzz targets from EPD files of real positions:
//   make_seeds OUTDIR FILE.epd...
// OUTDIR/module gets module-fuzzer inputs (a header and a game record), OUTDIR/chess FEN-and-moves
// texts, OUTDIR/uci short UCI sessions. Each EPD line is a FEN's first four fields, then anything.
#include "engine/interface/host_records.h"
#include "host/chess/game_record.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string fenOf(const std::string& line) {
    std::istringstream in(line);
    std::string field, fen;
    for (int i = 0; i < 4 && in >> field; ++i) fen += (i ? " " : "") + field;
    return fen + " 0 1";
}

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// Up to count legal moves from the board, chosen by the generator.
std::vector<chess::Move> randomGame(chess::Board board, int count, std::mt19937& random) {
    std::vector<chess::Move> moves;
    for (int i = 0; i < count; ++i) {
        const auto legal = board.legalMoves();
        if (legal.empty()) break;
        const chess::Move move = legal[random() % legal.size()];
        board.apply(move);
        moves.push_back(move);
    }
    return moves;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: make_seeds OUTDIR FILE.epd...\n";
        return 2;
    }
    const fs::path out = argv[1];
    for (const char* name : {"module", "chess", "uci"}) fs::create_directories(out / name);
    std::mt19937 random(12345);
    int index = 0;
    for (int f = 2; f < argc; ++f) {
        std::ifstream in(argv[f]);
        if (!in) {
            std::cerr << "cannot read " << argv[f] << "\n";
            return 1;
        }
        std::string line;
        int lineNumber = 0;
        while (std::getline(in, line)) {
            // Every line of the small files, every tenth of the large ones keeps the corpora small.
            if (line.empty() || (lineNumber++ % 10 != 0 && std::string(argv[f]).find("openings") != std::string::npos))
                continue;
            const std::string fen = fenOf(line);
            chess::Board board;
            try {
                board = chess::Board::fromFen(fen);
            } catch (const chess::FenError&) {
                continue;
            }
            const int plies = int(random() % 12);
            const auto moves = randomGame(board, plies, random);
            chess::GameRecord record(board, moves);
            // Fixed depths 1 to 3, or a clock of a few seconds.
            if (index % 4 == 3) {
                record.setTimeMode(1);
                record.setRemainingSeconds(int32_t(random() % 300));
                record.setIncrementSeconds(int32_t(random() % 5));
                record.setMovesToGo(index % 8 == 3 ? chess::MovesToGoNone : int16_t(random() % 40));
            } else {
                record.setTimeMode(2);
                record.setFixedDepth(int16_t(1 + index % 3));
            }
            // Initialise, query, think twice, finish, then think after the end.
            std::string header = {char(index & 3), char(index % 5 == 0 ? 7 : 0), char(index % 3), char(index % 32),
                                  0, 4, 2, 5, 3, 2, 0, 2, 3, 4, 4, 4};
            const auto& bytes = record.bytes();
            size_t length = bytes.size();
            while (length > 0 && bytes[length - 1] == 0) --length;
            write(out / "module" / ("seed-" + std::to_string(index)),
                  header + std::string(bytes.begin(), bytes.begin() + long(length)));

            std::string moveText;
            for (const auto& m : moves) moveText += chess::moveToUci(m) + " ";
            write(out / "chess" / ("seed-" + std::to_string(index)), fen + "\n" + moveText + "\n");
            if (index % 3 == 0) {
                std::string session = "uci\nisready\nucinewgame\nposition fen " + fen + " moves " + moveText +
                                      "\ngo depth " + std::to_string(1 + index % 3) +
                                      "\nposition startpos moves e2e4 e7e5\ngo wtime 1000 btime 1000\nstop\n"
                                      "position fen 8/8/8/8/8/8/8/8 w - - 0 1\ngo perft 2\nquit\n";
                write(out / "uci" / ("seed-" + std::to_string(index)), session);
            }
            ++index;
        }
    }
    std::cout << index << " positions\n";
    return 0;
}
