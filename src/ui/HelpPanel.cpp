#include "HelpPanel.h"

#include <QEvent>
#include <QTextEdit>
#include <QWidget>

HelpPanel::HelpPanel(QTextEdit* panel, QObject* parent) : QObject(parent), panel_(panel)
{
    panel_->setReadOnly(true);
}

void HelpPanel::SetLine(QWidget* control, const QString& line)
{
    if (!lines_.contains(control)) {
        control->installEventFilter(this);
        control->setMouseTracking(true);
        connect(control, &QObject::destroyed, this, [this, control] { lines_.remove(control); });
    }
    lines_.insert(control, line);
}

void HelpPanel::Show(QWidget* control)
{
    panel_->clear();
    const QString line = lines_.value(control);
    if (!line.isEmpty())
        panel_->setPlainText(line);
}

QString HelpPanel::Text() const
{
    return panel_->toPlainText();
}

bool HelpPanel::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::Enter:
    case QEvent::MouseMove:
        if (auto* w = qobject_cast<QWidget*>(watched)) {
            // Moving the mouse across one control rewrites the same line;
            // skip the redraw when nothing changes.
            const QString line = lines_.value(w);
            if (panel_->toPlainText() != line)
                Show(w);
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
