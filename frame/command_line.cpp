// Finds the start-up file path in the program's command line.
#include "frame/command_line.h"

int CommandLineFilePath(const wchar_t* command_line, std::wstring* path) {
    path->clear();
    if (command_line == nullptr) {
        return 0;
    }
    const std::wstring text(command_line);
    const size_t pair = text.find(L"\" ");
    if (pair == std::wstring::npos || pair + 2 >= text.size()) {
        return 0;
    }
    std::wstring rest = text.substr(pair + 2);
    // A path never contains a double quote, so stripping one enclosing pair
    // cannot change the meaning of a real path.
    if (rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"' &&
        rest.find(L'"', 1) == rest.size() - 1) {
        rest = rest.substr(1, rest.size() - 2);
    }
    if (rest.empty()) {
        return 0;
    }
    *path = rest;
    return 1;
}
