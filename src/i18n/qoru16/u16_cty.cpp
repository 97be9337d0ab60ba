// The nine exported character pointers and the lazy stubs they start on.
#include "i18n/qoru16/u16_cty.h"

#include <atomic>

#include "flat/nlsui0.h"

namespace qoru {
namespace {

// A stub holds its argument, lets the initialization re-point every
// pointer, then answers through its own pointer.
template <auto &pointer>
auto lazyStub(int32_t c) {
    loadIcuDo();
    return pointer(c);
}

template <class F>
void publish(F &pointer, F target) {
    std::atomic_ref<F>(pointer).store(target, std::memory_order_release);
}

}  // namespace
}  // namespace qoru

extern "C" {
QORUCUM_API nlsui_class_func isalnumU = qoru::lazyStub<isalnumU>;
QORUCUM_API nlsui_class_func isalphaU = qoru::lazyStub<isalphaU>;
QORUCUM_API nlsui_class_func iscntrlU = qoru::lazyStub<iscntrlU>;
QORUCUM_API nlsui_class_func islowerU = qoru::lazyStub<islowerU>;
QORUCUM_API nlsui_class_func isprintU = qoru::lazyStub<isprintU>;
QORUCUM_API nlsui_class_func isspaceU = qoru::lazyStub<isspaceU>;
QORUCUM_API nlsui_class_func isupperU = qoru::lazyStub<isupperU>;
QORUCUM_API nlsui_case_func tolowerU = qoru::lazyStub<tolowerU>;
QORUCUM_API nlsui_case_func toupperU = qoru::lazyStub<toupperU>;
}

namespace qoru {

const CharacterFunctions lazyCharacterFunctions = {
    lazyStub<isalnumU>, lazyStub<isalphaU>, lazyStub<iscntrlU>, lazyStub<islowerU>, lazyStub<isprintU>,
    lazyStub<isspaceU>, lazyStub<isupperU>, lazyStub<tolowerU>, lazyStub<toupperU>};

void publishCharacterFunctions(const CharacterFunctions &targets) {
    publish(isalnumU, targets.isalnum);
    publish(isalphaU, targets.isalpha);
    publish(iscntrlU, targets.iscntrl);
    publish(islowerU, targets.islower);
    publish(isprintU, targets.isprint);
    publish(isspaceU, targets.isspace);
    publish(isupperU, targets.isupper);
    publish(tolowerU, targets.tolower);
    publish(toupperU, targets.toupper);
}

}  // namespace qoru
