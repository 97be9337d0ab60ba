// The initialization driver: reads the trace levels, loads and binds ICU
// once per process, and settles the nine character pointers on ICU, on the
// 7-bit fallbacks, or ends the process.
#include <cstring>

#include "flat/nlsui0.h"
#include "flat/nlsui0_trace.h"
#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_cty.h"

namespace qoru {
namespace {

// Once-only guards: the environment is read, and the libraries are loaded,
// by the first caller; callers arriving meanwhile wait for the outcome.
plat::OnceFlag gLevelsOnce;
plat::OnceFlag gLoadOnce;

bool gCommonDone = false;
int32_t gCommonOutcome = -1;
bool gI18nDone = false;
int32_t gI18nOutcome = -1;

// The four level words, matched whole and case-sensitively; -1 for any
// other text.
int32_t levelOfWord(const char *value) {
    if (value == nullptr) return -1;
    if (strcmp(value, "none") == 0) return traceNone;
    if (strcmp(value, "low") == 0) return traceLow;
    if (strcmp(value, "medium") == 0) return traceMedium;
    if (strcmp(value, "high") == 0) return traceHigh;
    return -1;
}

void readInitTraceLevel() {
    const int32_t level = levelOfWord(plat::getEnv("NLSUI_INIT_TRACE_LEVEL"));
    if (level < 0) return;
    gInitTraceLevel = level;
    if (level == traceHigh) {
        initTraceLineFeed();
        initTrace(16, "NLSUI_INIT_TRACE_LEVEL set to 'high'");
    }
}

void readTraceLevel() {
    const char *value = plat::getEnv("NLSUI_TRACE_LEVEL");
    if (value == nullptr) return;
    int32_t level = levelOfWord(value);
    if (level < 0) level = gTraceLevel;
    // From a stored 0 the channel announces the new level exactly when it
    // is above 0.
    gTraceLevel = traceNone;
    nlsui_set_trace(nullptr, level);
}

void readLevels() {
    readInitTraceLevel();
    readTraceLevel();
}

void switchTo7bit() {
    publishCharacterFunctions(sevenBitCharacterFunctions);
    initTrace(16, "Unicode ctype functions are replaced with 7bit fallback functions");
}

// After a failure that leaves the pointers without a working ICU binding.
void decide7bitFallback() {
    if (plat::getEnv("NLSUI_7BIT_FALLBACK") != nullptr) {
        initTrace(1, "Environment variable NLSUI_7BIT_FALLBACK is set.");
        // Re-pointed before the unload: none may refer into the library.
        switchTo7bit();
        if (gIcuCommonHandle != nullptr) {
            nlsui_dlclose(gIcuCommonHandle);
            gIcuCommonHandle = nullptr;
        }
        return;
    }
    initTrace(16,
              "Terminating.\n"
              "   You may set the environment variable NLSUI_7BIT_FALLBACK to run the program\n"
              "   without the ICU libraries in an emergency mode.");
    // Exit handlers run inside this initialization. One that calls a
    // character function must not wait for the initialization to finish:
    // it gets the 7-bit answers instead.
    publishCharacterFunctions(sevenBitCharacterFunctions);
    plat::exitProcess(-1);
}

int32_t loadIcuLibs() {
    if (gCommonDone) return gCommonOutcome == 0 ? 0 : 1;
    gCommonDone = true;
    gIcuCommonHandle = openIcuCommonLib();
    if (gIcuCommonHandle == nullptr || bindIcuCommon() != 0 || bindIcuCtype() != 0 || checkIcuData() != 0) {
        decide7bitFallback();
        return 1;
    }
    // The character functions are ICU's from here on, whatever follows.
    publishIcuCtype();
    if (bindIcuBidi() != 0 || bindIcuShaping() != 0 || bindIcuNormalization() != 0 ||
        bindIcuBreakIterator() != 0 || bindIcuIdna() != 0)
        return 1;
    traceIcuVersion();
    gCommonOutcome = 0;
    return 0;
}

int32_t loadIcuI18n() {
    if (gI18nDone) return gI18nOutcome == 0 ? 0 : 1;
    gI18nDone = true;
    if (gIcuCommonHandle == nullptr) return 1;
    gIcuI18nHandle = openIcuI18nLib();
    if (gIcuI18nHandle != nullptr && bindIcuCommon() == 0 && bindIcuCollation() == 0 &&
        bindIcuTransliteration() == 0 && bindIcuCalendar() == 0) {
        gI18nOutcome = 0;
        return 0;
    }
    closeIcuI18nLib();
    return 1;
}

void loadLibraries() {
    loadIcuLibs();
    loadIcuI18n();
}

}  // namespace

int32_t loadIcuDo() {
    plat::runOnce(gLevelsOnce, readLevels);
    if (gInitTraceLevel >= 16) {
        initTraceLineFeed();
        initTrace(16, "loadIcuDo() is called");
    }
    plat::runOnce(gLoadOnce, loadLibraries);
    if (loadIcuLibs() != 0) {
        initTrace(1, "ICU shared libraries are not loaded");
        return 1;
    }
    return 0;
}

}  // namespace qoru

extern "C" QORUCUM_API int32_t nlsui_initialize(void) { return qoru::loadIcuDo(); }
