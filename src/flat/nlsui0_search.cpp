// Finding and loading the ICU libraries (bare name first, then the fixed ICU
// directory), the data check and the version report.
#include "flat/nlsui0.h"
#include "flat/nlsui0_trace.h"
#include "qorucum/ctype.h"
#include "qorucum_config.h"

namespace qoru {
namespace {

constexpr char notSet[] = "<not set>";

// The value of the variable the platform's library search reads.
const char *searchVariable() {
    const char *value = plat::getEnv(plat::librarySearch().variable);
    return value != nullptr ? value : notSet;
}

// The fixed directory is queried first; NO_QOR_ICU_PATH only prevents its use.
bool fixedDirectoryUsable() {
    const bool exists = plat::pathExists(config::icuFixedDir);
    return exists && plat::getEnv("NO_QOR_ICU_PATH") == nullptr;
}

// The fixed directory's version subdirectory joined with a file name.
void fixedPath(const char *file, char *out) {
    joinPath(config::icuFixedDir, config::icuVersionText, out);
    joinPath(out, file, out);
}

using IcuVersion = uint8_t[4];
using GetVersionFunc = void (*)(uint8_t *versionArray);
using VersionToStringFunc = void (*)(const uint8_t *versionArray, char *versionString);
constexpr size_t versionTextCapacity = 20;  // ICU's longest "255.255.255.255" and its terminator

}  // namespace

void *gIcuCommonHandle = nullptr;
void *gIcuI18nHandle = nullptr;

void *openIcuCommonLib() {
    if (gInitTraceLevel >= 16) {
        initTrace(16, "Program is compiled with ICU version %s", config::icuVersionText);
        initTrace(16, "Required ICU library files: %s %s %s", config::icuCommonFile, config::icuDataFile,
                  config::icuI18nFile);
        initTraceLineFeed();
    }
    const plat::LibrarySearch &search = plat::librarySearch();
    initTrace(4, "Searching for libicuuc in %s", search.search);
    initTrace(16, "%s is set to %s ", search.variable, searchVariable());
    if (void *handle = nlsui_dlopen(config::icuCommonFile)) {
        initTrace(4, "Loaded ICU common lib: %s", config::icuCommonFile);
        return handle;
    }
    if (fixedDirectoryUsable()) {
        if (gInitTraceLevel >= 16) initTraceLineFeed();
        initTrace(4, "Searching for libicuuc in %s", config::icuFixedDir);
        char path[maxPathLn];
        fixedPath(config::icuDataFile, path);
        // The data library is loaded ahead of the common library that needs
        // it, and stays loaded; a failure here is reported by the loader only.
        if (nlsui_dlopen(path) != nullptr) initTrace(4, "Loaded ICU data lib: %s", path);
        fixedPath(config::icuCommonFile, path);
        if (void *handle = nlsui_dlopen(path)) {
            initTrace(4, "Loaded ICU common lib: %s", path);
            return handle;
        }
    }
    initTrace(1,
              "Could not open the ICU common library.\n"
              "   The following files must be in %s:\n"
              "   %s, %s, %s",
              search.place, config::icuCommonFile, config::icuDataFile, config::icuI18nFile);
    initTrace(1, "%s is currently set to %s ", search.variable, searchVariable());
    if (gInitTraceLevel < 16)
        initTrace(1, "Set the environment variable NLSUI_INIT_TRACE_LEVEL to 'high' to see more details.");
    initTrace(1, "See the qorucum README, section \"ICU at run time\", for where ICU %s is looked for.",
              config::icuVersionText);
    return nullptr;
}

void *openIcuI18nLib() {
    if (gInitTraceLevel >= 16) initTraceLineFeed();
    const plat::LibrarySearch &search = plat::librarySearch();
    initTrace(4, "Searching for libicui18n in %s", search.search);
    initTrace(16, "%s is set to %s ", search.variable, searchVariable());
    if (void *handle = nlsui_dlopen(config::icuI18nFile)) {
        initTrace(4, "Loaded ICU i18n lib: %s from %s", config::icuI18nFile, search.source);
        return handle;
    }
    if (fixedDirectoryUsable()) {
        if (gInitTraceLevel >= 16) initTraceLineFeed();
        initTrace(4, "Searching for libicui18n in %s", config::icuFixedDir);
        char path[maxPathLn];
        fixedPath(config::icuI18nFile, path);
        if (void *handle = nlsui_dlopen(path)) {
            initTrace(4, "Loaded ICU i18n lib: %s", path);
            return handle;
        }
    }
    initTrace(1, "Could not open the ICU i18n library");
    return nullptr;
}

void closeIcuI18nLib() {
    initTrace(1, "%s is closed again", config::icuI18nFile);
    if (gIcuI18nHandle != nullptr) {
        nlsui_dlclose(gIcuI18nHandle);
        gIcuI18nHandle = nullptr;
    }
}

int32_t checkIcuData() {
    // Runs before the exported pointers are re-pointed: the bound slot is
    // called directly.
    constexpr int32_t aWithMacron = 0x0101;
    const auto toupper =
        reinterpret_cast<nlsui_case_func>(icuGroupSlots(IcuGroup::ctype)[icuToupper]);
    if (toupper(aWithMacron) != aWithMacron) return 0;
    initTrace(1, "ICU data shared lib does not behave correctly.");
    return -1;
}

void traceIcuVersion() {
    void *const *common = icuGroupSlots(IcuGroup::common);
    const auto getVersion = reinterpret_cast<GetVersionFunc>(common[icuGetVersion]);
    const auto getUnicodeVersion = reinterpret_cast<GetVersionFunc>(common[icuGetUnicodeVersion]);
    const auto versionToString = reinterpret_cast<VersionToStringFunc>(common[icuVersionToString]);

    initTrace(4, "Compiled with ICU version %s", config::icuVersionText);
    IcuVersion version = {};
    char text[versionTextCapacity] = {};
    getVersion(version);
    versionToString(version, text);
    initTrace(4, "Running with ICU version %s", text);
    IcuVersion unicode = {};
    getUnicodeVersion(unicode);
    versionToString(unicode, text);
    initTrace(4, "ICU uses Unicode version %s", text);
}

}  // namespace qoru
