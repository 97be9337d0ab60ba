#include "trace_capture.h"

#include "i18n/qoru16/u16_aux.h"

namespace qoru_test {
namespace {

std::vector<std::string> gLines;

int32_t captureSink(const char *text, int32_t length) {
    gLines.emplace_back(text, static_cast<size_t>(length));
    return 0;
}

}  // namespace

TraceCapture::TraceCapture(int level) : previousLevel_(qoru::gTraceLevel) {
    qoru::gTraceSink = captureSink;
    qoru::gTraceLevel = level;
    gLines.clear();
}

TraceCapture::~TraceCapture() { qoru::gTraceLevel = previousLevel_; }

const std::vector<std::string> &TraceCapture::lines() const { return gLines; }

std::string TraceCapture::joined() const {
    std::string all;
    for (const auto &l : gLines) all += l + "\n";
    return all;
}

void TraceCapture::clear() { gLines.clear(); }

}  // namespace qoru_test
