#include "platform/MainQueue.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <exception>
#include <mutex>

namespace morvanex::platform {

namespace {

// The application object that receives posted work. QCoreApplication::instance() alone is not
// enough: a worker thread reading it races the main thread constructing or destroying the
// application. Instead the application registers itself here from its own constructor and
// withdraws from its destructor, and posting happens under the same lock, so no work reaches an
// application that is being torn down. Both objects are trivially destructible, so posting
// during static destruction is still safe.
constinit std::mutex applicationMutex;
constinit QCoreApplication* application = nullptr;

void forgetApplication() {
    const std::lock_guard lock(applicationMutex);
    application = nullptr;
}

// Runs inside every QCoreApplication constructor, on the thread creating it.
void rememberApplication() {
    {
        const std::lock_guard lock(applicationMutex);
        application = QCoreApplication::instance();
    }
    // Post routines run at the start of the application's destructor; Qt forgets them afterwards,
    // so each new application registers again.
    qAddPostRoutine(forgetApplication);
}

void runGuarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& error) {
        qCWarning(log::platform, "Main queue: work item threw: %s", error.what());
    } catch (...) {
        qCWarning(log::platform, "Main queue: work item threw a non-standard exception");
    }
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(rememberApplication)

void postToMain(std::function<void()> work) {
    if (!work)
        return;
    const std::lock_guard lock(applicationMutex);
    if (application == nullptr)
        return; // `work` outlives `lock`: its captures are destroyed outside the lock
    QMetaObject::invokeMethod(
        application, [work = std::move(work)] { runGuarded(work); }, Qt::QueuedConnection);
}

} // namespace morvanex::platform
