// Arbitrary bytes through fgetcU16, fgetsU16 and freadU16 on a memory stream,
// against the plain decoder of the test support.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "qorucum.h"
#include "stream_reads.h"

namespace {

int32_t quietSink(const char *, int32_t) { return 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    nlsui_set_trace(quietSink, NLSUI_TRACE_LOW);
    const size_t room = 1 + data[0] % 48;
    const std::string bytes(reinterpret_cast<const char *>(data + 1), size - 1);
    FILE *f = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "rb");
    if (f == nullptr) return 0;
    // errno is not checked: the report on invalid input names the stream's descriptor, which a memory
    // stream lacks, and the failed look-up leaves EBADF.
    if (!qoru_test::streamReadsDiffer(f, bytes, room, 3, room, false).empty()) abort();
    fclose(f);
    return 0;
}
