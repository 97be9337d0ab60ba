// The one internal interface to the operating system and the C runtime.
// Every module takes its outside services from here; only the files under
// posix/ and windows/ include operating-system headers. Each group below is
// implemented by both platforms with the same results for the callers.
#ifndef QORU_PLATFORM_H
#define QORU_PLATFORM_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace plat {

// ---- Standard streams -------------------------------------------------------
FILE *standardInput();
FILE *standardOutput();
FILE *standardError();

// ---- Process and time -------------------------------------------------------
int32_t processId();
// Seconds since 1970-01-01 00:00 UTC.
int64_t calendarTime();
// The value of an environment variable, or null when it is not set.
const char *getEnv(const char *name);
// True when the process runs under Valgrind, whose memcheck reports every
// read past a string's end, even one the page rule makes safe.
bool runningUnderValgrind();

// ---- Narrow formatting --------------------------------------------------------
// Formats into buf with the "-1 when cut" contract: a size of 0 returns -1 and
// writes nothing; a text that fits returns its length; a cut text is stored
// with a terminator in the last byte and -1 is returned.
int32_t formatNarrowV(char *buf, size_t size, const char *format, va_list args);
int32_t formatNarrow(char *buf, size_t size, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// ---- Files and streams (opening by UTF-16 name, descriptors, error texts) ----
// Opening by a UTF-16 name with the C runtime's own flag and mode values of
// the platform. Windows hands the name to _wopen/_wfopen/_wfreopen; POSIX
// converts it to UTF-8 (a surrogate pair as one four-byte sequence) and opens
// that; there a name with no UTF-8 form (an unpaired surrogate) fails with
// EILSEQ, a name too long for the system with ENAMETOOLONG, a mode with a
// unit outside ASCII with EINVAL. Otherwise results and errno are the C
// runtime's. When the POSIX side cannot convert, freopenByName still closes
// the stream, as a failed freopen does.
int32_t openByName(const char16_t *path, int32_t oflag, int32_t pmode);
FILE *fopenByName(const char16_t *path, const char16_t *mode);
FILE *freopenByName(const char16_t *path, const char16_t *mode, FILE *stream);
// True when open flags make open take a permission mode (the create flag,
// and on Linux also O_TMPFILE).
bool openTakesMode(int32_t oflag);
// The descriptor behind a stream (_fileno / fileno).
int32_t streamDescriptor(FILE *stream);
// The C runtime's narrow text for an errno value; null when it has none.
const char *errorText(int32_t errnum);


// ---- Stream input ----------------------------------------------------------------
// A reader takes the stream's lock once for a whole call and reads bytes
// with the unlocked getter; the lock is recursive, so ungetc and ferror may
// be called while it is held. A process with one thread needs no lock:
// lockStream then takes none and says so, and unlockStream is handed what it
// said, so a lock taken is always released and no other is.
bool lockStream(FILE *stream);
void unlockStream(FILE *stream, bool locked);
// The next byte (0-255), or EOF at end of file or on a read error; the
// caller holds the lock.
int readByteLocked(FILE *stream);
// Gives one byte back to the stream (ungetc); EOF when refused.
int unreadByte(int byte, FILE *stream);
// The stream's error indicator (ferror).
bool streamError(FILE *stream);
// The bytes the stream has already buffered and would return next, for
// readers that take a run at a time; empty where the platform does not let
// the library see its stream buffer. The caller holds the lock, and
// consumeBuffered marks a prefix of them as read.
struct BufferedBytes {
    const unsigned char *bytes;
    size_t count;
};
BufferedBytes bufferedInput(FILE *stream);
void consumeBuffered(FILE *stream, size_t count);

// ---- Floating-point text --------------------------------------------------------
// Formats the magnitude of value (its sign bit is ignored: callers lay out the
// sign themselves) with a conversion letter (a A e E f F g G), a precision
// and the "#" flag, through the C runtime's narrow formatter as a double:
// never with a long-double directive, whose width differs between runtimes.
// Returns the length, or -1 when the text was cut (stored terminated).
int32_t formatDoubleMagnitude(char *buf, size_t size, double value, char conversion, int32_t precision,
                              bool alternate);
// The next variadic argument of a printf "L" directive, as a double: the
// caller's long double where the platform's C runtime has one wider than a
// double (POSIX), else a double (the Windows runtime's long double is one).
double longDoubleArgument(va_list &args);
// The first byte of the decimal point the narrow formatter writes (the
// C runtime's current locale).
char decimalPoint();

// ---- Digits of a double -----------------------------------------------------------
// The most digits ecvtDigits gives; larger counts are taken as this one.
inline constexpr int32_t ecvtDigitsMax = 348;
// The C runtime's _ecvt: the first count significant decimal digits of value,
// rounded, with *decimalPosition the position of the decimal point relative
// to the first digit and *negative nonzero for a value whose sign bit is set.
// The text lives in a per-thread buffer that the next call overwrites; null
// when the runtime gives none. POSIX gives exactly count digits (none for a
// count of 0 or less, with the decimal position of a one-digit result), all
// zeros with position 0 for a zero, and "inf" or "nan" with position 0.
const char *ecvtDigits(double value, int32_t count, int32_t *decimalPosition, int32_t *negative);

// ---- Dynamic loading --------------------------------------------------------------
// Loads a shared library by bare name (the platform's library search) or by
// path; null on failure. Windows widens the narrow name byte by byte and
// calls LoadLibraryW; POSIX calls dlopen.
void *loadLibrary(const char *nameOrPath);
// The address of an entry point, or null when the library lacks it.
void *findSymbol(void *library, const char *name);
// Unloads a library; false when the platform refuses.
bool unloadLibrary(void *library);
// How the binder's reports name the platform's search for a library by bare
// name: Windows searches PATH, the POSIX loader LD_LIBRARY_PATH and its cache.
struct LibrarySearch {
    const char *variable;  // the environment variable the search reads
    const char *search;    // "Searching for ... in <search>"
    const char *source;    // "Loaded ... lib: <name> from <source>"
    const char *place;     // "The following files must be in <place>:", may span lines
};
const LibrarySearch &librarySearch();
// The last error code of the calls above (Windows: GetLastError).
int32_t lastErrorCode();
// The character that joins a directory and a file name in a path.
char pathSeparator();
// True when a status query on the path succeeds.
bool pathExists(const char *path);
// Ends the process through the C runtime's exit: exit handlers run.
[[noreturn]] void exitProcess(int32_t status);

// ---- Initialization trace: console, message box, event log, error mode, services --
// True when the C runtime's standard error stream has a valid descriptor.
bool standardErrorValid();
// True when the process has a console window (POSIX: always; a valid
// standard error counts as the console there).
bool hasConsoleWindow();
// Creates the initialization trace file (emptied if it exists) for writing.
// POSIX refuses a symbolic link, a non-regular file or a file with other
// links under the name, so a link planted in a shared directory cannot
// redirect the writes. Null when the file cannot be opened.
FILE *createTraceFile(const char *name);
// A modal message box with an OK button (Windows: MessageBoxA without an
// owner); POSIX has none and does nothing.
void showMessageBox(const char *text, const char *caption);
// One error entry of the event source (Windows: RegisterEventSourceW,
// ReportEventW with the text widened byte by byte, DeregisterEventSource;
// POSIX: syslog with the source as its ident).
void reportErrorEvent(const char *source, const char *text);
// The process error mode (Windows: SetErrorMode). POSIX keeps a process-wide
// stand-in value so that a setting reads back.
uint32_t readErrorMode();
uint32_t setErrorMode(uint32_t mode);
// One entry of a process snapshot.
struct ProcessEntry {
    uint32_t processId;
    uint32_t parentProcessId;
    char16_t exeName[260];  // zero-terminated, cut to fit
};
// A snapshot of all processes (Windows: CreateToolhelp32Snapshot); null when
// it cannot be taken. POSIX gives an empty snapshot.
void *openProcessSnapshot();
// The next entry in snapshot order; false at the end.
bool nextProcess(void *snapshot, bool first, ProcessEntry &entry);
void closeProcessSnapshot(void *snapshot);
// Wide classification of one code unit by the C runtime's class bits (upper
// 0x0001, lower 0x0002, digit 0x0004, space 0x0008, punctuation 0x0010,
// control 0x0020, blank 0x0040, alpha 0x0100): true when any bit of mask
// holds. And the C runtime's upper case of one code unit.
bool wideClassIs(char16_t unit, uint16_t mask);
char16_t wideUpper(char16_t unit);

// ---- Host and service look-ups ------------------------------------------------
// The system's host record as the look-ups see it. The lists end with a null
// entry (a null list counts as empty); the pointers lead into the system's
// own static storage, valid until its next look-up.
struct HostRecord {
    const char *name;
    char *const *aliases;
    int16_t addrType;
    int16_t length;
    char *const *addresses;
};
// The system's service record; port is the 16-bit value as the system stores
// it, in network byte order.
struct ServiceRecord {
    const char *name;
    char *const *aliases;
    int16_t port;
    const char *proto;
};
// The host name, terminated, into buf; false when the system fails.
bool hostName(char *buf, size_t size);
// The look-ups fill record and return true, or return false when the system
// has no answer (its own error indication left as it set it). A null host
// name asks for the local host; a null protocol matches any protocol. Windows
// starts Windows sockets once per process on the first call of any of them.
bool hostByName(const char *name, HostRecord &record);
bool hostByAddr(const char *addr, int32_t len, int32_t type, HostRecord &record);
bool serviceByName(const char *name, const char *proto, ServiceRecord &record);
bool serviceByPort(int32_t port, const char *proto, ServiceRecord &record);
// Converts a zero-terminated name from the system's ANSI code page, its
// terminator included, into dst (capacity units). Returns the units stored
// with the terminator, or 0 when they do not fit or the text cannot be
// converted.
using AnsiToUtf16 = size_t (*)(const char *src, char16_t *dst, size_t capacity);
// The system's conversion: on Windows MultiByteToWideChar with CP_ACP. Null
// on POSIX, which has no code page of its own: names are UTF-8 there, and the
// name services decode them with the library's decoder.
AnsiToUtf16 ansiToUtf16();

// ---- Once-only initialization ---------------------------------------------------
// Zero-initialised storage for the platform's once primitive (a
// pthread_once_t or an INIT_ONCE).
struct OnceFlag {
    alignas(8) unsigned char storage[8] = {};
};
// Runs fn exactly once per flag; a caller that arrives while fn runs on
// another thread waits until it has finished.
void runOnce(OnceFlag &flag, void (*fn)());

}  // namespace plat

#endif
