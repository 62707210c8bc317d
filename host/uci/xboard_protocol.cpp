#include "xboard_protocol.h"

#include "engine/interface/notify.h"
#include "uci_protocol.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace xboard {

namespace {

// A non-negative decimal such as 5, 0.5 or 0.02 in the given unit, as whole milliseconds (rounded
// down). Held far below any overflow.
std::optional<int64_t> decimalMs(const std::string& text, int64_t unitMs) {
    const size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return std::nullopt;
    if (whole.find_first_not_of("0123456789") != std::string::npos ||
        fraction.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    int64_t ms = 0;
    for (const char digit : whole) ms = std::min(ms * 10 + (digit - '0'), uci::MaxPlanMs);
    ms = std::min(ms * unitMs, uci::MaxPlanMs);
    // Digits past the millisecond do not count.
    int64_t scale = unitMs;
    for (const char digit : fraction) {
        if (scale % 10 != 0) break;
        scale /= 10;
        ms += (digit - '0') * scale;
    }
    return std::min(ms, uci::MaxPlanMs);
}

} // namespace

std::optional<Level> parseLevel(const std::vector<std::string>& arguments) {
    if (arguments.size() != 3) return std::nullopt;
    Level level;
    const std::optional<int64_t> moves = parseInteger(arguments[0]);
    if (!moves || *moves < 0) return std::nullopt;
    level.movesPerControl = *moves;
    const std::string& base = arguments[1];
    const size_t colon = base.find(':');
    std::optional<int64_t> baseMs;
    if (colon == std::string::npos) {
        baseMs = decimalMs(base, 60000);
    } else {
        const std::optional<int64_t> minutes = decimalMs(base.substr(0, colon), 60000);
        const std::optional<int64_t> seconds = decimalMs(base.substr(colon + 1), 1000);
        if (minutes && seconds && base.find('.') >= colon) baseMs = std::min(*minutes + *seconds, uci::MaxPlanMs);
    }
    const std::optional<int64_t> incrementMs = decimalMs(arguments[2], 1000);
    if (!baseMs || !incrementMs) return std::nullopt;
    level.baseMs = *baseMs;
    level.incrementMs = *incrementMs;
    return level;
}

std::optional<int64_t> parseInteger(const std::string& text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || end != text.data() + text.size()) return std::nullopt;
    if (error == std::errc::result_out_of_range)
        return text.front() == '-' ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    if (error != std::errc()) return std::nullopt;
    return value;
}

int64_t score(const Notification& n) {
    if (n.scoreKind != 2) return n.scoreValue;
    return n.scoreValue > 0 ? 100000 + int64_t(n.scoreValue) : -100000 + int64_t(n.scoreValue);
}

std::string thinkingLine(int depth, const Notification& n, int64_t elapsedMs) {
    return std::to_string(std::max(depth, 1)) + " " + std::to_string(score(n)) + " " +
           std::to_string(std::max<int64_t>(elapsedMs, 0) / 10) + " 0 " + moveText(n.line);
}

} // namespace xboard
