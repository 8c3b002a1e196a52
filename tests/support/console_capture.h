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

    // Everything printed since the last call. The stream stays the same one:
    // the run under test keeps writing to it.
    std::string take() {
        std::fflush(file_);
        std::fseek(file_, offset_, SEEK_SET);
        std::string text;
        char block[4096];
        for (std::size_t got; (got = std::fread(block, 1, sizeof block, file_)) > 0;) text.append(block, got);
        offset_ = std::ftell(file_);
        std::fseek(file_, 0, SEEK_END);  // a stream that was read must be positioned before a write
        return text;
    }

private:
    std::FILE* file_;
    long offset_ = 0;
};

}  // namespace test_support
