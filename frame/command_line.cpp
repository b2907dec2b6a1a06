// Finds the start-up file path in the program's command line.
#include "frame/command_line.h"

#include <vector>

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

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool HasDrive(const std::wstring& path) {
    return path.size() >= 2 && path[1] == L':' &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

bool IsUnc(const std::wstring& path) {
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

// Length of the root: "C:" of a drive path, "\\server\share" of a UNC path;
// 0 when the path has neither.
size_t RootLength(const std::wstring& path) {
    if (HasDrive(path)) {
        return 2;
    }
    if (!IsUnc(path)) {
        return 0;
    }
    size_t at = 2;
    for (int part = 0; part < 2; ++part) {
        while (at < path.size() && !IsSeparator(path[at])) {
            ++at;
        }
        if (part == 0 && at < path.size()) {
            ++at;
        }
    }
    return at;
}

bool IsAbsolute(const std::wstring& path) {
    return IsUnc(path) || (HasDrive(path) && path.size() >= 3 && IsSeparator(path[2]));
}

// Root plus the segments after it, with "." and ".." resolved and one
// backslash between them.
std::wstring Normalised(const std::wstring& path) {
    const size_t root_length = RootLength(path);
    std::wstring root = path.substr(0, root_length);
    for (wchar_t& c : root) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    std::vector<std::wstring> segments;
    size_t at = root_length;
    while (at < path.size()) {
        size_t end = at;
        while (end < path.size() && !IsSeparator(path[end])) {
            ++end;
        }
        const std::wstring segment = path.substr(at, end - at);
        if (segment == L"..") {
            if (!segments.empty()) {
                segments.pop_back();
            }
        } else if (!segment.empty() && segment != L".") {
            segments.push_back(segment);
        }
        at = end + 1;
    }
    std::wstring result = root;
    if (segments.empty()) {
        return result + L"\\";
    }
    for (const std::wstring& segment : segments) {
        result += L"\\" + segment;
    }
    return result;
}

wchar_t Upper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

} // namespace

std::wstring ResolveStartPath(const std::wstring& start_folder, const std::wstring& path) {
    if (path.empty()) {
        return std::wstring();
    }
    if (IsAbsolute(path)) {
        return Normalised(path);
    }
    if (HasDrive(path) && !(HasDrive(start_folder) && Upper(start_folder[0]) == Upper(path[0]))) {
        // A drive other than the folder's: its own current folder is not
        // known here, so the path counts from that drive's root.
        return Normalised(path.substr(0, 2) + L"\\" + path.substr(2));
    }
    if (!IsAbsolute(start_folder)) {
        return std::wstring();
    }
    if (HasDrive(path)) {
        return Normalised(start_folder + L"\\" + path.substr(2));
    }
    if (IsSeparator(path[0])) {
        return Normalised(start_folder.substr(0, RootLength(start_folder)) + path);
    }
    return Normalised(start_folder + L"\\" + path);
}
