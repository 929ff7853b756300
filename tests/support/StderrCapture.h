// What the process writes to its standard error, for tests that the program stays quiet.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>

// Everything written to file descriptor 2 while alive, whoever wrote it.
class StderrCapture {
public:
    StderrCapture() {
        std::fflush(stderr);
        std::FILE* file = std::tmpfile();
        if (file == nullptr)
            throw std::runtime_error("tmpfile");
        file_ = file;
        saved_ = dup(2);
        dup2(fileno(file_), 2);
    }
    ~StderrCapture() {
        restore();
        std::fclose(file_);
    }
    std::string finish() {
        restore();
        std::string text;
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;)
            text.push_back(static_cast<char>(c));
        return text;
    }

private:
    void restore() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        saved_ = -1;
    }
    std::FILE* file_ = nullptr;
    int saved_ = -1;
};
