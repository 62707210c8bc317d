// A notification from the engine together with the record fields as they stood during the Func3 call,
// and the one-line text form that every test host prints.
#pragma once

#include <cstdint>
#include <string>

struct HostMoveBytes {
    uint8_t from = 0;
    uint8_t to = 0;
    uint8_t flags = 0;
    uint8_t promotion = 0;
    bool operator==(const HostMoveBytes&) const = default;
};

struct Notification {
    int32_t code = 0;
    int32_t hostParam1 = 0;
    int32_t hostParam2 = 0;
    const void* record = nullptr;
    uint32_t tick = 0; // host clock when the notification arrived
    // NOTIFY_DEPTH
    int32_t depth = 0;
    int32_t depthWord2 = 0;
    // NOTIFY_CURRENT_MOVE
    int32_t rootMoveNumber = 0;
    int32_t rootMoveCount = 0;
    HostMoveBytes rootMove;
    // NOTIFY_BEST_MOVE
    uint32_t reportWord = 0;
    int32_t lineLength = 0;
    HostMoveBytes line;
    uint32_t elapsedSeconds = 0;
    int32_t scoreValue = 0;
    int32_t scoreKind = 0;
};

// Copies the fields that belong to the code out of the record.
Notification decodeNotification(int32_t code, int32_t hostParam1, int32_t hostParam2, const uint8_t* record);

// Square name such as "e4"; "??" outside the board.
std::string squareName(int32_t square);
// Coordinate form of a host move: e2e4, e7e8q.
std::string moveText(const HostMoveBytes& move);
// One line: the code's name and its fields.
std::string formatNotification(const Notification& notification);
