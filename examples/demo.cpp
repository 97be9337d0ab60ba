// qorucum demo: parses its UTF-16 command line with getoptU, reads a UTF-8
// text file (by default the bundled multilingual sample) with fopenU16 and
// fgetsU16, and shows, on UTF-16 text:
//   1. a table of its lines printed with printfU16 (widths count code units);
//   2. its words, split with strtok_rU16, sorted with strcmpU16 and written
//      back as UTF-8 with U16sToUtf8s;
//   3. its lines upper-cased through the exported character pointers (ICU);
//   4. a price list read with fscanfU16, one line of it not UTF-8;
//   5. one message of the trace channel in its fixed frame.
// ICU is loaded first, with nlsui_initialize, so that NLSUI_TRACE_LEVEL=high
// takes effect before the file is opened (and its opening is traced).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "demo_args.h"
#include "qorucum.h"

namespace {

using Text = std::u16string;

constexpr charU16 usage[] =
    u"usage: %s [-h] [-u] [-t LEVEL] [FILE]\n"
    u"  -t LEVEL  trace level: none, low, medium, high or a number\n"
    u"  -u        only the upper-case part\n"
    u"  -h        this help\n"
    u"FILE is a UTF-8 text (default: sample.txt); prices.txt beside it is read too.\n";

struct Options {
    bool upperOnly = false;
    int32_t traceLevel = -1;  // -1: as NLSUI_TRACE_LEVEL left it
    Text file = u"sample.txt";
};

// A level name or a number; -2 when it is neither.
int32_t parseLevel(const charU16 *text) {
    static const struct {
        const charU16 *name;
        int32_t level;
    } names[] = {{u"none", NLSUI_TRACE_NONE}, {u"low", NLSUI_TRACE_LOW}, {u"medium", NLSUI_TRACE_MEDIUM},
                 {u"high", NLSUI_TRACE_HIGH}};
    for (const auto &n : names)
        if (strcasecmpU16(text, n.name) == 0) return n.level;
    charU16 *end = nullptr;
    const int32_t level = strtolU16(text, &end, 10);
    return end != text && *end == 0 ? level : -2;
}

// Parses the options; false when the program should stop with status.
bool parseOptions(std::vector<charU16 *> &argv, Options &options, int &status) {
    opterrU = 1;  // let getoptU name unknown options on standard error
    const auto argc = static_cast<int32_t>(argv.size() - 1);
    for (int32_t c; (c = getoptU(argc, argv.data(), u"hut:")) != -1;) {
        switch (c) {
        case u'u':
            options.upperOnly = true;
            break;
        case u't':
            options.traceLevel = parseLevel(optargU);
            if (options.traceLevel == -2) {
                fprintfU16(stderr, u"%s: bad trace level '%s'\n", argv[0], optargU);
                status = 2;
                return false;
            }
            break;
        case u'h':
            printfU16(usage, argv[0]);
            status = 0;
            return false;
        default:
            fprintfU16(stderr, usage, argv[0]);
            status = 2;
            return false;
        }
    }
    if (optindU < argc) options.file = argv[optindU];
    return true;
}

std::vector<Text> readLines(FILE *file) {
    std::vector<Text> lines;
    charU16 buf[1024];
    while (fgetsU16(buf, 1024, file) != nullptr) {
        Text line(buf);
        if (!line.empty() && line.back() == u'\n') line.pop_back();
        lines.push_back(line);
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
    section(u"Words sorted by code unit (strtok_rU16, strcmpU16, U16sToUtf8s)");
    std::vector<Text> storage(lines);
    std::vector<const charU16 *> words;
    for (Text &line : storage) {
        charU16 *save = nullptr;
        for (charU16 *w = strtok_rU16(line.data(), u" ,.:;!?—", &save); w != nullptr;
             w = strtok_rU16(nullptr, u" ,.:;!?—", &save))
            words.push_back(w);
    }
    qsort(words.data(), words.size(), sizeof words[0], compareWords);
    // U16sToUtf8s writes UTF-8 any program reads: an emoji's surrogate pair
    // becomes one four-byte sequence. (U2sToUtf8s would write each half by
    // itself, six bytes only this library reads back.)
    std::string out;
    for (const charU16 *w : words) {
        char utf8[256];
        const size_t n = U16sToUtf8s(utf8, w, sizeof utf8);
        if (n < sizeof utf8) out += std::string(utf8) + " ";
    }
    printf("%zu words: %s\n", words.size(), out.c_str());
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

// Each line: a name without blanks, a quantity and a unit price. A line
// that is not UTF-8 is reported on standard error by the reader, reads
// with '#' in place of the bad bytes, and its neighbours read as usual.
void showPrices() {
    section(u"A price list read with fscanfU16 (one line is Latin-1, not UTF-8)");
    FILE *file = fopenU16(u"prices.txt", u"rb");
    if (file == nullptr) {
        perrorU16(u"prices.txt");
        return;
    }
    charU16 name[64];
    int32_t quantity = 0;
    double price = 0;
    double total = 0;
    while (fscanfU16(file, u"%63s %d %lf", name, &quantity, &price) == 3) {
        fflush(stderr);
        printfU16(u"%-14s %3d x %5.2f = %6.2f\n", name, quantity, price, quantity * price);
        fflush(stdout);
        total += quantity * price;
    }
    fclose(file);
    printfU16(u"%-14s %21.2f\n", u"total", total);
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
    std::vector<Text> args = demoArguments(argc, argv);
    std::vector<charU16 *> argv16;
    for (Text &a : args) argv16.push_back(a.data());
    argv16.push_back(nullptr);
    nlsui_store_cmdline(static_cast<int32_t>(args.size()), argv16.data());

    Options options;
    int status = 0;
    if (!parseOptions(argv16, options, status)) return status;

    charU16 host[MAX_HOSTNAME_LN];
    if (gethostnameU16(host, MAX_HOSTNAME_LN) != 0) strcpyU16(host, u"(unknown host)");
    // 0: ICU is bound; 1: 7-bit emergency mode. Without ICU and without
    // NLSUI_7BIT_FALLBACK the process ends here with exit status -1.
    const int32_t mode = nlsui_initialize();
    if (options.traceLevel >= 0) nlsui_set_trace(nullptr, options.traceLevel);
    printfU16(u"qorucum demo on %s\nICU: %s\n", host,
              mode == 0 ? u"loaded, the character functions answer for all of Unicode"
                        : u"not usable, 7-bit emergency mode");
    fflush(stdout);

    FILE *file = fopenU16(options.file.c_str(), u"rb");
    if (file == nullptr) {
        perrorU16(options.file.c_str());
        return 1;
    }
    const std::vector<Text> lines = readLines(file);
    fclose(file);

    if (options.upperOnly) {
        showCaseMapping(lines);
        return 0;
    }
    showTable(lines);
    showSortedWords(lines);
    showCaseMapping(lines);
    showPrices();
    showTrace();
    return 0;
}
