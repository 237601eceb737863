// qarctl: bulk import, export and the data check of a QAR database from a shell.
#include "QarCtl.h"

#include <cstring>
#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << qar::QarCtlUsage();
            return qar::kQarCtlOk;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "qarctl " << QAR_VERSION << '\n';
            return qar::kQarCtlOk;
        }
        args.emplace_back(argv[i]);
    }
    return qar::RunQarCtl(args, std::cout, std::cerr);
}
