// Expected trace messages, built from the channel's fixed texts, to compare byte for byte with a TraceCapture's.
#ifndef QORU_TEST_TRACE_FRAME_H
#define QORU_TEST_TRACE_FRAME_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "trace_capture.h"

namespace qoru_test {

inline constexpr char endOfMessage[] = "--- Unicode interface ------ End of message ------";

// The number after marker in a message's header (" time = ", "] pid = "), or -1 when there is none.
inline int64_t headerNumber(const std::string &message, const char *marker) {
    const size_t at = message.find(marker);
    return at == std::string::npos ? -1 : std::strtoll(message.c_str() + at + strlen(marker), nullptr, 10);
}
inline int64_t headerTime(const std::string &message) { return headerNumber(message, " time = "); }

// A message as the channel frames it: header, the command line when given (first message of the process), text,
// and the trailer when asked for. The process identifier is this process's unless given.
inline std::string framedMessage(const std::string &shownName, int32_t line, int64_t time, const std::string &text,
                                 bool trailer, const char *cmdline = nullptr, int32_t pid = -1) {
    std::string m = "--- Unicode interface [" + shownName + " line " + std::to_string(line) + "] pid = " +
                    std::to_string(pid != -1 ? pid : plat::processId()) + " time = " + std::to_string(time) + ":\n";
    if (cmdline) m += std::string("Cmdline : ") + cmdline + "\n\n";
    m += text;
    if (trailer) m += std::string("\n") + endOfMessage;
    return m;
}

// Writes one message so that later messages of this process carry no command line.
inline void showCommandLineOnce() {
    TraceCapture cap(qoru::traceMedium);
    qoru::traceMessageU16("", "prime", 0, false);
}

// The dump lines of traceBytesU16 (16 bytes a line, shown from 0x21 to 0x7E) and traceCharsU16 (8 units a line,
// shown from 0x20 to 0x7F): " %02x" or " %04x" per value, padded to a full line, then the values in the shown
// range as themselves and others as '.', between bars.
template <class T>
std::vector<std::string> dumpLines(const T *p, int count, int perLine, unsigned lowest, unsigned highest) {
    const int digits = 2 * static_cast<int>(sizeof(T));
    std::vector<std::string> lines;
    for (int start = 0; start < count; start += perLine) {
        std::string hex, shown;
        for (int i = start; i < start + perLine; ++i) {
            char cell[8];
            snprintf(cell, sizeof cell, " %0*x", digits, i < count ? static_cast<unsigned>(p[i]) : 0u);
            hex += i < count ? std::string(cell) : std::string(static_cast<size_t>(digits) + 1, ' ');
            shown += i >= count ? ' ' : (p[i] >= lowest && p[i] <= highest) ? static_cast<char>(p[i]) : '.';
        }
        lines.push_back(hex + (sizeof(T) == 1 ? " |" : "  |") + shown + "|");
    }
    return lines;
}
inline std::vector<std::string> byteDump(const void *bytes, int count) {
    return dumpLines(static_cast<const unsigned char *>(bytes), count, 16, 0x21, 0x7E);
}
inline std::vector<std::string> unitDump(const char16_t *units, int count) {
    return dumpLines(units, count, 8, 0x20, 0x7F);
}

}  // namespace qoru_test

#endif
