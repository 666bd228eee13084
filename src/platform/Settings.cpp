#include "Settings.h"

#include <QSettings>
#include <QStringList>

Settings::Settings(const QString& keyPath)
{
    const QStringList parts = keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    organisation_ = parts.value(0);
    application_ = parts.value(1);
    group_ = parts.mid(2).join(QLatin1Char('/'));
}

Settings::~Settings() = default;

QString Settings::FileName() const
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, organisation_, application_).fileName();
}

bool Settings::Open(bool create)
{
    Close();
    auto store = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             organisation_, application_);
    if (store->status() != QSettings::NoError && !create)
        return false;
    if (!create) {
        store->beginGroup(group_);
        const bool exists = !store->childKeys().isEmpty();
        store->endGroup();
        if (!exists)
            return false;
    }
    store->beginGroup(group_);
    store_ = std::move(store);
    open_ = true;
    return true;
}

void Settings::Close()
{
    if (store_) {
        store_->endGroup();
        store_->sync();
    }
    store_.reset();
    open_ = false;
}

bool Settings::ReadInt(const QString& name, int& value) const
{
    if (!open_ || !store_->contains(name))
        return false;
    const QVariant v = store_->value(name);
    bool ok = false;
    const qlonglong n = v.toString().trimmed().toLongLong(&ok);
    // A registry DWORD is 32 bits: anything wider cannot be read as one.
    if (!ok || n < -2147483648LL || n > 4294967295LL)
        return false;
    value = static_cast<int>(static_cast<qint32>(static_cast<quint32>(n & 0xFFFFFFFFLL)));
    return true;
}

bool Settings::ReadString(const QString& name, QString& value) const
{
    if (!open_ || !store_->contains(name))
        return false;
    value = store_->value(name).toString();
    return true;
}

bool Settings::Write(const QString& name, const QString& text)
{
    if (!open_)
        return false;
    store_->setValue(name, text);
    store_->sync();
    return store_->status() == QSettings::NoError;
}

bool Settings::WriteInt(const QString& name, int value)
{
    return Write(name, QString::number(value));
}

bool Settings::WriteString(const QString& name, const QString& value)
{
    return Write(name, value);
}
