// halsim's command line as the tests give it: the arguments after the
// program name, parsed as main() parses them.
#ifndef TOOLS_HALSIM_COMMAND_LINE_TEST_H
#define TOOLS_HALSIM_COMMAND_LINE_TEST_H

#include <sstream>
#include <string>
#include <vector>

#include "run.h"

namespace halsim {

struct Parsed {
    std::string line;  // the arguments, for failure messages
    int status;        // parseCommandLine's answer: -1 when halsim runs
    Options options;
    std::string err;
};

inline Parsed parseArgs(const std::vector<const char *> &args)
{
    std::vector<const char *> argv{"halsim"};
    argv.insert(argv.end(), args.begin(), args.end());
    Parsed p{};
    for (const char *a : args) {
        p.line.append(a).append(" ");
    }
    std::ostringstream out;
    std::ostringstream err;
    p.status = parseCommandLine(static_cast<int>(argv.size()), argv.data(), p.options, out, err);
    p.err = err.str();
    return p;
}

}  // namespace halsim

#endif
