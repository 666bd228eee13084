#include "About.h"

#include "ui_About.h"

#include <QStyle>

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TAboutBox>())
{
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    ui_->ProgramIcon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
}

TAboutBox::~TAboutBox() = default;
