#pragma once

#include <QByteArray>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <utility>

namespace morvanex::test {

// Both ends of a pipe, closed on destruction; close-on-exec, so a child gets only the end it
// is given.
struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        read = fds[0];
        write = fds[1];
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (read >= 0)
            ::close(std::exchange(read, -1));
    }
    void closeWrite() {
        if (write >= 0)
            ::close(std::exchange(write, -1));
    }
    void send(const QByteArray& bytes) const {
        ASSERT_EQ(::write(write, bytes.constData(), std::size_t(bytes.size())), bytes.size());
    }
};

} // namespace morvanex::test
