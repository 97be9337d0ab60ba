// fgetcU16 (one code unit per UTF-8 sequence) and the scan engine's read of a
// whole character, with the process-wide rate limit on invalid-input reports.
#include <atomic>
#include <cerrno>
#include <cstring>

#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_get.h"
#include "platform/platform.h"
#include "qorucum/stdio.h"

namespace qoru {

ReaderClock gReaderClock = plat::calendarTime;

namespace {

// Reports in a row before the quiet period, and its length in seconds.
constexpr int32_t reportLimit = 100;
constexpr int32_t quietSeconds = 3600;
constexpr int32_t fileTraceBytes = 80;
constexpr int32_t replacementUnit = 0xFFFD;

// Shared by every stream and thread without a lock; atomics only keep the
// counting free of data races.
std::atomic<int32_t> gErrorCount{0};
std::atomic<int32_t> gQuietStart{0};

// Under NLSUI_FILE_TRACE, the bytes that follow in the stream (consumed).
void fileTraceDump(FILE *stream) {
    const char *setting = plat::getEnv("NLSUI_FILE_TRACE");
    if (setting == nullptr || setting[0] == '\0' || strcmp(setting, "0") == 0) return;
    uint8_t bytes[fileTraceBytes];
    int32_t count = 0;
    while (count < fileTraceBytes) {
        const int c = plat::readByteLocked(stream);
        if (c == EOF) break;
        bytes[count++] = static_cast<uint8_t>(c);
    }
    traceBytesU16(bytes, count);
}

// The report of one invalid sequence under the rate limit; the caller has
// tested the level.
void writeReport(FILE *stream, const BadSequence &bad, bool supplementary) {
    const int32_t count = gErrorCount.fetch_add(1, std::memory_order_relaxed) + 1;
    char text[128];
    if (count < reportLimit) {
        plat::formatNarrow(text, sizeof text, "Invalid UTF-8 encountered by fgetcU16 (fileno 0x%x)",
                           static_cast<unsigned>(plat::streamDescriptor(stream)));
        traceMessageU16(text, __FILE__, __LINE__, false);
        if (!supplementary) traceBytesU16(bad.bytes, bad.count);
        fileTraceDump(stream);
        traceEndOfMessage();
    } else if (count == reportLimit) {
        plat::formatNarrow(text, sizeof text,
                           "Too many invalid UTF-8 in fgetcU16, no more error message will be written for %d seconds",
                           quietSeconds);
        traceMessageU16(text, __FILE__, __LINE__, false);
        traceEndOfMessage();
        gQuietStart.store(static_cast<int32_t>(gReaderClock()), std::memory_order_relaxed);
    } else {
        const auto now = static_cast<int32_t>(gReaderClock());
        const int64_t quiet = int64_t{now} - gQuietStart.load(std::memory_order_relaxed);
        if (quiet > quietSeconds) {
            traceMessageU16("fgetcU16 error counter reset", __FILE__, __LINE__, false);
            traceEndOfMessage();
            gErrorCount.store(0, std::memory_order_relaxed);
        }
    }
}

void reportInvalid(FILE *stream, const BadSequence &bad, bool supplementary) {
    if (traceLevel() <= traceNone) return;
    // The report's own calls (the descriptor of a stream that has none, the
    // sink) must not change the EILSEQ the caller is to see.
    const int savedErrno = errno;
    writeReport(stream, bad, supplementary);
    errno = savedErrno;
}

}  // namespace

int32_t readStreamCharacter(FILE *stream, bool *gaveBack, bool wholeCharacter) {
    *gaveBack = false;
    if (stream == nullptr) {
        errno = EBADF;
        return EOF;
    }
    const bool locked = plat::lockStream(stream);
    int32_t result = EOF;
    const int c = plat::readByteLocked(stream);
    if (c != EOF) {
        int32_t errorState = 0;
        BadSequence bad;
        const int32_t value = readUtf8CharU16(stream, c, &bad, &errorState);
        *gaveBack = bad.gaveBack;
        if (value > 0xFFFF && !wholeCharacter) {
            result = replacementUnit;
            reportInvalid(stream, bad, true);
        } else {
            result = value;
            if (errorState != 0) reportInvalid(stream, bad, false);
        }
    }
    plat::unlockStream(stream, locked);
    return result;
}

}  // namespace qoru

extern "C" QORUCUM_API int32_t fgetcU16(FILE *stream) {
    bool gaveBack;
    return qoru::readStreamCharacter(stream, &gaveBack, false);
}
