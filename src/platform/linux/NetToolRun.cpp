#include "platform/linux/NetToolRun.h"

#include "platform/MainQueue.h"
#include "platform/OpenFileLimit.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

namespace morvanex::platform {

namespace {

// Starting means fork and exec; this only guards against a machine that has stopped.
constexpr int startWaitMs = 30000;

} // namespace

NetToolRun::NetToolRun(Options options)
    : options_(std::move(options)), context_(std::make_unique<QObject>()) {}

NetToolRun::~NetToolRun() {
    if (process_ == nullptr)
        return;
    QObject::disconnect(process_, nullptr, nullptr, nullptr);
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(startWaitMs);
    }
}

bool NetToolRun::running() const {
    return started_ && !ended_;
}

bool NetToolRun::start(std::function<void(NetToolOutcome)> done) {
    if (started_)
        return false;
    started_ = true;
    process_ = new QProcess(context_.get());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (auto it = options_.environment.cbegin(); it != options_.environment.cend(); ++it)
        environment.insert(it.key(), it.value());
    process_->setProcessEnvironment(environment);
    process_->setProgram(options_.program);
    process_->setArguments(options_.arguments);
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->setStandardInputFile(QProcess::nullDevice());
    // The tool gets the open-file limit this process started with, not the raised one.
    process_->setChildProcessModifier([] { restoreStartingOpenFileLimit(); });
    if (options_.discardErrors)
        process_->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process_, &QProcess::readyReadStandardOutput, context_.get(),
                     [this] { collectOutput(); });
    QObject::connect(process_, &QProcess::readyReadStandardError, context_.get(),
                     [this] { collectErrors(); });
    QObject::connect(process_, &QProcess::finished, context_.get(),
                     [this](int exitCode, QProcess::ExitStatus status) {
                         finished(exitCode, status == QProcess::CrashExit);
                     });

    process_->start(QIODevice::ReadOnly);
    if (!process_->waitForStarted(startWaitMs)) {
        QObject::disconnect(process_, nullptr, nullptr, nullptr);
        if (process_->state() != QProcess::NotRunning) {
            process_->kill();
            process_->waitForFinished(startWaitMs);
        }
        ended_ = true;
        return false;
    }
    done_ = std::move(done);
    if (options_.bound) {
        boundTimer_ = new QTimer(context_.get());
        boundTimer_->setSingleShot(true);
        QObject::connect(boundTimer_, &QTimer::timeout, context_.get(), [this] {
            outcome_.timedOut = true;
            process_->kill();
        });
        boundTimer_->start(*options_.bound);
    }
    return true;
}

void NetToolRun::terminate() {
    if (running())
        process_->terminate();
}

void NetToolRun::kill() {
    if (running())
        process_->kill();
}

void NetToolRun::collectOutput() {
    const QByteArray chunk = process_->readAllStandardOutput();
    const qint64 room = options_.outputLimit - outcome_.output.size();
    if (chunk.size() > room) {
        outcome_.overflowed = true;
        outcome_.output.append(chunk.left(std::max<qint64>(room, 0)));
    } else {
        outcome_.output.append(chunk);
    }
}

void NetToolRun::collectErrors() {
    outcome_.errors.append(process_->readAllStandardError());
    if (outcome_.errors.size() > errorsKept)
        outcome_.errors.remove(0, outcome_.errors.size() - errorsKept);
}

void NetToolRun::finished(int exitCode, bool crashed) {
    if (ended_)
        return;
    ended_ = true;
    collectOutput();
    if (!options_.discardErrors)
        collectErrors();
    if (boundTimer_ != nullptr)
        boundTimer_->stop();
    outcome_.exitStatus = exitCode;
    outcome_.signalled = crashed;
    // Completed from the event loop rather than inside the process's signal, so the owner may
    // destroy this run from its completion.
    postToMain([alive = std::weak_ptr<const bool>(alive_), done = std::move(done_),
                outcome = std::move(outcome_)]() mutable {
        if (alive.lock() && done)
            done(std::move(outcome));
    });
    done_ = nullptr;
}

} // namespace morvanex::platform
