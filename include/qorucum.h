/* qorucum: the C runtime for programs whose text type is UTF-16. */
#ifndef QORUCUM_H
#define QORUCUM_H

#include "qorucum/base.h"
#include "qorucum/trace.h"
#include "qorucum/string.h"
#include "qorucum/memory.h"
#include "qorucum/convert.h"
#include "qorucum/stdio.h"
#include "qorucum/ctype.h"
#include "qorucum/stdlib.h"
#include "qorucum/netdb.h"
#include "qorucum/getopt.h"

#endif
