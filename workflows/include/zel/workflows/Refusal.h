#pragma once
// Why a list editor, or the command line that follows its rules, refuses a change.
#include <string>

namespace zel::workflows {

// The refusal of one of the list editors' rules, in the editor's own words. The program shows
// Message in a box with Title (empty: the application's title) and the exclamation icon when
// Exclamation is set; a Silent refusal shows no box in the program (the editor's Save just does
// nothing), but Message still says why, for the command line.
struct Refusal {
    std::string Message;
    std::string Title;
    bool Exclamation = false;
    bool Silent = false;
};

} // namespace zel::workflows
