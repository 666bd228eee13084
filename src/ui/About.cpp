#include "About.h"

#include "ui_About.h"

#include <QStyle>

TAboutBox::TAboutBox(const QString& productName, const QString& versionText, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TAboutBox>())
{
    ui_->setupUi(this);
    ui_->ProductName->setText(productName);
    ui_->lblNiceVersion->setText(versionText);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    ui_->ProgramIcon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
}

TAboutBox::~TAboutBox() = default;
