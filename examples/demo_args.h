// The demo's UTF-16 argument vector: from the wide command line on Windows,
// from argv as UTF-8 elsewhere.
#ifndef QORU_DEMO_ARGS_H
#define QORU_DEMO_ARGS_H

#include <string>
#include <vector>

std::vector<std::u16string> demoArguments(int argc, char **argv);

#endif
