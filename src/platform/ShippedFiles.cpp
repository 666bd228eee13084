#include "ShippedFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString ResolveShippedFile(const QString& fileName)
{
    if (fileName.isEmpty() || QFileInfo(fileName).isAbsolute() || QFileInfo::exists(fileName))
        return fileName;
    const QString shipped = QDir(QCoreApplication::applicationDirPath()).filePath(fileName);
    return QFileInfo::exists(shipped) ? shipped : fileName;
}
