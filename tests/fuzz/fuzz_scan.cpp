// The scan engine on formats built from the fuzz data and arbitrary input, through sscanfU16 and through fscanfU16 on a
// memory stream of the same bytes. Every text directive has a width, so its target's size is known: each target is a
// slot followed by canaries, and every unit past the field's width (and terminator) must still be a canary afterwards.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "qorucum/stdio.h"
#include "trace_capture.h"

namespace {

constexpr int maxArguments = 24;
constexpr int slotUnits = 48;  // widths stay below 40
constexpr charU16 canary = 0xA5A5;

struct Reader {
    const uint8_t *at, *end;
    uint8_t next() { return at < end ? *at++ : 0; }
};

const char *const modifiers[] = {"", "", "", "hh", "h", "l", "ll", "j", "z", "t", "L", "I64", "I"};
const char conversions[] = "diouxXpaAeEfFgGcs[n%q";

struct Built {
    std::u16string format;
    int textSlot[maxArguments];   // per argument: units the field may write, or -1
    int arguments = 0;
};

// Appends one directive; false when nothing more may follow.
bool addDirective(Reader &r, Built &b) {
    const uint8_t shape = r.next();
    const bool suppress = shape & 1;
    const bool widthArgument = suppress && (shape & 2);
    const char conversion = conversions[r.next() % (sizeof conversions - 1)];
    const bool text = conversion == 's' || conversion == 'c' || conversion == '[';
    const int width = text ? 1 + r.next() % 39 : (shape & 4) ? r.next() % 40 : -1;
    if (b.arguments + 2 > maxArguments) return false;
    std::string d = "%";
    if (suppress) d += '*';
    if (widthArgument) {
        d += '*';
        b.textSlot[b.arguments++] = -1;  // read as an int: a width taken from a pointer's low bits
    } else if (width >= 0) {
        d += std::to_string(width);
    }
    d += modifiers[r.next() % (sizeof modifiers / sizeof modifiers[0])];
    d += conversion;
    for (const char c : d) b.format += static_cast<charU16>(c);
    if (conversion == '[') {
        if (r.next() & 1) b.format += u'^';
        const int members = 1 + r.next() % 5;  // a "]" right after "[" or "[^" is a member
        for (int i = 0; i < members; ++i) {
            charU16 u = r.next() % 2 ? static_cast<charU16>(u'a' + r.next() % 8) : u"-]^ \u00e9"[r.next() % 5];
            // Only a first "]" is a member; a first "^" would negate.
            if ((u == u']' && i > 0) || (u == u'^' && i == 0)) u = u'z';
            b.format += u;
        }
        // A set left open takes the rest of the format; nothing may follow.
        if (r.next() % 8 == 0) return false;
        b.format += u']';
    }
    if (!suppress && conversion != '%' && conversion != 'q') {
        // "c" writes its width; "s" and "[" one more; a number at most 8 bytes.
        b.textSlot[b.arguments++] = conversion == 'c' ? width : text ? width + 1 : 4;
    }
    return true;
}

Built buildFormat(Reader &r) {
    Built b;
    const int pieces = r.next() % 12;
    for (int i = 0; i < pieces; ++i) {
        const uint8_t kind = r.next();
        if (kind < 160) {
            if (!addDirective(r, b)) break;
        } else {
            // An ordinary unit or white space; never a "%" of its own.
            const charU16 u = kind < 200 ? static_cast<charU16>(u" \t,x0\u3000"[kind % 6]) : static_cast<charU16>(r.next());
            if (u != u'%' && u != 0) b.format += u;
        }
    }
    if (r.next() % 16 == 0) b.format += u'%';  // a directive cut by the end of the format
    return b;
}

void scanWith(const Built &b, FILE *stream, const charU16 *string) {
    alignas(16) charU16 slots[maxArguments][slotUnits];
    std::fill_n(&slots[0][0], maxArguments * slotUnits, canary);
    const charU16 *format = b.format.c_str();
    [&]<size_t... I>(std::index_sequence<I...>) {
        stream != nullptr ? fscanfU16(stream, format, &slots[I]...) : sscanfU16(string, format, &slots[I]...);
    }(std::make_index_sequence<maxArguments>());
    for (int i = 0; i < maxArguments; ++i) {
        const int allowed = i < b.arguments && b.textSlot[i] > 0 ? b.textSlot[i] : 0;
        // libFuzzer keeps the input, which rebuilds the format.
        if (std::count(slots[i] + allowed, slots[i] + slotUnits, canary) != slotUnits - allowed) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const qoru_test::TraceCapture reports(qoru::traceMedium);  // the reports run, kept out of the output
    Reader r{data, data + size};
    const Built b = buildFormat(r);
    const uint8_t *input = r.at;
    const size_t inputSize = static_cast<size_t>(r.end - r.at);
    std::u16string text;
    for (size_t i = 0; i + 1 < inputSize; i += 2) text += static_cast<charU16>(input[i] | input[i + 1] << 8);
    scanWith(b, nullptr, text.c_str());
    if (FILE *stream = fmemopen(const_cast<uint8_t *>(input), inputSize, "rb")) {
        scanWith(b, stream, nullptr);
        fclose(stream);
    }
    return 0;
}
