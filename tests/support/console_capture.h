// A console for BatchRun that tests can read back afterwards.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

namespace test_support {

class ConsoleCapture {
public:
    ConsoleCapture() : file_(std::tmpfile()) {
        if (file_ == nullptr) throw std::runtime_error("tmpfile failed");
    }
    ~ConsoleCapture() { std::fclose(file_); }
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    std::FILE* file() const { return file_; }

    // Everything printed so far; starts afresh afterwards.
    std::string take() {
        std::fflush(file_);
        std::rewind(file_);
        std::string text;
        char block[4096];
        for (std::size_t got; (got = std::fread(block, 1, sizeof block, file_)) > 0;) text.append(block, got);
        std::fclose(file_);
        file_ = std::tmpfile();
        if (file_ == nullptr) throw std::runtime_error("tmpfile failed");
        return text;
    }

private:
    std::FILE* file_;
};

}  // namespace test_support
