// The port selection dialog.
#include "radio/Com_port.h"

#include "ui_Com_port.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

TEST(TfrmPorts, FormControls)
{
    TfrmPorts w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Select Serial Port"));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(w.Form().Label1->text(), QStringLiteral("Serial Port"));
    EXPECT_EQ(w.Form().btnOK->text(), QStringLiteral("OK"));
    EXPECT_TRUE(w.Form().btnOK->isDefault());
    EXPECT_EQ(w.Form().BitBtn2->text(), QStringLiteral("Cancel"));
    EXPECT_FALSE(w.Form().cbPort->isEditable());
    EXPECT_EQ(w.GetPort(), 1);

    const QComboBox& list = *w.Form().cbPort;
    ASSERT_EQ(list.count(), 256);
    for (int i = 0; i < list.count(); ++i)
        EXPECT_EQ(list.itemText(i), QStringLiteral("COM%1").arg(i + 1)) << i;
}

TEST(TfrmPorts, SetPortAcceptsOnlyOneTo256)
{
    struct Case {
        int request, kept;
    };
    const Case cases[] = {{0, 5}, {257, 5}, {-1, 5}, {1000, 5}, {1, 1}, {256, 256}, {17, 17}};
    for (const Case& c : cases) {
        TfrmPorts w;
        w.SetPort(5);
        w.SetPort(c.request);
        EXPECT_EQ(w.GetPort(), c.kept) << c.request;
    }
}

TEST(TfrmPorts, ShowSelectsTheKeptPortEveryTime)
{
    TfrmPorts w;
    w.SetPort(17);
    w.show();
    EXPECT_EQ(w.Form().cbPort->currentIndex(), 16);
    EXPECT_EQ(w.Form().cbPort->currentText(), QStringLiteral("COM17"));
    w.Form().cbPort->setCurrentIndex(3);
    w.reject();

    w.SetPort(256);
    w.show();
    EXPECT_EQ(w.Form().cbPort->currentIndex(), 255);
    // Filled once, at creation: showing again adds nothing.
    EXPECT_EQ(w.Form().cbPort->count(), 256);
    w.reject();
}

TEST(TfrmPorts, OkTakesTheSelectionCancelKeepsThePort)
{
    struct Case {
        bool ok;
        bool byButton;
        int kept;
        int result;
    };
    const Case cases[] = {
        {true, false, 100, QDialog::Accepted},
        {true, true, 100, QDialog::Accepted},
        {false, false, 3, QDialog::Rejected},
        {false, true, 3, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        TfrmPorts w;
        w.SetPort(3);
        w.show();
        w.Form().cbPort->setCurrentIndex(99);
        if (c.byButton)
            (c.ok ? w.Form().btnOK : w.Form().BitBtn2)->click();
        else if (c.ok)
            w.accept();
        else
            w.reject();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(w.result(), c.result) << c.ok << c.byButton;
        EXPECT_EQ(w.GetPort(), c.kept) << c.ok << c.byButton;
    }
}

} // namespace
