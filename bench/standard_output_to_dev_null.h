#pragma once
// Points descriptor 1 at /dev/null for the life of one benchmark, so that the
// program's own line writer (which writes to descriptor 1) can be timed.

#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

class StandardOutputToDevNull {
public:
    StandardOutputToDevNull() {
        std::cout.flush();
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~StandardOutputToDevNull() {
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }
    StandardOutputToDevNull(const StandardOutputToDevNull&) = delete;
    StandardOutputToDevNull& operator=(const StandardOutputToDevNull&) = delete;

private:
    int saved_ = -1;
};
