#pragma once

#include "support/TestEnv.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace morvanex::test {

// A file in the test's scratch folder for a child's standard error: read after the child ended,
// for the exit check and for failure messages.
class ErrorFile {
public:
    ErrorFile()
        : path_(scratchDir() + QStringLiteral("/stderr-") + QString::number(++count_) +
                QStringLiteral(".txt")),
          fd_(::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                     0600)) {}
    ErrorFile(const ErrorFile&) = delete;
    ErrorFile& operator=(const ErrorFile&) = delete;
    ~ErrorFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }

    int fd() const { return fd_; }
    QByteArray bytes() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    std::string text() const { return bytes().toStdString(); }

private:
    static inline int count_ = 0;
    QString path_;
    int fd_;
};

} // namespace morvanex::test
