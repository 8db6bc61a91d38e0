#include "dump/RenderWriter.h"

#include "dump/DumpValues.h"

#include <QBuffer>
#include <QImageWriter>
#include <cstdio>

namespace morvanex::dump {

RenderWriter::RenderWriter(const QByteArray& folder) : folder_(folder) {}

bool RenderWriter::writePng(const QImage& image, const QString& name) {
    if (stopped())
        return false;
    if (image.isNull()) {
        fail(name, QStringLiteral("no bitmap could be made"));
        return false;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter encoder(&buffer, "PNG");
    if (!encoder.write(image)) {
        fail(name, encoder.errorString());
        return false;
    }
    if (const auto error = folder_.write(name, png)) {
        fail(name, *error);
        ended_ = true;
        return false;
    }
    return true;
}

void RenderWriter::fail(const QString& name, const QString& reason) {
    failed_ = true;
    const QByteArray line = QByteArrayLiteral("Morvanex: could not write the render ") +
                            pathBytes(folder_.path() + '/' + name.toUtf8()) +
                            QByteArrayLiteral(": ") + lineBytes(reason + QLatin1Char('.'));
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace morvanex::dump
