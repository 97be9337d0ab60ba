// Arbitrary bytes through fgetcU16, fgetsU16 and freadU16 on a memory stream, against the plain decoder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "stream_reads.h"
#include "trace_capture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    const qoru_test::TraceCapture reports(qoru::traceLow);  // the reports run, kept out of the output
    const size_t room = 1 + data[0] % 48;
    const std::string bytes(reinterpret_cast<const char *>(data + 1), size - 1);
    FILE *f = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "rb");
    if (f == nullptr) return 0;
    // A memory stream has no descriptor: the report's failed look-up must not change errno.
    if (!qoru_test::streamReadsDiffer(f, bytes, room, 3, room).empty()) abort();
    fclose(f);
    return 0;
}
