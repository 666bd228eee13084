#include "Eeprom.h"

#include "pmr/Chdata.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

void EEbuffer::EraseRange(int from, int to)
{
    uint8_t* data = Data();
    if (data == nullptr || to < from)
        return;
    const int first = std::max(from, 0);
    const int end = std::min(to, Size());
    if (first < end)
        std::memset(data + first, 0xFF, static_cast<size_t>(end - first));
}

char NameFilter(uint8_t byte)
{
    if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z'))
        return static_cast<char>(byte);
    if (byte >= 'a' && byte <= 'z')
        return static_cast<char>(byte - 'a' + 'A');
    switch (byte) {
    case ' ':
    case '*':
    case '+':
    case '-':
    case '.': return static_cast<char>(byte);
    default: return ' ';
    }
}

QString NameFilter(const uint8_t* bytes, int count)
{
    QString name;
    name.reserve(count);
    for (int i = 0; i < count; ++i)
        name.append(QLatin1Char(NameFilter(bytes[i])));
    return name;
}

PmrImage::PmrImage() = default;

void PmrImage::SetV3Features(bool extended, PmrImageFrontEnd& frontEnd)
{
    v3Features_ = extended;
    frontEnd.ShowLayout(extended);
}


bool PmrImage::Save(const QString& fileName, PmrImageFrontEnd& frontEnd)
{
    // Every failed save says so, also one whose file could not even be
    // created: the user must not think the configuration is on disk.
    const int size = LayoutSize();
    if (!SaveImageBlocks(buffer_, size, fileName)) {
        frontEnd.ShowWriteError();
        return false;
    }
    fileSize_ = size;
    currentFile_ = fileName;
    frontEnd.ShowStatus(QLatin1String(PmrImageText::kFileLoaded) + fileName);
    return true;
}

bool PmrImage::Load(const QString& fileName, PmrImageFrontEnd& frontEnd)
{
    frontEnd.ShowStatus(QString());
    frontEnd.ClearRadioLabels();

    bool loaded = false;
    QFile file(fileName);
    if (!fileName.isEmpty() && file.open(QIODevice::ReadOnly)) {
        buffer_.Erase();
        qint64 got = 0;
        bool readError = false;
        while (got < EEbuffer::kImageSize) {
            const qint64 n = file.read(reinterpret_cast<char*>(bytes_.data()) + got, EEbuffer::kImageSize - got);
            if (n < 0) {
                readError = true;
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        file.close();
        if (!readError) {
            fileSize_ = static_cast<int>(got);
            if (got == PmrLayout::kExtendedSize) {
                SetV3Features(true, frontEnd);
                loaded = true;
            } else if (got == PmrLayout::kShortSize) {
                SetV3Features(false, frontEnd);
                loaded = true;
                NormaliseShortImage();
            }
        }
    }

    if (loaded) {
        currentFile_ = fileName;
        frontEnd.ShowStatus(QLatin1String(PmrImageText::kFileLoaded) + fileName);
    } else {
        frontEnd.ShowStatus(QLatin1String(PmrImageText::kNoFileLoaded));
    }
    return loaded;
}

// A short image goes once through the 125-record channel table of the short
// layout: the hidden channels (records 100..124) lose flag A bit 0, and every
// record and name is written back by the table's own rules.
void PmrImage::NormaliseShortImage()
{
    if (v3Features_)
        return;
    ChData table(125, ChLayout::Short);
    table.LoadFromImage(buffer_);
    for (int n = FirstHiddenChannel(ChLayout::Short); n <= 124; ++n) {
        CH_DATA_STRUCT record;
        if (table.GetRaw(n, record) == 0) {
            record.flagsA &= ~0x01;
            table.PutRaw(n, record);
        }
    }
    table.SaveToImage(buffer_);
}

bool PmrImage::SwitchLayout(PmrImageFrontEnd& frontEnd)
{
    bool switched = false;
    if (v3Features_) {
        if (frontEnd.AskDisableV3Features()) {
            v3Features_ = false;
            buffer_.EraseRange(PmrLayout::kShortSize, EEbuffer::kImageSize);
            switched = true;
        }
    } else if (frontEnd.AskEnableV3Features()) {
        // The extension keeps what it holds (0xFF after a short load or read).
        v3Features_ = true;
        switched = true;
    }
    frontEnd.ShowLayout(v3Features_);
    return switched;
}
