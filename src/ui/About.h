#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TAboutBox;
}

// The about box: program name and version, maker, a picture and a link to
// the maker's web site, which opens in the default browser.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(const QString& productName, const QString& versionText, QWidget* parent = nullptr);
    ~TAboutBox() override;
    Ui::TAboutBox& Form() { return *ui_; }

private:
    std::unique_ptr<Ui::TAboutBox> ui_;
};
