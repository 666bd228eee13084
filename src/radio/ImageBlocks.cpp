#include "ImageBlocks.h"

#include <QSaveFile>
#include <vector>

bool SaveImageBlocks(const ImageBlocks& image, int size, const QString& fileName, QString* errorText)
{
    QSaveFile file(fileName);
    // Unbuffered, so a failing write is seen here and not lost in a flush
    // at commit time.
    if (fileName.isEmpty() || size < 0 || !file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size), 0xFF);
    image.ReadBlock(0, bytes.data(), size);
    if (file.write(reinterpret_cast<const char*>(bytes.data()), size) != size || !file.flush()) {
        if (errorText)
            *errorText = file.errorString();
        file.cancelWriting();
        file.commit(); // removes the temporary file; the old file stays
        return false;
    }
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}
