/* Host and service look-ups with UTF-16 names. Results live in static
 * records that the next call of an operation sharing the record overwrites;
 * copy what you need.
 *
 * Not thread-safe: the records are process-wide and kept without a lock, so
 * gethostbynameU16, gethostbyaddrU16, getservbynameU16 and getservbyportU16
 * must not run in two threads at once (gethostnameU16 may). */
#ifndef QORUCUM_NETDB_H
#define QORUCUM_NETDB_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/* Array sizes of the result records, terminators and closing null entries
 * included. */
enum {
    MAX_HOSTNAME_LN = 256,     /* a host name or alias, in code units */
    MAX_ALIASES = 64,          /* alias entries: at most 63 aliases */
    MAX_ADDRESSES = 64,        /* address entries: at most 63 addresses */
    MAX_IPADDR_LN = 16,        /* bytes of one address */
    MAX_SERVNAME_LN = 32,      /* a service name or alias, in code units */
    MAX_SERVPROTONAME_LN = 8   /* a protocol name, in code units */
};

/* One static record shared by gethostbynameU16 and gethostbyaddrU16. The
 * alias and address lists are arrays inside the record, ended by a null
 * entry. */
typedef struct hostentU16 {
    charU16 *h_name;
    charU16 *h_aliases[MAX_ALIASES];
    int32_t h_addrtype;
    int32_t h_length;
    char *h_addr_list[MAX_ADDRESSES];
} hostentU16;

/* getservbynameU16 and getservbyportU16 have one static record each.
 * s_port is in network byte order, as the system gave it. */
typedef struct serventU16 {
    charU16 *s_name;
    charU16 *s_aliases[MAX_ALIASES];
    int32_t s_port;
    charU16 *s_proto;
} serventU16;

/* The host name into name (len units, terminator included): 0, or -1 when
 * the system fails, or -1 with ENAMETOOLONG when it does not fit (name then
 * holds a terminated cut). */
QORUCUM_API int32_t gethostnameU16(charU16 *name, int32_t len);
/* Null when the system knows no answer (its own error indication is left
 * as it set it), when a name is too long for its array (ENAMETOOLONG; the
 * system is not asked) or comes back as invalid UTF-8 (EILSEQ). On Windows
 * the first look-up starts Windows sockets. */
QORUCUM_API hostentU16 *gethostbynameU16(const charU16 *name);
QORUCUM_API hostentU16 *gethostbyaddrU16(const char *addr, int32_t len, int32_t type);
QORUCUM_API serventU16 *getservbynameU16(const charU16 *name, const charU16 *proto);
QORUCUM_API serventU16 *getservbyportU16(int32_t port, const charU16 *proto);

QORUCUM_EXTERN_C_END

#endif
