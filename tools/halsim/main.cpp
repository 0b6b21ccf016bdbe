// halsim: runs scenario files, a recording, or the built-in scenario of a
// terminal against the library in the stand-in host with a simulated chip,
// and prints, for every request, what the driver received and, asked to,
// what the library recorded and traced.
#include <iostream>

#include "run.h"

int main(int argc, char **argv)
{
    halsim::Options o;
    const int status = halsim::parseCommandLine(argc, argv, o, std::cout, std::cerr);
    if (status >= 0) {
        return status;
    }
    return halsim::run(o, std::cout, std::cerr);
}
