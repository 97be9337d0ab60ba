// Service detection for the initialization trace: a service raises no
// message box, since nobody could close it.
#include <array>

#include "flat/nlsui0_trace.h"

namespace qoru {
namespace {

constexpr size_t serviceListCapacity = 1024;

bool sameName(const char16_t *upperName, const char *expected) {
    size_t i = 0;
    for (; expected[i] != '\0'; ++i)
        if (upperName[i] != static_cast<char16_t>(expected[i])) return false;
    return upperName[i] == u'\0';
}

bool nextFromSnapshot(void *snapshot, bool first, plat::ProcessEntry &entry) {
    return plat::nextProcess(snapshot, first, entry);
}

}  // namespace

int32_t findServiceAncestry(ProcessSource next, void *context, uint32_t ownProcessId) {
    bool winlogonKnown = false;
    uint32_t winlogonId = 0;
    std::array<uint32_t, serviceListCapacity> services;
    size_t count = 0;
    auto listed = [&](uint32_t id) {
        for (size_t i = 0; i < count; ++i)
            if (services[i] == id) return true;
        return false;
    };

    plat::ProcessEntry entry;
    for (bool first = true; next(context, first, entry); first = false) {
        char16_t upper[sizeof entry.exeName / sizeof entry.exeName[0]];
        size_t i = 0;
        for (; entry.exeName[i] != u'\0' && i + 1 < sizeof upper / sizeof upper[0]; ++i)
            upper[i] = plat::wideUpper(entry.exeName[i]);
        upper[i] = u'\0';

        if (!winlogonKnown && sameName(upper, "WINLOGON.EXE")) {
            winlogonKnown = true;
            winlogonId = entry.processId;
            continue;
        }
        if (count == 0 && winlogonKnown && sameName(upper, "SERVICES.EXE")) {
            if (entry.parentProcessId == winlogonId) services[count++] = entry.processId;
            continue;
        }
        if (count != 0 && listed(entry.parentProcessId) && count < serviceListCapacity)
            services[count++] = entry.processId;
        if (entry.processId == ownProcessId) return listed(ownProcessId) ? 1 : 0;
    }
    return 0;
}

int32_t isServiceProcess() {
    void *snapshot = plat::openProcessSnapshot();
    if (snapshot == nullptr) return -1;
    const int32_t answer =
        findServiceAncestry(nextFromSnapshot, snapshot, static_cast<uint32_t>(plat::processId()));
    plat::closeProcessSnapshot(snapshot);
    return answer;
}

}  // namespace qoru
