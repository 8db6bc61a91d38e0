#pragma once

#include "platform/OutputFolder.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// Where the renders of one --dump run go, and whether they go on.
namespace morvanex::dump {

// The output folder of the renders, made when the writer is, and the end of the renders: the
// first render that cannot be written says why in one line on standard error and ends them,
// since the next ones would fail alike; stop() ends them too. An image that could not be drawn
// is said in a line of its own and counts as a failure, but the others go on.
class RenderWriter {
public:
    // Makes the folder from the argument's bytes (see platform::OutputFolder).
    explicit RenderWriter(const QByteArray& folder);

    // The folder's absolute path.
    const QByteArray& path() const { return folder_.path(); }
    // Why no render can be written into the folder; empty when they can.
    const QString& folderError() const { return folder_.error(); }

    // Writes `image` as PNG under `name` in the folder, replacing what stood there. False when
    // nothing was written (no image, no PNG, a failed write, or the renders ended already).
    bool writePng(const QImage& image, const QString& name);

    // Whether the renders should end now.
    bool stopped() const { return ended_ || stopRequested_; }
    // Whether a render is missing.
    bool failed() const { return failed_; }
    void stop() { stopRequested_ = true; }

private:
    void fail(const QString& name, const QString& reason);

    platform::OutputFolder folder_;
    bool failed_ = false;
    bool ended_ = false;
    bool stopRequested_ = false;
};

} // namespace morvanex::dump
