#include "Programmer.h"

#include "radio/Radio.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

RadioProgrammer::RadioProgrammer(Deliverable deliverable, TRadio& radio, ImageBlocks& image,
                                 ProgrammerFrontEnd& frontEnd)
    : deliverable_(deliverable), radio_(radio), image_(image), frontEnd_(frontEnd)
{
}

int RadioProgrammer::ImageByte(int address) const
{
    uint8_t b = 0;
    return image_.ReadBlock(address, &b, 1) == 1 ? b : 0;
}

void RadioProgrammer::SetImageByte(int address, int value)
{
    const uint8_t b = static_cast<uint8_t>(value);
    image_.WriteBlock(address, &b, 1);
}

void RadioProgrammer::RepairAddress20()
{
    int value = 0;
    if (radio_.ReadByte(kRepairAddress, value) && value == 0xFF) {
        radio_.WriteByte(kRepairAddress, kRepairValue);
        SetImageByte(kRepairAddress, kRepairValue);
    }
}

RadioProgrammer::ReadResult RadioProgrammer::ReadFromRadio(RadioInfo& info)
{
    info = RadioInfo();
    if (!radio_.GetIdent(info.ident) || !IsSupportedIdent(info.ident))
        return ReadResult::NoRadio;

    RepairAddress20();

    // A radio that does not say its type is not taken for a telemetry radio.
    int type = -1;
    if (!radio_.ReadByte(RadioIdent::kRadioTypeAddress, type))
        return ReadResult::NoRadio;
    info.radioType = type;
    if (type != RadioIdent::kTypeTelemetry && type != RadioIdent::kTypeData)
        return ReadResult::WrongRadioType;

    int hardware = 0;
    if (radio_.ReadByte(RadioIdent::kHardwareAddress, hardware))
        info.hardware = hardware;
    info.model = DecodeHardware(deliverable_, hardware);
    radio_.ReadByte(RadioIdent::kModeAddress, info.repeaterFlags);
    frontEnd_.RadioIdentified(info);

    if (!frontEnd_.TransferImage(false, 0, kImageEnd))
        return ReadResult::TransferFailed;
    KeepBackup(info.ident);
    return ReadResult::Loaded;
}

RadioProgrammer::WriteResult RadioProgrammer::WriteToRadio(RadioInfo& info)
{
    info = RadioInfo();
    if (!radio_.GetIdent(info.ident))
        return WriteResult::NoRadio;
    frontEnd_.RadioIdentified(info);

    const int imageType = ImageByte(RadioIdent::kRadioTypeAddress);
    if (!FirmwareMatchesImage(deliverable_, info.ident, imageType) &&
        !frontEnd_.ConfirmFirmwareMismatch(info.ident, imageType))
        return WriteResult::Declined;

    // The image carries the radio's own hardware byte, whatever the file said.
    int hardware = 0;
    if (radio_.ReadByte(RadioIdent::kHardwareAddress, hardware)) {
        info.hardware = hardware;
        SetImageByte(RadioIdent::kHardwareAddress, hardware);
    }

    if (!frontEnd_.TransferImage(true, kFirstWritten, kImageEnd))
        return WriteResult::TransferFailed;
    return WriteResult::Written;
}

QString RadioProgrammer::BackupFolder(Deliverable deliverable)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(deliverable == Deliverable::Pmr ? QStringLiteral("Zyn/Ql4100P/backups")
                                                               : QStringLiteral("Zyn/Ql4100t/backups"));
}

void RadioProgrammer::KeepBackup(const QString& ident)
{
    lastBackup_.clear();
    const QString folder = BackupFolder(deliverable_);
    if (!QDir().mkpath(folder))
        return;
    // The identity names the radio; keep only what is safe in a file name.
    QString name;
    for (QChar c : ident.trimmed())
        name += (c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-')) ? c : QLatin1Char('_');
    if (name.isEmpty())
        name = QStringLiteral("radio");
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = QDir(folder).filePath(QStringLiteral("%1-%2.mem").arg(name, stamp));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1-%2-%3.mem").arg(name, stamp).arg(n));
    if (SaveImageBlocks(image_, kImageEnd + 1, path))
        lastBackup_ = path;
}
