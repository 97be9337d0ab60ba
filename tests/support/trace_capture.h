// A trace sink that keeps every call's bytes, for byte-exact checks.
#ifndef QORU_TEST_TRACE_CAPTURE_H
#define QORU_TEST_TRACE_CAPTURE_H

#include <string>
#include <vector>

#include "i18n/qoru16/u16_aux.h"

namespace qoru_test {

// Installs the capturing sink and clears what it holds; the destructor puts the level back (the sink stays).
class TraceCapture {
public:
    explicit TraceCapture(int level) : previousLevel_(qoru::gTraceLevel) {
        qoru::gTraceSink = [](const char *text, int32_t length) {
            held_.emplace_back(text, static_cast<size_t>(length));
            return int32_t{0};
        };
        qoru::gTraceLevel = level;
        held_.clear();
    }
    ~TraceCapture() { qoru::gTraceLevel = previousLevel_; }
    const std::vector<std::string> &lines() const { return held_; }
    std::string joined() const {  // every call's text followed by a line feed
        std::string all;
        for (const auto &l : held_) all += l + "\n";
        return all;
    }
    void clear() { held_.clear(); }

private:
    static inline std::vector<std::string> held_;
    int previousLevel_;
};

}  // namespace qoru_test

#endif
