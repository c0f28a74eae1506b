#pragma once
// zelctl's entry: takes the command line apart, runs the command, gives the exit status.
#include <iosfwd>

namespace zel::cli {

// Exit statuses: 0 all done; 1 some clocks failed (each named on standard error); 2 usage;
// 3 site database error; 4 no clock reached.
int RunZelctl(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace zel::cli
