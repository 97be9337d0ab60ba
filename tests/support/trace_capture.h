// A trace sink that keeps every call's bytes, for byte-exact checks.
#ifndef QORU_TEST_TRACE_CAPTURE_H
#define QORU_TEST_TRACE_CAPTURE_H

#include <string>
#include <vector>

namespace qoru_test {

// Installs the capturing sink and clears what it holds; the destructor puts
// the level back as it found it (the sink stays, it only records).
class TraceCapture {
public:
    explicit TraceCapture(int level);
    ~TraceCapture();
    const std::vector<std::string> &lines() const;
    std::string joined() const;  // every call's text followed by a line feed
    void clear();

private:
    int previousLevel_;
};

}  // namespace qoru_test

#endif
