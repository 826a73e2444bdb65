// Answers, for each path on its command line, whether the launcher would find the workbook there:
// one line "true" or "false" per argument, in order. Runs the real directory search on real files.

#include "launch/exists.h"
#include "launch/win/find_file_search.h"

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    quben::win::FindFileSearch search;
    for (int i = 1; i < argc; ++i)
        std::fputs(quben::Exists(argv[i], search) ? "true\n" : "false\n", stdout);
    return 0;
}
