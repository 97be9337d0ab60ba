// qorucum demo: reads a UTF-8 text file (by default the bundled multilingual
// sample) through fopenU16 and shows, on UTF-16 text:
//   1. a table of its lines printed with printfU16 (widths count code units);
//   2. its words, split with strtok_rU16, sorted with strcmpU16 and written
//      back as UTF-8 with U2sToUtf8s;
//   3. its lines upper-cased through the exported character pointers (ICU);
//   4. one message of the trace channel in its fixed frame.
// ICU is loaded first, with nlsui_initialize, so that NLSUI_TRACE_LEVEL=high
// takes effect before the file is opened (and its opening is traced).
// Usage: qorucum_demo [FILE]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "qorucum.h"

namespace {

using Text = std::u16string;

// The library reads UTF-8 streams into UTF-16 through its stream input; the
// demo needs only whole lines of a valid file, so it decodes them itself and
// shows anything malformed as U+FFFD.
Text fromUtf8(const std::string &bytes) {
    Text out;
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        const size_t len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (len == 0 || i + len > bytes.size()) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        char32_t c = len == 1 ? b : b & (0x7F >> len);
        for (size_t k = 1; k < len; ++k) c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        if (c > 0xFFFF) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += len;
    }
    return out;
}

std::vector<Text> readLines(FILE *file) {
    std::vector<Text> lines;
    std::string bytes;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, file)) > 0;) bytes.append(buf, n);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(fromUtf8(bytes.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

// Standard output is flushed at each section, so that the library's reports
// on standard error appear where they happen.
void section(const char16_t *title) {
    fflush(stdout);
    printfU16(u"\n== %s ==\n", title);
    fflush(stdout);
}

void showTable(const std::vector<Text> &lines) {
    section(u"Lines (lengths in UTF-16 code units)");
    printfU16(u"%4s  %5s  %s\n", u"no.", u"units", u"text");
    for (size_t i = 0; i < lines.size(); ++i)
        printfU16(u"%4d  %5d  %s\n", static_cast<int>(i + 1), static_cast<int>(strlenU16(lines[i].c_str())),
                  lines[i].c_str());
}

int compareWords(const void *a, const void *b) {
    return strcmpU16(*static_cast<const charU16 *const *>(a), *static_cast<const charU16 *const *>(b));
}

void showSortedWords(const std::vector<Text> &lines) {
    section(u"Words sorted by code unit (strtok_rU16, strcmpU16, U2sToUtf8s)");
    std::vector<Text> storage(lines);
    std::vector<const charU16 *> words;
    for (Text &line : storage) {
        charU16 *save = nullptr;
        for (charU16 *w = strtok_rU16(line.data(), u" ,.:;!?—", &save); w != nullptr;
             w = strtok_rU16(nullptr, u" ,.:;!?—", &save))
            words.push_back(w);
    }
    qsort(words.data(), words.size(), sizeof words[0], compareWords);
    std::string out;
    bool supplementary = false;
    for (const charU16 *w : words) {
        for (const charU16 *u = w; *u; ++u) supplementary |= (*u >= 0xD800 && *u < 0xE000);
        char utf8[256];
        if (U2sToUtf8s(utf8, w, sizeof utf8) < sizeof utf8) out += std::string(utf8) + " ";
    }
    printf("%zu words: %s\n", words.size(), out.c_str());
    if (supplementary)
        printf("(U2sToUtf8s writes each surrogate as its own three-byte sequence, so the emoji above\n"
               " are six bytes each that only the library's own reader reads back; printfU16 joins pairs.)\n");
    fflush(stdout);
}

void showCaseMapping(const std::vector<Text> &lines) {
    section(u"Upper case through toupperU");
    for (const Text &line : lines) {
        Text upper = line;
        for (charU16 &u : upper) u = static_cast<charU16>(toupperU(u));
        printfU16(u"%s\n", upper.c_str());
    }
}

int32_t demoSink(const char *text, int32_t length) {
    printf("  | %.*s\n", static_cast<int>(length), text);
    return 0;
}

void showTrace() {
    section(u"A trace message in its frame (level set to high, through a demo sink)");
    fflush(stdout);
    nlsui_set_trace(demoSink, NLSUI_TRACE_HIGH);
    nlsui_set_trace(nullptr, NLSUI_TRACE_MEDIUM);
    fflush(stdout);
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<Text> args;
    for (int i = 0; i < argc; ++i) args.push_back(fromUtf8(argv[i]));
    std::vector<charU16 *> argv16;
    for (Text &a : args) argv16.push_back(a.data());
    nlsui_store_cmdline(argc, argv16.data());

    // 0: ICU is bound; 1: 7-bit emergency mode. Without ICU and without
    // NLSUI_7BIT_FALLBACK the process ends here with exit status -1.
    const int32_t mode = nlsui_initialize();
    printfU16(u"ICU: %s\n", mode == 0 ? u"loaded, the character functions answer for all of Unicode"
                                       : u"not usable, 7-bit emergency mode");
    fflush(stdout);

    const Text path = argc > 1 ? args[1] : Text(u"sample.txt");
    FILE *file = fopenU16(path.c_str(), u"rb");
    if (file == nullptr) {
        perrorU16(path.c_str());
        return 1;
    }
    const std::vector<Text> lines = readLines(file);
    fclose(file);

    showTable(lines);
    showSortedWords(lines);
    showCaseMapping(lines);
    showTrace();
    return 0;
}
