#include "Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

Dialogs::Answer QtDialogs::Message(QWidget* parent, const QString& text, const QString& caption,
                                   Buttons buttons, Icon icon)
{
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    }
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

QString QtDialogs::QtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed().replace(QLatin1Char(';'), QLatin1Char(' '));
        out << (description.contains(QLatin1Char('('))
                    ? description
                    : QStringLiteral("%1 (%2)").arg(description, patterns));
    }
    return out.join(QStringLiteral(";;"));
}

namespace {
QString Suffix(const QString& defaultExtension)
{
    QString s = defaultExtension;
    while (s.startsWith(QLatin1Char('*')) || s.startsWith(QLatin1Char('.')))
        s.remove(0, 1);
    return s;
}
} // namespace

QString QtDialogs::OpenFile(QWidget* parent, const FileRequest& request)
{
    QFileDialog dialog(parent, request.title, QString(), QtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(Suffix(request.defaultExtension));
    if (!request.initialPath.isEmpty())
        dialog.selectFile(request.initialPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::SaveFile(QWidget* parent, const FileRequest& request)
{
    QFileDialog dialog(parent, request.title, QString(), QtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setDefaultSuffix(Suffix(request.defaultExtension));
    if (!request.initialPath.isEmpty())
        dialog.selectFile(request.initialPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
