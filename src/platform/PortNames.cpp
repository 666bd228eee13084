#include "PortNames.h"

#include "Settings.h"

namespace PortNames {

int PortNumber(const QString& comName)
{
    if (!comName.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return 0;
    const QString digits = comName.mid(3);
    if (digits.isEmpty() || digits.size() > 9)
        return 0;
    for (QChar c : digits)
        if (!c.isDigit())
            return 0;
    return digits.toInt();
}

QString DefaultDevice(int portNumber)
{
    if (portNumber >= 1 && portNumber <= 32)
        return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
    if (portNumber >= 33 && portNumber <= 64)
        return QStringLiteral("/dev/ttyUSB%1").arg(portNumber - 33);
    if (portNumber >= 65 && portNumber <= 96)
        return QStringLiteral("/dev/ttyACM%1").arg(portNumber - 65);
    return QString();
}

QString MapKey(Deliverable deliverable)
{
    return deliverable == Deliverable::Pmr ? QStringLiteral("\\Zyn\\Ql4100P\\PortMap")
                                           : QStringLiteral("\\Zyn\\Ql4100t\\PortMap");
}

QString PortKey(Deliverable deliverable)
{
    return deliverable == Deliverable::Pmr ? QStringLiteral("\\Zyn\\Ql4100P\\Port")
                                           : QStringLiteral("\\Zyn\\Ql4100t\\Port");
}

QString MappedDevice(Deliverable deliverable, int portNumber)
{
    Settings map(MapKey(deliverable));
    QString path;
    if (portNumber >= 1 && map.Open(false) && map.ReadString(QStringLiteral("COM%1").arg(portNumber), path))
        return path.trimmed();
    return QString();
}

QString DevicePath(Deliverable deliverable, const QString& comName)
{
    const int number = PortNumber(comName);
    if (number < 1)
        return QString();
    const QString mapped = MappedDevice(deliverable, number);
    return mapped.isEmpty() ? DefaultDevice(number) : mapped;
}

} // namespace PortNames
