// Trace channel state and the message frame.
#include "i18n/qoru16/u16_aux.h"

#include <atomic>
#include <cstring>

#include "platform/platform.h"

namespace qoru {
namespace {

int32_t defaultSink(const char *text, int32_t length) {
    FILE *err = plat::standardError();
    if (length > 0) fwrite(text, 1, static_cast<size_t>(length), err);
    fputc('\n', err);
    return 0;
}

char gCommandLine[commandLineCapacity + 1] = "";
bool gCommandLineShown = false;

constexpr size_t messageCapacity = 1024;
constexpr size_t shownNameLength = 60;
constexpr char trailerLine[] = "--- Unicode interface ------ End of message ------";
// Room left for the text: the message with its 51-byte trailer stays within
// 1020 bytes.
constexpr int32_t textRoomWithTrailer = 968;
constexpr int32_t textRoomWithoutTrailer = 1020;

// Long source names keep their end, which names the file.
const char *shortenSourceName(const char *name, char (&buf)[shownNameLength + 1]) {
    if (name == nullptr) return "";
    const size_t len = strlen(name);
    if (len <= shownNameLength) return name;
    memcpy(buf, "...", 3);
    memcpy(buf + 3, name + len - (shownNameLength - 3), shownNameLength - 3 + 1);
    return buf;
}

}  // namespace

int32_t gTraceLevel = traceMedium;
nlsui_trace_func gTraceSink = defaultSink;

void traceLine(const char *text, int32_t length) { gTraceSink(text, length); }

void traceLine(const char *text) { gTraceSink(text, static_cast<int32_t>(strlen(text))); }

void traceEndOfMessage() { traceLine(trailerLine, sizeof trailerLine - 1); }

void storeCommandLine(const char *text, size_t length) {
    if (length > commandLineCapacity) length = commandLineCapacity;
    memcpy(gCommandLine, text, length);
    gCommandLine[length] = '\0';
}

void traceMessageU16(const char *text, const char *sourceName, int32_t line, bool withTrailer) {
    char buf[messageCapacity];
    char nameBuf[shownNameLength + 1];
    const char *name = shortenSourceName(sourceName, nameBuf);

    int32_t used = plat::formatNarrow(buf, sizeof buf,
                                      "--- Unicode interface [%.60s line %d] pid = %d time = %d:\n",
                                      name, line, plat::processId(),
                                      static_cast<int32_t>(plat::calendarTime()));
    if (used < 0) used = static_cast<int32_t>(strlen(buf));
    // Exactly one message shows the command line, even when the first ones
    // come from several threads at once.
    if (!std::atomic_ref<bool>(gCommandLineShown).exchange(true, std::memory_order_relaxed)) {
        const int32_t n = plat::formatNarrow(buf + used, sizeof buf - static_cast<size_t>(used),
                                             "Cmdline : %s\n\n", gCommandLine);
        used += n < 0 ? static_cast<int32_t>(strlen(buf + used)) : n;
    }

    const int32_t h = used - 1;  // everything so far, less the final line feed
    const int32_t room = (withTrailer ? textRoomWithTrailer : textRoomWithoutTrailer) - h;
    if (text != nullptr) {
        const size_t textLen = strnlen(text, static_cast<size_t>(room));
        memcpy(buf + used, text, textLen);
        used += static_cast<int32_t>(textLen);
    }
    if (withTrailer) {
        buf[used++] = '\n';
        memcpy(buf + used, trailerLine, sizeof trailerLine - 1);
        used += static_cast<int32_t>(sizeof trailerLine - 1);
    }
    gTraceSink(buf, used);
}

void traceArrayTooSmall(const char *function, const char *array, const char *sizeName,
                        const char *sourceName, int32_t line) {
    if (gTraceLevel <= traceNone) return;
    char text[200];
    plat::formatNarrow(text, sizeof text, "Function %.64s :\nArray %.32s length %.32s is too small.",
                       function, array, sizeName);
    traceMessageU16(text, sourceName, line, true);
}

}  // namespace qoru
