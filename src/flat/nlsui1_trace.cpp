// The host's control of the trace channel: level, sink, stored command line.
#include "i18n/qoru16/u16_aux.h"

namespace {

const char *levelName(int32_t level) {
    switch (level) {
        case qoru::traceNone: return "none";
        case qoru::traceLow: return "low";
        case qoru::traceMedium: return "medium";
        case qoru::traceHigh: return "high";
        default: return "";
    }
}

}  // namespace

extern "C" QORUCUM_API void nlsui_set_trace(nlsui_trace_func sink, int32_t level) {
    const int32_t previous = qoru::gTraceLevel;
    qoru::gTraceLevel = level;
    if (sink != nullptr) qoru::gTraceSink = sink;
    // Going quiet from the default level or below says nothing; any other
    // change is announced, through the new sink.
    if (level > qoru::traceNone || previous > qoru::traceMedium) {
        char text[64] = "U16 trace level set to ";
        const char *name = levelName(level);
        size_t n = sizeof "U16 trace level set to " - 1;
        while (*name) text[n++] = *name++;
        text[n] = '\0';
        qoru::traceMessageU16(text, __FILE__, __LINE__, true);
    }
}

extern "C" QORUCUM_API void nlsui_set_trace_func(nlsui_trace_func sink) {
    if (sink != nullptr) qoru::gTraceSink = sink;
}

extern "C" QORUCUM_API void nlsui_store_cmdline(int32_t argc, charU16 *const *argv) {
    char text[qoru::commandLineCapacity];
    size_t n = 0;
    for (int32_t i = 0; argv != nullptr && i < argc && n < qoru::commandLineCapacity; ++i) {
        if (i > 0) text[n++] = ' ';
        for (const charU16 *u = argv[i]; u != nullptr && *u != 0 && n < qoru::commandLineCapacity; ++u)
            text[n++] = *u < 0x80 ? static_cast<char>(*u) : '#';
    }
    qoru::storeCommandLine(text, n);
}
