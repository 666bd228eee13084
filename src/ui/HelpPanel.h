#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QTextEdit;
class QWidget;

// The read-only help panel most windows carry: when a control gets the focus
// or the mouse moves over it, the panel is cleared and that control's help
// line is written; a control without a line leaves the panel empty.
class HelpPanel : public QObject {
    Q_OBJECT
public:
    explicit HelpPanel(QTextEdit* panel, QObject* parent = nullptr);

    // Gives a control its help line (an empty line still clears the panel).
    void SetLine(QWidget* control, const QString& line);
    // Clears the panel and writes the control's line.
    void Show(QWidget* control);
    QString Text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTextEdit* panel_;
    QHash<QObject*, QString> lines_;
};
