#include "Eeprom.h"

#include <QFile>
#include <cstring>
#include <vector>

int EEPROM::GetByte(int address) const
{
    if (data_ == nullptr || address < 0 || address >= size_)
        return 0;
    return data_[address];
}

unsigned EEPROM::GetWord(int address) const
{
    if (data_ == nullptr || address < 0 || address > size_ - 2)
        return 0;
    return data_[address] + 256u * data_[address + 1];
}

void EEPROM::SetByte(int address, int value)
{
    if (data_ == nullptr || address < 0 || address >= size_)
        return;
    data_[address] = static_cast<uint8_t>(value);
}

void EEPROM::SetWord(int address, unsigned value)
{
    if (data_ == nullptr || address < 0 || address > size_ - 2)
        return;
    data_[address] = static_cast<uint8_t>(value & 0xFF);
    data_[address + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

int EEPROM::ReadBlock(int address, uint8_t* destination, int count) const
{
    if (data_ == nullptr || address < 0 || count <= 0)
        return 0;
    int copied = 0;
    while (copied < count && address + copied < size_) {
        destination[copied] = data_[address + copied];
        ++copied;
    }
    return copied;
}

int EEPROM::WriteBlock(int address, const uint8_t* source, int count)
{
    if (data_ == nullptr || address < 0 || count <= 0)
        return 0;
    int copied = 0;
    while (copied < count && address + copied < size_) {
        data_[address + copied] = source[copied];
        ++copied;
    }
    return copied;
}

void EEPROM::Erase()
{
    if (data_ != nullptr && size_ > 0)
        std::memset(data_, 0xFF, static_cast<size_t>(size_));
}

bool EEPROM::IsPageBlank(int address) const
{
    if (data_ == nullptr || address < 0)
        return false;
    const int start = address - address % 256;
    if (start >= size_)
        return false;
    for (int i = start; i < start + 256; ++i)
        if (i >= size_ || data_[i] != 0xFF)
            return false;
    return true;
}

namespace MemFile {

LoadResult Load(EEPROM& image, const QString& fileName)
{
    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly))
        return LoadResult::NotOpened;
    std::vector<uint8_t> bytes(static_cast<size_t>(image.Size()));
    qint64 got = 0;
    while (got < image.Size()) {
        const qint64 n = file.read(reinterpret_cast<char*>(bytes.data()) + got, image.Size() - got);
        if (n < 0)
            return LoadResult::ReadError;
        if (n == 0)
            break;
        got += n;
    }
    image.WriteBlock(0, bytes.data(), static_cast<int>(got));
    return LoadResult::Loaded;
}

bool Save(const EEPROM& image, const QString& fileName, QString* errorText)
{
    return SaveImageBlocks(image, image.Size(), fileName, errorText);
}

} // namespace MemFile
