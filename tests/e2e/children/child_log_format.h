// One line of the child log per program start: the program's own path, its
// command line exactly as it received it, and its working folder, separated
// by tabs. Control characters, tabs and backslashes inside a field are
// escaped so that a command line ending in a line feed stays one line.
#pragma once

#include <string>

namespace e2e {

// Environment variable naming the log file; the installer passes it on to
// every program it starts.
constexpr const char* kChildLogVariable = "VARNLET_E2E_CHILD_LOG";
// When set, a recorded program whose command line contains this text ends
// with kChildFailureStatus instead of 0 (a failing service installer).
constexpr const char* kChildFailVariable = "VARNLET_E2E_FAIL_ARG";
constexpr int kChildFailureStatus = 3;

inline std::string EscapeLogField(const std::string& field) {
    std::string escaped;
    for (char c : field) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\t': escaped += "\\t"; break;
        case '\r': escaped += "\\r"; break;
        case '\n': escaped += "\\n"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

inline std::string UnescapeLogField(const std::string& field) {
    std::string plain;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            plain += field[i];
            continue;
        }
        char next = field[++i];
        plain += next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next;
    }
    return plain;
}

}  // namespace e2e
