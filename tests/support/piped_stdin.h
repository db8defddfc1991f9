// Standard input from a pipe for as long as it lives; the test writes into it.
#pragma once

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace vemora::testing {

class PipedStdin {
public:
    PipedStdin() {
        EXPECT_EQ(pipe(ends_), 0);
        saved_ = dup(STDIN_FILENO);
        dup2(ends_[0], STDIN_FILENO);
    }
    ~PipedStdin() {
        CloseWriting();
        // A reading given up on ends at the pipe's end, before standard input comes back.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        dup2(saved_, STDIN_FILENO);
        close(saved_);
        close(ends_[0]);
    }
    PipedStdin(const PipedStdin&) = delete;
    PipedStdin& operator=(const PipedStdin&) = delete;
    void Write(const std::string& bytes) {
        EXPECT_EQ(write(ends_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void CloseWriting() {
        if (ends_[1] >= 0)
            close(ends_[1]);
        ends_[1] = -1;
    }

private:
    int ends_[2] = {-1, -1};
    int saved_ = -1;
};

} // namespace vemora::testing
