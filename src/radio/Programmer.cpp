#include "Programmer.h"

#include "radio/Radio.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <vector>

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

void RadioProgrammer::ParseVersion(const QString& ident)
{
    ParseFirmwareVersion(ident, firmwareMajor_, firmwareMinor_);
    radio_.SetFirmwareMajor(firmwareMajor_);
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
    return deliverable_ == Deliverable::Pmr ? ReadPmr(info) : ReadTelemetry(info);
}

RadioProgrammer::ReadResult RadioProgrammer::ReadTelemetry(RadioInfo& info)
{
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

    if (!frontEnd_.TransferImage(false, 0, kShortEnd))
        return ReadResult::TransferFailed;
    KeepBackup(info.ident, kShortEnd + 1);
    return ReadResult::Loaded;
}

RadioProgrammer::ReadResult RadioProgrammer::ReadPmr(RadioInfo& info)
{
    if (!radio_.OpenSession(firmwareMajor_ >= 3)) {
        radio_.CloseSession();
        return ReadResult::ProgModeFailed;
    }
    // Every way out before the transfer leaves programming mode again, so the
    // radio is not left waiting in it.
    auto leave = [this](ReadResult r) {
        radio_.CloseSession();
        return r;
    };

    int type = -1;
    if (!radio_.ReadByte(RadioIdent::kRadioTypeAddress, type))
        return leave(ReadResult::TypeReadFailed);
    if (type == RadioIdent::kTypeStunned) {
        if (!frontEnd_.ConfirmReviveStunned())
            return leave(ReadResult::Declined);
        if (!radio_.WriteByte(RadioIdent::kRadioTypeAddress, RadioIdent::kTypePmr))
            return leave(ReadResult::ReviveFailed);
        if (!radio_.ReadByte(RadioIdent::kRadioTypeAddress, type))
            return leave(ReadResult::RevivedReadFailed);
    }
    info.radioType = type;
    if (type != RadioIdent::kTypePmr && !frontEnd_.ConfirmNotPmr())
        return leave(ReadResult::Declined);

    RepairAddress20();

    int hardware = 0;
    if (radio_.ReadByte(RadioIdent::kHardwareAddress, hardware))
        info.hardware = hardware;
    info.model = DecodeHardware(deliverable_, hardware);
    ParseVersion(info.ident);
    frontEnd_.RadioIdentified(info);

    // Only a "20" model with firmware 3 or later holds the extended layout.
    const bool extended = IsTwentyModel(info.model) && firmwareMajor_ >= 3;
    const int end = extended ? kExtendedEnd : kShortEnd;
    const std::vector<uint8_t> erased(kExtendedEnd + 1, 0xFF);
    image_.WriteBlock(0, erased.data(), kExtendedEnd + 1);
    frontEnd_.SetExtendedLayout(extended);

    // The session opened above is the transfer's; its worker closes it.
    const bool transferred = frontEnd_.TransferImage(false, 0, end);
    // Whatever the radio said, the image is a PMR image from here on.
    if (ImageByte(RadioIdent::kRadioTypeAddress) != RadioIdent::kTypePmr)
        SetImageByte(RadioIdent::kRadioTypeAddress, RadioIdent::kTypePmr);
    if (!transferred)
        return ReadResult::TransferFailed;
    KeepBackup(info.ident, end + 1);
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
        !frontEnd_.ConfirmFirmwareMismatch(info.ident, imageType, ImageByte(RadioIdent::kModeAddress)))
        return WriteResult::Declined;
    const bool pmr = deliverable_ == Deliverable::Pmr;
    if (pmr)
        ParseVersion(info.ident);

    // The image carries the radio's own hardware byte, whatever the file said.
    int hardware = 0;
    if (radio_.ReadByte(RadioIdent::kHardwareAddress, hardware)) {
        info.hardware = hardware;
        SetImageByte(RadioIdent::kHardwareAddress, hardware);
    }
    info.model = DecodeHardware(deliverable_, hardware);

    int end = kShortEnd;
    if (pmr) {
        radio_.OpenSession(firmwareMajor_ >= 3);
        const bool extendedRadio = IsTwentyModel(info.model) && firmwareMajor_ >= 3;
        const bool extendedImage = frontEnd_.ExtendedLayout();
        bool go = true;
        if (extendedRadio) {
            end = kExtendedEnd;
            if (extendedImage && !IsNewHead(info.model))
                go = frontEnd_.ConfirmLayoutLoss(ProgrammerFrontEnd::LayoutLoss::FiveCharacterNames);
        } else if (extendedImage) {
            go = frontEnd_.ConfirmLayoutLoss(ProgrammerFrontEnd::LayoutLoss::NinetyNineChannels);
        }
        if (!go) {
            radio_.CloseSession();
            return WriteResult::Declined;
        }
        // Two bytes of the factory area travel with the configuration.
        radio_.WriteByte(41, ImageByte(41));
        radio_.WriteByte(42, ImageByte(42));
    }

    if (!frontEnd_.TransferImage(true, kFirstWritten, end))
        return WriteResult::TransferFailed;
    return WriteResult::Written;
}

QString RadioProgrammer::BackupFolder(Deliverable deliverable)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(deliverable == Deliverable::Pmr ? QStringLiteral("Zyn/Ql4100P/backups")
                                                               : QStringLiteral("Zyn/Ql4100t/backups"));
}

void RadioProgrammer::KeepBackup(const QString& ident, int size)
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
    if (SaveImageBlocks(image_, size, path))
        lastBackup_ = path;
}
