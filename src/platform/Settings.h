#pragma once

#include <QString>
#include <memory>

class QSettings;

// The registry stand-in. A key path such as "\Zyn\Ql4100t\Port" names the
// organisation (Zyn), the application (Ql4100t, one INI file in the user's
// config folder: $XDG_CONFIG_HOME/Zyn/Ql4100t.ini) and the group (Port).
// Values are read back as they were written: a value that is missing, or
// that is not an integer where an integer is wanted, cannot be read.
class Settings {
public:
    explicit Settings(const QString& keyPath);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // Opens the key. Without create, fails when the key holds no values
    // (an INI file keeps no empty groups, so a key without values and a
    // missing key are the same thing here).
    bool Open(bool create);
    void Close();
    bool IsOpen() const { return open_; }

    bool ReadInt(const QString& name, int& value) const;
    bool ReadString(const QString& name, QString& value) const;
    // Writes go to disk at once; false when the file cannot be written.
    bool WriteInt(const QString& name, int value);
    bool WriteString(const QString& name, const QString& value);

    QString Organisation() const { return organisation_; }
    QString Application() const { return application_; }
    QString Group() const { return group_; }
    // Path of the INI file that holds the key.
    QString FileName() const;

private:
    bool Write(const QString& name, const QString& text);

    QString organisation_;
    QString application_;
    QString group_;
    std::unique_ptr<QSettings> store_;
    bool open_ = false;
};
