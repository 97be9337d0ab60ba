/**
 * @file qorucum/netdb.h
 * @brief Host and service look-ups with UTF-16 names.
 */
#ifndef QORUCUM_NETDB_H
#define QORUCUM_NETDB_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/**
 * @defgroup qorucum_netdb Host and service look-ups
 * @brief The system's look-ups, with names converted to and from UTF-16.
 *
 * Input names go to the system as UTF-8 in the library's per-unit form (see
 * U2sToUtf8s()); names the system gives back are converted to UTF-16 into
 * fixed arrays inside static records. A name too long for its array is
 * reported on the trace channel and fails with ENAMETOOLONG (an input name
 * is never looked up cut); a name from the system that is not valid UTF-8
 * fails with EILSEQ. When the system itself knows no answer the result is
 * null and its own error indication (h_errno, WSAGetLastError) is left as it
 * set it. On Windows the first look-up starts Windows sockets (2.2); the
 * library never cleans them up.
 *
 * Not thread-safe: the records are process-wide and kept without a lock, so
 * gethostbynameU16(), gethostbyaddrU16(), getservbynameU16() and
 * getservbyportU16() must not run in two threads at once (gethostnameU16()
 * may). Each result stays valid until the next call sharing its record:
 * copy what you need.
 * @{
 */

/** @brief Array sizes of the result records, terminators and closing null entries included. */
enum {
    MAX_HOSTNAME_LN = 256,    /**< A host name or alias, in code units. */
    MAX_ALIASES = 64,         /**< Alias entries: at most 63 aliases. */
    MAX_ADDRESSES = 64,       /**< Address entries: at most 63 addresses. */
    MAX_IPADDR_LN = 16,       /**< Bytes of one address. */
    MAX_SERVNAME_LN = 32,     /**< A service name or alias, in code units. */
    MAX_SERVPROTONAME_LN = 8  /**< A protocol name, in code units. */
};

/**
 * @brief A host: the one static record shared by gethostbynameU16() and
 *        gethostbyaddrU16().
 *
 * The alias and address lists are arrays inside the record, each ended by a
 * null entry.
 */
typedef struct hostentU16 {
    /** The official name, null-terminated UTF-16; null when the system gave none. */
    charU16 *h_name;
    charU16 *h_aliases[MAX_ALIASES];    /**< Alias names, ended by a null entry. */
    int32_t h_addrtype;                 /**< The address family (AF_INET, AF_INET6). */
    int32_t h_length;                   /**< Bytes of each address. */
    char *h_addr_list[MAX_ADDRESSES];   /**< Addresses in network byte order, ended by a null entry. */
} hostentU16;

/**
 * @brief A service: getservbynameU16() and getservbyportU16() have one static
 *        record each.
 */
typedef struct serventU16 {
    charU16 *s_name;                    /**< The official service name, null-terminated UTF-16. */
    charU16 *s_aliases[MAX_ALIASES];    /**< Alias names, ended by a null entry. */
    int32_t s_port;                     /**< The port, in network byte order as the system gave it. */
    charU16 *s_proto;                   /**< The protocol name ("tcp", "udp"). */
} serventU16;

/**
 * @brief The name of this host.
 *
 * @param name   Destination array of len units; must not be null.
 * @param len    Capacity of name in code units, terminator included; must be
 *               above 0.
 * @return 0 with the terminated name in name; -1 on an error.
 * @par Errors
 * EINVAL for a null name or a len of 0 or below; ENAMETOOLONG when the name
 * does not fit (name then holds a terminated cut that splits no surrogate
 * pair); EILSEQ when the system's name cannot be converted (name emptied);
 * the system's error when it fails.
 */
QORUCUM_API int32_t gethostnameU16(charU16 *name, int32_t len);

/**
 * @brief Looks up a host by name.
 *
 * @param name   Null-terminated UTF-16 host name; null is handed to the
 *               system as null.
 * @return The shared host record, or null on an error.
 * @par Errors
 * ENAMETOOLONG when name does not fit in MAX_HOSTNAME_LN bytes of UTF-8 (the
 * system is not asked) or a returned name does not fit its array; EILSEQ
 * when a returned name is not valid UTF-8; when the system knows no answer,
 * null with its own error indication as it set it. More than 63 aliases or
 * addresses, or an address longer than MAX_IPADDR_LN bytes: null, reported on
 * the trace channel, errno left as it was.
 * @par Differs from C
 * The result holds UTF-16 names in fixed arrays: at most 63 aliases and 63
 * addresses, each name below MAX_HOSTNAME_LN units.
 */
QORUCUM_API hostentU16 *gethostbynameU16(const charU16 *name);

/**
 * @brief Looks up a host by address.
 *
 * @param addr   The address, len bytes in network byte order.
 * @param len    Bytes of addr.
 * @param type   The address family (AF_INET, AF_INET6).
 * @return The shared host record (the same as gethostbynameU16()'s), or null
 *         on an error.
 * @par Errors
 * As gethostbynameU16() for the returned record.
 * @par Differs from C
 * The names come back as UTF-16 in fixed arrays, as for gethostbynameU16().
 */
QORUCUM_API hostentU16 *gethostbyaddrU16(const char *addr, int32_t len, int32_t type);

/**
 * @brief Looks up a service by name and protocol.
 *
 * @param name   Null-terminated UTF-16 service name; null is handed to the
 *               system as null.
 * @param proto  Null-terminated UTF-16 protocol ("tcp"), or null for any.
 * @return The record of getservbynameU16(), or null on an error.
 * @par Errors
 * ENAMETOOLONG when name does not fit in MAX_SERVNAME_LN bytes or proto in
 * MAX_SERVPROTONAME_LN bytes of UTF-8 (the system is not asked), or a
 * returned name does not fit its array; EILSEQ when a returned name is not
 * valid UTF-8; when the system knows no answer, null with its own error
 * indication. More than 63 aliases: null, reported on the trace channel,
 * errno left as it was.
 * @par Differs from C
 * The names come back as UTF-16 in fixed arrays.
 */
QORUCUM_API serventU16 *getservbynameU16(const charU16 *name, const charU16 *proto);

/**
 * @brief Looks up a service by port and protocol.
 *
 * @param port   The port in network byte order (htons(80)).
 * @param proto  Null-terminated UTF-16 protocol, or null for any.
 * @return The record of getservbyportU16() (its own, not getservbynameU16()'s),
 *         or null on an error.
 * @par Errors
 * As getservbynameU16().
 * @par Differs from C
 * The names come back as UTF-16 in fixed arrays.
 */
QORUCUM_API serventU16 *getservbyportU16(int32_t port, const charU16 *proto);

/** @} */

QORUCUM_EXTERN_C_END

#endif
