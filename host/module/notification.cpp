#include "notification.h"

#include "interface/host_records.h"
#include "interface/notify.h"

#include <cstdio>

namespace {

HostMoveBytes readMove(const uint8_t* record, int32_t offset) {
    return HostMoveBytes{record[offset], record[offset + 1], record[offset + 2], record[offset + 3]};
}

} // namespace

Notification decodeNotification(int32_t code, int32_t hostParam1, int32_t hostParam2, const uint8_t* record) {
    using namespace HostRecord;
    Notification n;
    n.code = code;
    n.hostParam1 = hostParam1;
    n.hostParam2 = hostParam2;
    n.record = record;
    if (record == nullptr) return n;
    switch (code) {
    case NOTIFY_DEPTH:
        n.depth = readU16(record, Depth::DepthValue);
        n.depthWord2 = readU16(record, Depth::DepthWord2);
        break;
    case NOTIFY_CURRENT_MOVE:
        n.rootMoveNumber = readU16(record, CurrentMove::RootMoveNumber);
        n.rootMoveCount = readU16(record, CurrentMove::RootMoveCount);
        n.rootMove = readMove(record, CurrentMove::RootMove);
        break;
    case NOTIFY_BEST_MOVE:
        n.reportWord = readU32(record, BestMove::ReportWord);
        n.lineLength = readU16(record, BestMove::LineLength);
        n.line = readMove(record, BestMove::Line);
        n.elapsedSeconds = readU32(record, BestMove::ElapsedSeconds);
        n.scoreValue = readI16(record, BestMove::ScoreValue);
        n.scoreKind = readU16(record, BestMove::ScoreKind);
        break;
    default:
        break;
    }
    return n;
}

std::string squareName(int32_t square) {
    if (square < 0 || square > 63) return "??";
    return std::string{char('a' + (square >> 3)), char('1' + (square & 7))};
}

std::string moveText(const HostMoveBytes& move) {
    static const char PromotionLetter[8] = {'?', '?', 'q', 'n', 'b', 'r', '?', '?'};
    std::string text = squareName(move.from) + squareName(move.to);
    if (move.flags & 0x40) text += PromotionLetter[move.promotion & 7];
    return text;
}

std::string formatNotification(const Notification& n) {
    char line[256];
    switch (n.code) {
    case NOTIFY_START:
        std::snprintf(line, sizeof line, "341 start");
        break;
    case NOTIFY_DEPTH:
        std::snprintf(line, sizeof line, "344 depth %d word2 %d", n.depth, n.depthWord2);
        break;
    case NOTIFY_CURRENT_MOVE:
        std::snprintf(line, sizeof line, "342 move %d/%d %s flags %02x", n.rootMoveNumber, n.rootMoveCount,
                      moveText(n.rootMove).c_str(), unsigned(n.rootMove.flags));
        break;
    case NOTIFY_BEST_MOVE:
        std::snprintf(line, sizeof line, "340 best %s flags %02x kind %d value %d elapsed %u length %d word %u",
                      moveText(n.line).c_str(), unsigned(n.line.flags), n.scoreKind, n.scoreValue,
                      unsigned(n.elapsedSeconds), n.lineLength, unsigned(n.reportWord));
        break;
    default:
        std::snprintf(line, sizeof line, "%d unknown", n.code);
        break;
    }
    return line;
}
